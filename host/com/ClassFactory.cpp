#include "host/com/ClassFactory.h"

#include "platform/win32/ComObject.h"

namespace autosave::com {

ClassFactory::ClassFactory(CreateFunction create) noexcept : m_create(create) { win32::ModuleCount::increment(); }

ClassFactory::~ClassFactory() { win32::ModuleCount::decrement(); }

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE ClassFactory::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

ULONG STDMETHODCALLTYPE ClassFactory::Release() noexcept {
    LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return m_create(iid, out);
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock) noexcept {
    if (lock) win32::ModuleCount::increment();
    else win32::ModuleCount::decrement();
    return S_OK;
}

}  // namespace autosave::com
