// The class object of an in-process server, and the bodies of the standard
// DllGetClassObject and DllCanUnloadNow for a table of classes.
#pragma once

#include "platform/win32/ComObject.h"
#include "platform/win32/ServerClass.h"

namespace win32 {

// Hands out objects made by its creator. While it is alive, and for each
// LockServer(TRUE), the module stays loaded: both count in ModuleCount.
class ClassFactory final : public ComObject<IClassFactory> {
public:
    explicit ClassFactory(ServerClass::Creator create) noexcept : m_create(create) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override;

private:
    ~ClassFactory() override = default;

    ServerClass::Creator m_create;
};

// DllGetClassObject: the class object of the class clsid names, or
// CLASS_E_CLASSNOTAVAILABLE when the table has no such class.
HRESULT get_class_object(ServerClasses classes, REFCLSID clsid, REFIID iid, void** out) noexcept;
// DllCanUnloadNow: S_OK once no object and no lock of the module is left.
inline HRESULT can_unload_now() noexcept { return ModuleCount::value() == 0 ? S_OK : S_FALSE; }

}  // namespace win32
