// What ORVRegisterServer writes and ORVUnregisterServer removes.
#pragma once

#include <windows.h>

namespace autosave::com {

HRESULT registerServer() noexcept;
HRESULT unregisterServer() noexcept;

}  // namespace autosave::com
