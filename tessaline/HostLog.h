// The host's log: one line per event, to stdout or to a file, flushed at once
// so that a test reading it sees every line the host wrote before it died.
#pragma once

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace tessaline {

class HostLog {
public:
    HostLog() = default;
    // Sends further lines to the file at path (created afresh); false when it cannot be opened.
    bool open(const std::wstring& path);

    void line(std::string_view text);
    // "call <what> -> 0x........" with the detail appended when there is one.
    void call(std::string_view what, HRESULT hr, std::string_view detail = {});

    static std::string hex(HRESULT hr);

private:
    struct Closer {
        void operator()(std::FILE* f) const noexcept { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> m_file;
};

}  // namespace tessaline
