// What the Wine benchmarks share: a stopwatch, the median, and the rows that
// tools/bench gathers into one table. A row is one line on standard output:
// "ROW", the measure, the figure, the goal and "met" or "not met", separated
// by tabs.
#pragma once

#include "tessaline/HostSession.h"

#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// A host session for measuring: no window, no add-ins from the registry,
// the given settings for the add-in loaded later.
inline tessaline::SessionOptions sessionOptions(std::vector<std::pair<std::wstring, std::wstring>> settings) {
    tessaline::SessionOptions options;
    options.loadRegistered = false;
    options.showWindow = false;
    options.settings = std::move(settings);
    return options;
}

// A flushed file of `bytes` bytes in which no two megabytes are alike.
inline bool makeSource(const std::wstring& path, long long bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 2654435761u >> 24);
    bool good = true;
    for (long long left = bytes; left > 0 && good;) {
        DWORD chunk = static_cast<DWORD>(left < static_cast<long long>(block.size()) ? left : block.size());
        DWORD written = 0;
        good = WriteFile(file, block.data(), chunk, &written, nullptr) && written == chunk;
        left -= chunk;
        block[static_cast<size_t>(left) % block.size()] ^= 0x5A;  // no two blocks alike
    }
    FlushFileBuffers(file);
    CloseHandle(file);
    return good;
}

class Stopwatch {
public:
    Stopwatch() noexcept { QueryPerformanceCounter(&m_start); }
    double seconds() const noexcept {
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(now.QuadPart - m_start.QuadPart) / static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER m_start;
};

inline double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
inline std::string
format(const char* pattern, ...) {
    char text[512];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(text, sizeof text, pattern, args);
    va_end(args);
    return text;
}

inline void row(const std::string& measure, const std::string& figure, const std::string& goal, bool met) {
    std::printf("ROW\t%s\t%s\t%s\t%s\n", measure.c_str(), figure.c_str(), goal.c_str(), met ? "met" : "not met");
    std::fflush(stdout);
}

}  // namespace bench
