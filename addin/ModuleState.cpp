#include "addin/ModuleState.h"

#include "engine/PromptDialog.h"

namespace autosave {

ModuleState::ModuleState(Services services) : services(services), errors(services.components) {}

ModuleState::~ModuleState() = default;

frmPrompt& ModuleState::prompt() {
    if (!m_prompt) m_prompt = std::make_unique<frmPrompt>(*this);
    return *m_prompt;
}

void ModuleState::noteFreed(LibraryHandle library) {
    auto it = m_liveLoads.find(library);
    if (it != m_liveLoads.end() && --it->second == 0) m_liveLoads.erase(it);
}

}  // namespace autosave
