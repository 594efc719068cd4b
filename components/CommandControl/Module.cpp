// The classes of ZelCmCtl.ocx; platform/win32/StandardExports.cpp serves them.
#include "components/CommandControl/CommandControl.h"
#include "platform/win32/ServerRegistration.h"

namespace {

const win32::ServerClass kClasses[] = {
    {CLSID_qeCommand, L"ZelComndLib.qeCommand", L"Command control",
     &win32::create_instance<components::CommandControl>},
};

}  // namespace

const win32::ServerClasses win32::kServerClasses{kClasses};
