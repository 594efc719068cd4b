#include "com/Module.h"

#include "com/ComComponents.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Forms.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32ResourceLibraries.h"

namespace autosave::com {
namespace {

// The machine as the component sees it, and the state its objects share.
// Made when the first object needs it, not while the DLL loads.
struct Module {
    win32::Win32Clock clock;
    win32::Win32ResourceLibraries libraries;
    win32::Win32Registry registry;
    ComComponents components;
    win32::Win32Desktop desktop;
    win32::Win32FileSystem fileSystem;
    win32::Win32Forms forms;
    ModuleState state{Services{clock, libraries, registry, components, desktop, fileSystem, forms}};
};

// Never destroyed by the loader: releasing COM references while the process
// detaches is unsafe, so the module goes only through releaseModuleState().
Module* g_module = nullptr;

}  // namespace

ModuleState& moduleState() {
    if (!g_module) g_module = new Module;
    return g_module->state;
}

void releaseModuleState() noexcept {
    delete g_module;
    g_module = nullptr;
}

}  // namespace autosave::com
