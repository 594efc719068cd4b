// How many calls the host's objects have answered: QueryInterface,
// GetIDsOfNames and Invoke of every automation object, and each step of an
// enumerator; and how long the host spent writing drawings (each write is
// flushed, so its time follows the disk). What the benchmarks measure a pass
// of an add-in by; the host is single-threaded.
#pragma once

#include <cstdint>

namespace tessaline {

class HostCalls {
public:
    static void count() noexcept { ++s_answered; }
    static std::uint64_t answered() noexcept { return s_answered; }
    static void wrote(std::uint64_t ticks) noexcept { s_writeTicks += ticks; }
    // In QueryPerformanceCounter ticks.
    static std::uint64_t writing() noexcept { return s_writeTicks; }

private:
    static inline std::uint64_t s_answered = 0;
    static inline std::uint64_t s_writeTicks = 0;
};

}  // namespace tessaline
