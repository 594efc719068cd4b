// The frame every COM method of the host runs in: exceptions become
// HRESULTs, and objects are handed out through out-parameters.
#pragma once

#include "platform/win32/ComBoundary.h"
#include "platform/win32/ComPtr.h"

#include <oaidl.h>

#include <string_view>

namespace tessaline {

// Runs body; bad_alloc becomes E_OUTOFMEMORY, anything else E_UNEXPECTED.
using win32::com_guard;

// Hands out a new IDispatch reference to object (which may be empty).
template <typename T>
HRESULT hand_out(const win32::com_ptr<T>& object, IDispatch** out) noexcept {
    if (!out) return E_POINTER;
    *out = object ? static_cast<IDispatch*>(object.get()) : nullptr;
    if (*out) (*out)->AddRef();
    return S_OK;
}

// Hands out a new BSTR with text.
inline HRESULT hand_out_text(std::wstring_view text, BSTR* out) noexcept {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// Reported when an object outlives the host's shutdown and is asked for a
// part of the host that is gone.
inline constexpr HRESULT kHostGone = CO_E_OBJNOTCONNECTED;

}  // namespace tessaline
