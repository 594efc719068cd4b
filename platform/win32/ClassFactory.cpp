#include "platform/win32/ClassFactory.h"

#include "platform/win32/ComObject.h"
#include "platform/win32/ComPtr.h"

#include <new>

namespace win32 {

HRESULT ClassFactory::get_class_object(REFCLSID requested, REFCLSID served, Creator create, REFIID iid,
                                       void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (requested != served) return CLASS_E_CLASSNOTAVAILABLE;
    auto factory = com_ptr<ClassFactory>::attach(new (std::nothrow) ClassFactory(create));
    if (!factory) return E_OUTOFMEMORY;
    return factory->QueryInterface(iid, out);
}

ClassFactory::ClassFactory(Creator create) noexcept : m_create(create) { ModuleCount::increment(); }

ClassFactory::~ClassFactory() { ModuleCount::decrement(); }

HRESULT ClassFactory::QueryInterface(REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG ClassFactory::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

ULONG ClassFactory::Release() noexcept {
    LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

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

}  // namespace win32
