// A minimal conformance-test harness for the Windows test programs, in the
// manner of Wine's own: ok() checks, per-file counts, and a closing line
// "N passed, N failed" that the test runner reads. Exit code 0 only when
// nothing failed.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace winetest {

struct State {
    int passed = 0;
    int failed = 0;
    const char* current = "";
};
inline State& state() {
    static State s;
    return s;
}

inline bool check(bool condition, const char* file, int line, const char* format, ...) {
    if (condition) {
        ++state().passed;
        return true;
    }
    ++state().failed;
    std::fprintf(stdout, "%s:%d: [%s] Test failed: ", file, line, state().current);
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return false;
}

struct Case {
    const char* name;
    std::function<void()> body;
};
inline std::vector<Case>& cases() {
    static std::vector<Case> c;
    return c;
}
struct Register {
    Register(const char* name, std::function<void()> body) { cases().push_back({name, std::move(body)}); }
};

inline int run_all() {
    for (auto& c : cases()) {
        state().current = c.name;
        int failedBefore = state().failed;
        c.body();
        std::printf("%s: %s\n", state().failed == failedBefore ? "ok" : "FAILED", c.name);
    }
    std::printf("%d passed, %d failed\n", state().passed, state().failed);
    std::fflush(stdout);
    return state().failed == 0 ? 0 : 1;
}

}  // namespace winetest

#define ok(cond, ...) ::winetest::check(static_cast<bool>(cond), __FILE__, __LINE__, __VA_ARGS__)
#define WINE_TEST_CONCAT2(a, b) a##b
#define WINE_TEST_CONCAT(a, b) WINE_TEST_CONCAT2(a, b)
// WINE_TEST(name) { ... } defines one case; cases run in file order.
#define WINE_TEST(name)                                                         \
    static void name();                                                         \
    static ::winetest::Register WINE_TEST_CONCAT(register_, name)(#name, name); \
    static void name()
// Put WINE_TEST_MAIN once in each test program.
#define WINE_TEST_MAIN \
    int main() { return ::winetest::run_all(); }
