// The class object of an in-process server that serves one class.
#pragma once

#include <unknwn.h>

namespace win32 {

// Hands out objects made by its creator. While it is alive, and for each
// LockServer(TRUE), the module stays loaded: both count in ModuleCount.
class ClassFactory final : public IClassFactory {
public:
    using Creator = HRESULT (*)(REFIID iid, void** out) noexcept;

    // The body of DllGetClassObject for a server of the class served.
    static HRESULT get_class_object(REFCLSID requested, REFCLSID served, Creator create, REFIID iid,
                                    void** out) noexcept;

    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    // IClassFactory
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override;

private:
    explicit ClassFactory(Creator create) noexcept;
    ~ClassFactory();

    LONG m_refs = 1;
    Creator m_create;
};

}  // namespace win32
