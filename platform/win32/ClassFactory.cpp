#include "platform/win32/ClassFactory.h"

namespace win32 {

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return m_create(iid, out);
}

HRESULT ClassFactory::LockServer(BOOL lock) noexcept {
    if (lock) {
        ModuleCount::increment();
    } else {
        ModuleCount::decrement();
    }
    return S_OK;
}

HRESULT get_class_object(ServerClasses classes, REFCLSID clsid, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const auto& c : classes) {
        if (c.clsid == clsid) return create_instance<ClassFactory>(iid, out, c.create);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace win32
