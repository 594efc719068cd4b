#include "tessaline/HostApplication.h"

#include "platform/win32/Variant.h"
#include "tessaline/ComMethod.h"
#include "tessaline/HostFramework.h"

namespace tessaline {

HostApplication::HostApplication(std::shared_ptr<HostContext> context) noexcept : HostObject(std::move(context)) {}

win32::com_ptr<HostApplication> HostApplication::create(std::shared_ptr<HostContext> context) noexcept {
    return win32::com_ptr<HostApplication>::attach(new (std::nothrow) HostApplication(std::move(context)));
}

HRESULT HostApplication::get_orvapplication(IDispatch** result) noexcept {
    return object_property(L"orvapplication", result, [this] { return context().framework(); });
}

HRESULT HostApplication::get_Name(BSTR* result) noexcept {
    return property(L"Name", result, [](BSTR& out) { return hand_out_text(L"Tessaline", &out); });
}

}  // namespace tessaline
