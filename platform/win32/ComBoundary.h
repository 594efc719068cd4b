// The edge between COM callers and C++ code: no exception may leave a COM
// method, and strings go out as BSTRs. Every COM method whose body can throw
// runs it in one of the two guards below.
#pragma once

#include "platform/AutomationError.h"
#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"

#include <new>
#include <string_view>

namespace win32 {

// Runs body, which returns the method's HRESULT, and turns an escaping
// exception into the HRESULT the caller sees.
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

// The HRESULT a run-time error travels as.
HRESULT hresult_of(const autosave::ErrorInfo& info) noexcept;
// Publishes info as the thread's IErrorInfo and returns its HRESULT.
HRESULT set_error_info(const autosave::ErrorInfo& info) noexcept;

// Runs body, which returns nothing, as com_guard does; a run-time error
// reaches the caller with its details as IErrorInfo (and so in EXCEPINFO).
template <typename Body>
HRESULT com_guard_with_error_info(Body&& body) noexcept {
    try {
        body();
        return S_OK;
    } catch (const autosave::AutomationError& e) {
        return set_error_info(e.info());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// The same with self held for the call: a caller may release the object
// from a message loop the body runs.
template <typename Object, typename Body>
HRESULT com_guard_with_error_info(Object* self, Body&& body) noexcept {
    com_ptr<Object> held(self);
    return com_guard_with_error_info(std::forward<Body>(body));
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
