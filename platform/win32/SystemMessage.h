// The system's own text for an error code.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// The system's message for a Win32 error code or an HRESULT (passed as its
// DWORD bits), without the line break it ends in; empty when the system has
// no text for it, so that each caller words its own fallback.
std::wstring system_message(DWORD code);

}  // namespace win32
