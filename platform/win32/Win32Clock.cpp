#include "platform/win32/Win32Clock.h"

#include <windows.h>
#include <oleauto.h>

#include <cmath>

namespace win32 {

double Win32Clock::secondsSinceMidnight() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

std::int32_t Win32Clock::today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    now.wHour = now.wMinute = now.wSecond = now.wMilliseconds = 0;
    double day = 0;
    SystemTimeToVariantTime(&now, &day);
    return static_cast<std::int32_t>(std::floor(day));
}

std::optional<std::uint64_t> Win32Clock::steadyMilliseconds() { return GetTickCount64(); }

}  // namespace win32
