#include "host/com/Module.h"

#include "host/com/ComComponents.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32ResourceLibraries.h"

#include <memory>

namespace autosave::com {
namespace {

win32::Win32Clock g_clock;
win32::Win32ResourceLibraries g_libraries;
win32::Win32Registry g_registry;
ComComponents g_components;

// Never destroyed by the loader: releasing COM references while the process
// detaches is unsafe, so the state goes only through releaseModuleState().
ModuleState* g_state = nullptr;

}  // namespace

ModuleState& moduleState() {
    if (!g_state) g_state = new ModuleState(Services{g_clock, g_libraries, g_registry, g_components});
    return *g_state;
}

void releaseModuleState() noexcept {
    delete g_state;
    g_state = nullptr;
}

}  // namespace autosave::com
