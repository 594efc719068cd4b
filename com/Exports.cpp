// The component's four entry points.
#include "com/AddInObject.h"
#include "com/CommandObject.h"
#include "com/Module.h"
#include "platform/win32/ClassFactory.h"
#include "platform/win32/ServerRegistration.h"

#include "vokAutoSave412.h"

namespace {

// Registering the type library with each class also registers the dual
// interfaces for the standard automation marshaler.
const win32::ServerClass kClasses[] = {
    {CLSID_CAddIn, L"vokAutoSave412.CAddIn", L"vokAutoSave412.CAddIn",
     &win32::create_instance<autosave::com::AddInObject>},
    {CLSID_CCommand, L"vokAutoSave412.CCommand", L"vokAutoSave412.CCommand",
     &win32::create_instance<autosave::com::CommandObject>},
};

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return win32::get_class_object(kClasses, clsid, iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    if (win32::can_unload_now() != S_OK) return S_FALSE;
    autosave::com::releaseModuleState();
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE ORVRegisterServer() { return win32::register_servers(kClasses); }

extern "C" HRESULT STDAPICALLTYPE ORVUnregisterServer() { return win32::unregister_servers(kClasses); }
