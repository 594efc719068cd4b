// A clock the test sets by hand.
#pragma once

#include "platform/Clock.h"

namespace fakes {

class FakeClock final : public autosave::Clock {
public:
    double seconds = 10 * 3600;  // 10:00:00
    std::int32_t day = 45000;
    std::optional<std::uint64_t> steady;  // none: as a clock without a cheap steady count
    int reads = 0;                        // of the time of day and the date

    double secondsSinceMidnight() override {
        ++reads;
        return seconds;
    }
    std::int32_t today() override {
        ++reads;
        return day;
    }
    std::optional<std::uint64_t> steadyMilliseconds() override { return steady; }
};

}  // namespace fakes
