// The classes of ApplicationLocator.dll; platform/win32/StandardExports.cpp serves them.
#include "components/ApplicationLocator/ApplicationLocatorObject.h"
#include "platform/win32/ServerRegistration.h"

namespace {

const win32::ServerClass kClasses[] = {
    {CLSID_ApplicationLocator, L"Morvane.ApplicationLocator", L"Morvane Application Locator",
     &components::ApplicationLocatorObject::create},
};

}  // namespace

const win32::ServerClasses win32::kServerClasses{kClasses};
