// The exports of ResourceLibraryLocator.dll.
#include "platform/win32/ClassFactory.h"
#include "platform/win32/ServerRegistration.h"
#include "components/ResourceLibraryLocator/ResourceLibraryLocatorObject.h"

namespace {

const win32::ServerInfo kServer{CLSID_ResourceLibraryLocator, L"Morvane.ResourceLibraryLocator",
                                     L"Morvane Resource Library Locator"};

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return win32::ClassFactory::get_class_object(clsid, CLSID_ResourceLibraryLocator,
                                                      &components::ResourceLibraryLocatorObject::create, iid, out);
}

STDAPI DllCanUnloadNow() { return win32::ModuleCount::value() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return win32::register_server(kServer); }

STDAPI DllUnregisterServer() { return win32::unregister_server(kServer); }
