// The COM edge: run-time errors become HRESULTs (with IErrorInfo for the
// caller's EXCEPINFO), and HRESULTs from the host become run-time errors.
#pragma once

#include "platform/AutomationError.h"

#include <windows.h>
#include <oaidl.h>

#include <new>

namespace autosave::com {

// The HRESULT a run-time error travels as.
HRESULT hresultOf(const ErrorInfo& info) noexcept;
// Publishes info as the thread's IErrorInfo and returns its HRESULT.
HRESULT setErrorInfo(const ErrorInfo& info) noexcept;

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

// Runs body as the body of a COM method: nothing escapes.
template <typename Body>
HRESULT comBoundary(Body&& body) noexcept {
    try {
        body();
        return S_OK;
    } catch (const AutomationError& e) {
        return setErrorInfo(e.info());
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace autosave::com
