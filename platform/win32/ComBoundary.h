// Helpers for the edge between COM callers and C++ code: no exception may
// leave a COM method, and strings go out as BSTRs.
#pragma once

#include "platform/win32/Unique.h"

#include <new>
#include <string_view>

namespace win32 {

// Runs body and turns an escaping exception into the HRESULT the caller sees.
template <typename Body>
HRESULT com_guard(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// The calling thread's last Win32 error as a failure, never as success.
inline HRESULT last_error_hr() noexcept {
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// A BSTR copy of text; throws std::bad_alloc when the system has no memory.
inline unique_bstr bstr_from(std::wstring_view text) {
    BSTR s = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!s) throw std::bad_alloc();
    return unique_bstr(s);
}

// The text of a BSTR that may be null (null reads as empty).
inline std::wstring_view view_of(BSTR s) noexcept {
    return s ? std::wstring_view(s, SysStringLen(s)) : std::wstring_view();
}

}  // namespace win32
