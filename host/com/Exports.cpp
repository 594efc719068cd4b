// The component's four entry points.
#include "host/com/AddInObject.h"
#include "host/com/Module.h"
#include "host/com/Registration.h"
#include "platform/win32/ClassFactory.h"
#include "platform/win32/ComObject.h"

#include "vokAutoSave412.h"

namespace {

struct CreatableClass {
    const CLSID* clsid;
    win32::ClassFactory::Creator create;
};

const CreatableClass kClasses[] = {
    {&CLSID_CAddIn, &autosave::com::AddInObject::create},
};

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    HRESULT hr = CLASS_E_CLASSNOTAVAILABLE;
    for (const auto& c : kClasses) {
        hr = win32::ClassFactory::get_class_object(clsid, *c.clsid, c.create, iid, out);
        if (hr != CLASS_E_CLASSNOTAVAILABLE) break;
    }
    return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    if (win32::ModuleCount::value() != 0) return S_FALSE;
    autosave::com::releaseModuleState();
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE ORVRegisterServer() { return autosave::com::registerServer(); }

extern "C" HRESULT STDAPICALLTYPE ORVUnregisterServer() { return autosave::com::unregisterServer(); }
