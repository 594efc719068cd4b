#include "platform/win32/ComBoundary.h"

#include "platform/win32/Variant.h"

#include <oaidl.h>

namespace win32 {
namespace {

// Errors the language runtime numbers itself travel in the control facility.
constexpr HRESULT kControlFacilityBase = static_cast<HRESULT>(0x800A0000);

}  // namespace

HRESULT hresult_of(const autosave::ErrorInfo& info) noexcept {
    if (info.number < 0) return static_cast<HRESULT>(info.number);
    if (info.number > 0 && info.number <= 0xFFFF) return kControlFacilityBase | info.number;
    return E_FAIL;
}

HRESULT set_error_info(const autosave::ErrorInfo& info) noexcept {
    try {
        com_ptr<ICreateErrorInfo> create;
        if (SUCCEEDED(CreateErrorInfo(create.put()))) {
            create->SetSource(const_cast<LPOLESTR>(widen(info.source).c_str()));
            create->SetDescription(const_cast<LPOLESTR>(widen(info.description).c_str()));
            create->SetHelpFile(const_cast<LPOLESTR>(widen(info.helpFile).c_str()));
            create->SetHelpContext(static_cast<DWORD>(info.helpContext));
            if (auto published = create.try_query<IErrorInfo>(IID_IErrorInfo)) SetErrorInfo(0, published.get());
        }
    } catch (...) {
        // Without memory for the details the HRESULT still says what failed.
    }
    return hresult_of(info);
}

}  // namespace win32
