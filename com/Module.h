// The component's module-wide state on Windows: one per loaded DLL.
#pragma once

#include "addin/ModuleState.h"

namespace autosave::com {

// Created on first use with the Win32 services.
ModuleState& moduleState();
// Lets go of the module state (and the shared error reporter) once no
// object of the component is alive; a later object starts afresh.
void releaseModuleState() noexcept;

}  // namespace autosave::com
