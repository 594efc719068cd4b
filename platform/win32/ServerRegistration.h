// Self-registration of an in-process server DLL: the class, its ProgID and
// the type library embedded in the DLL as TYPELIB 1.
#pragma once

#include "platform/win32/ServerClass.h"

namespace win32 {

// Registers every class of the table and the embedded type library under
// HKEY_CLASSES_ROOT, machine-wide: Wine's ProgID lookup does not see
// HKCU\Software\Classes, and the type library registration writes there
// anyway. On Windows this needs administrator rights. After a failure
// nothing of the table is left.
HRESULT register_servers(ServerClasses classes) noexcept;
// Removes what register_servers wrote; keys already gone are fine. A class,
// its ProgID and the type library are removed only while they name this
// module's file: another copy's registration stays. Goes on past a failure
// and returns the last one.
HRESULT unregister_servers(ServerClasses classes) noexcept;

// The class table of the DLL that links platform/win32/StandardExports.cpp.
extern const ServerClasses kServerClasses;

}  // namespace win32
