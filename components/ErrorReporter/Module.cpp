// The classes of ErrorReporter.dll; platform/win32/StandardExports.cpp serves them.
#include "components/ErrorReporter/ErrorReporterObject.h"
#include "platform/win32/ServerRegistration.h"

namespace {

const win32::ServerClass kClasses[] = {
    {CLSID_ErrorReporter, L"Morvane.ErrorReporter", L"Morvane Error Reporter",
     &components::ErrorReporterObject::create},
};

}  // namespace

const win32::ServerClasses win32::kServerClasses{kClasses};
