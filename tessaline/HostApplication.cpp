#include "tessaline/HostApplication.h"

#include "platform/win32/Variant.h"
#include "tessaline/ComMethod.h"
#include "tessaline/HostFramework.h"

namespace tessaline {

HostApplication::HostApplication(std::shared_ptr<HostContext> context) noexcept
    : HostObject(std::move(context)) {}

win32::com_ptr<HostApplication> HostApplication::create(std::shared_ptr<HostContext> context) noexcept {
    return win32::com_ptr<HostApplication>::attach(new (std::nothrow) HostApplication(std::move(context)));
}

HRESULT HostApplication::get_orvapplication(IDispatch** result) noexcept {
    return com_guard([&]() -> HRESULT {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (HRESULT hr = injected(L"orvapplication"); FAILED(hr)) return hr;
        auto framework = context().framework();
        if (!framework) return kHostGone;
        return hand_out(framework, result);
    });
}

HRESULT HostApplication::get_Name(BSTR* result) noexcept {
    return com_guard([&]() -> HRESULT {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (HRESULT hr = injected(L"Name"); FAILED(hr)) return hr;
        *result = win32::make_bstr("Tessaline").release();
        return S_OK;
    });
}

}  // namespace tessaline
