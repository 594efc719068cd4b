#pragma once

#include "platform/Clock.h"

namespace win32 {

// The local time of day and date from the system clock.
class Win32Clock final : public autosave::Clock {
public:
    double secondsSinceMidnight() override;
    std::int32_t today() override;
};

}  // namespace win32
