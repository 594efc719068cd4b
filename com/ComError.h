// The COM edge inward: HRESULTs from the host become run-time errors. The
// way out (run-time errors as HRESULTs with IErrorInfo) is
// win32::com_guard_with_error_info.
#pragma once

#include "platform/AutomationError.h"

#include <windows.h>
#include <oaidl.h>

#include <new>

namespace autosave::com {

// The run-time error a failed call stands for; excep may be null.
[[noreturn]] void raiseFrom(HRESULT hr, const EXCEPINFO* excep = nullptr);
// After IDispatch::Invoke: frees what the callee put in excep, and raises
// the error it describes when the call failed.
void checkInvoke(HRESULT hr, EXCEPINFO& excep);
// After a call through a vtable interface iid of callee: raises the error
// the callee published with IErrorInfo, or the one hr stands for.
void checkCall(HRESULT hr, IUnknown* callee, REFIID iid);
inline void check(HRESULT hr) {
    if (FAILED(hr)) raiseFrom(hr);
}

}  // namespace autosave::com
