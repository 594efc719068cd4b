#include "addin/ModuleState.h"

namespace autosave {

ModuleState::ModuleState(const Services& services) : services(services), errors(services.components) {}

ModuleState::~ModuleState() = default;

void ModuleState::noteFreed(LibraryHandle library) {
    auto it = m_liveLoads.find(library);
    if (it != m_liveLoads.end() && --it->second == 0) m_liveLoads.erase(it);
}

}  // namespace autosave
