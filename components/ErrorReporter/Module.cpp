// The exports of ErrorReporter.dll.
#include "platform/win32/ClassFactory.h"
#include "platform/win32/ServerRegistration.h"
#include "components/ErrorReporter/ErrorReporterObject.h"

namespace {

const win32::ServerInfo kServer{CLSID_ErrorReporter, L"Morvane.ErrorReporter", L"Morvane Error Reporter"};

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return win32::ClassFactory::get_class_object(clsid, CLSID_ErrorReporter,
                                                      &components::ErrorReporterObject::create, iid, out);
}

STDAPI DllCanUnloadNow() { return win32::ModuleCount::value() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return win32::register_server(kServer); }

STDAPI DllUnregisterServer() { return win32::unregister_server(kServer); }
