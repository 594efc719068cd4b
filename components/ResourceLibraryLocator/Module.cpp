// The classes of ResourceLibraryLocator.dll; platform/win32/StandardExports.cpp serves them.
#include "components/ResourceLibraryLocator/ResourceLibraryLocatorObject.h"
#include "platform/win32/ServerRegistration.h"

namespace {

const win32::ServerClass kClasses[] = {
    {CLSID_ResourceLibraryLocator, L"Morvane.ResourceLibraryLocator", L"Morvane Resource Library Locator",
     &win32::create_instance<components::ResourceLibraryLocatorObject>},
};

}  // namespace

const win32::ServerClasses win32::kServerClasses{kClasses};
