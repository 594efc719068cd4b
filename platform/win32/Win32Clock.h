#pragma once

#include "platform/Clock.h"

namespace win32 {

// The local time of day and date from the system clock.
class Win32Clock final : public autosave::Clock {
public:
    double secondsSinceMidnight() override;
    std::int32_t today() override;
    // The system's tick count: read from memory the system shares with every
    // process, where the local time of day takes a call into the system.
    std::optional<std::uint64_t> steadyMilliseconds() override;
};

}  // namespace win32
