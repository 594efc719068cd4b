// The class factory behind DllGetClassObject, one per creatable class.
#pragma once

#include <unknwn.h>

namespace autosave::com {

using CreateFunction = HRESULT (*)(REFIID iid, void** out) noexcept;

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(CreateFunction create) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override;

private:
    ~ClassFactory();

    LONG m_refs = 1;
    CreateFunction m_create;
};

}  // namespace autosave::com
