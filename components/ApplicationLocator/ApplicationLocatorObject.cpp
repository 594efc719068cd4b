#include "components/ApplicationLocator/ApplicationLocatorObject.h"

namespace components {

HRESULT ApplicationLocatorObject::create(REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    // Kept for the life of the process, so the module stays loaded and every
    // creation gets this object. Never released: releasing a host's object
    // while the process detaches is unsafe, and the host clears it anyway.
    static ApplicationLocatorObject* const instance = new (std::nothrow) ApplicationLocatorObject();
    if (!instance) return E_OUTOFMEMORY;
    return instance->QueryInterface(iid, out);
}

HRESULT ApplicationLocatorObject::get_ActiveApplication(IDispatch** value) noexcept {
    return m_application.copy_to(value);
}

HRESULT ApplicationLocatorObject::SetActiveApplication(IDispatch* application) noexcept {
    m_application = win32::com_ptr<IDispatch>(application);
    return S_OK;
}

}  // namespace components
