// Self-registration of an in-process server DLL: the class, its ProgID and
// the type library embedded in the DLL as TYPELIB 1.
#pragma once

#include <windows.h>

namespace win32 {

struct ServerInfo {
    const CLSID& clsid;
    const wchar_t* progId;       // such as L"Morvane.ErrorReporter"
    const wchar_t* description;  // default value of the CLSID and ProgID keys
};

// Registers under HKEY_CLASSES_ROOT, machine-wide: Wine's ProgID lookup does
// not see HKCU\Software\Classes, and the type library registration writes
// there anyway. On Windows this needs administrator rights.
HRESULT register_server(const ServerInfo& server) noexcept;
// Removes what register_server wrote; keys already gone are fine.
HRESULT unregister_server(const ServerInfo& server) noexcept;

}  // namespace win32
