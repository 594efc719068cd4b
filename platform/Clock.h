// The time of day and today's date, as the schedule reads them.
#pragma once

#include <cstdint>
#include <optional>

namespace autosave {

class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since local midnight, with fractions.
    virtual double secondsSinceMidnight() = 0;
    // Today's local calendar date as an automation day number (days since
    // 30 December 1899), without a time part.
    virtual std::int32_t today() = 0;
    // Milliseconds of a steady count that never goes back, where one can be
    // read for much less than the time of day; none otherwise.
    virtual std::optional<std::uint64_t> steadyMilliseconds() { return std::nullopt; }
};

}  // namespace autosave
