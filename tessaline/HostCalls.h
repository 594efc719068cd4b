// How many calls the host's objects have answered: QueryInterface,
// GetIDsOfNames and Invoke of every automation object, and each step of an
// enumerator. What the benchmarks count a pass of an add-in in; the host is
// single-threaded.
#pragma once

#include <cstdint>

namespace tessaline {

class HostCalls {
public:
    static void count() noexcept { ++s_answered; }
    static std::uint64_t answered() noexcept { return s_answered; }

private:
    static inline std::uint64_t s_answered = 0;
};

}  // namespace tessaline
