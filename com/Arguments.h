// Arguments of the component's COM methods as the core takes them.
#pragma once

#include "com/DispatchRef.h"
#include "platform/win32/Variant.h"

namespace autosave::com {

// An object argument passed by reference; a null slot is Nothing.
inline ObjectPtr objectIn(IDispatch** slot) { return slot ? DispatchRef::wrap(*slot) : nullptr; }

inline std::string textIn(BSTR* slot) { return slot ? win32::from_bstr(*slot) : std::string(); }

// Checks and clears a text result before the method fills it.
inline HRESULT clearOut(BSTR* result) noexcept {
    if (!result) return E_POINTER;
    *result = nullptr;
    return S_OK;
}

}  // namespace autosave::com
