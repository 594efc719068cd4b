#include "host/com/Registration.h"

#include "platform/win32/ServerRegistration.h"

#include "vokAutoSave412.h"

namespace autosave::com {
namespace {

// The type library, registered with each class, also registers the dual
// interfaces for the standard automation marshaler.
const win32::ServerInfo kClasses[] = {
    {CLSID_CAddIn, L"vokAutoSave412.CAddIn", L"vokAutoSave412.CAddIn"},
};

}  // namespace

HRESULT registerServer() noexcept {
    for (const auto& c : kClasses)
        if (HRESULT hr = win32::register_server(c); FAILED(hr)) return hr;
    return S_OK;
}

HRESULT unregisterServer() noexcept {
    HRESULT result = S_OK;
    for (const auto& c : kClasses)
        if (HRESULT hr = win32::unregister_server(c); FAILED(hr)) result = hr;
    return result;
}

}  // namespace autosave::com
