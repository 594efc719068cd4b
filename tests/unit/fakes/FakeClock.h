// A clock the test sets by hand.
#pragma once

#include "platform/Clock.h"

namespace fakes {

class FakeClock final : public autosave::Clock {
public:
    double seconds = 10 * 3600;  // 10:00:00
    std::int32_t day = 45000;

    double secondsSinceMidnight() override { return seconds; }
    std::int32_t today() override { return day; }
};

}  // namespace fakes
