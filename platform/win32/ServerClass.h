// One row of an in-process server's class table: what DllGetClassObject
// hands out and what registration writes for each creatable class.
#pragma once

#include <windows.h>

#include <span>

namespace win32 {

struct ServerClass {
    using Creator = HRESULT (*)(REFIID iid, void** out) noexcept;

    const CLSID& clsid;
    const wchar_t* progId;       // such as L"Morvane.ErrorReporter"
    const wchar_t* description;  // default value of the CLSID and ProgID keys
    Creator create;
};

using ServerClasses = std::span<const ServerClass>;

}  // namespace win32
