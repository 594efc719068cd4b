// The four standard exports of an in-process server, for a DLL that defines
// its class table as win32::kServerClasses. Linked into each such DLL.
#include "platform/win32/ClassFactory.h"
#include "platform/win32/ServerRegistration.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return win32::get_class_object(win32::kServerClasses, clsid, iid, out);
}

STDAPI DllCanUnloadNow() { return win32::can_unload_now(); }

STDAPI DllRegisterServer() { return win32::register_servers(win32::kServerClasses); }

STDAPI DllUnregisterServer() { return win32::unregister_servers(win32::kServerClasses); }
