// The component's four entry points.
#include "host/com/AddInObject.h"
#include "host/com/ClassFactory.h"
#include "host/com/Module.h"
#include "host/com/Registration.h"
#include "platform/win32/ComObject.h"

#include "vokAutoSave412.h"

namespace {

struct CreatableClass {
    const CLSID* clsid;
    autosave::com::CreateFunction create;
};

const CreatableClass kClasses[] = {
    {&CLSID_CAddIn, &autosave::com::AddInObject::create},
};

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const auto& c : kClasses) {
        if (clsid != *c.clsid) continue;
        auto* factory = new (std::nothrow) autosave::com::ClassFactory(c.create);
        if (!factory) return E_OUTOFMEMORY;
        HRESULT hr = factory->QueryInterface(iid, out);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    if (win32::ModuleCount::value() != 0) return S_FALSE;
    autosave::com::releaseModuleState();
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE ORVRegisterServer() { return autosave::com::registerServer(); }

extern "C" HRESULT STDAPICALLTYPE ORVUnregisterServer() { return autosave::com::unregisterServer(); }
