#include "tessaline/HostLog.h"

namespace tessaline {

bool HostLog::open(const std::wstring& path) {
    std::FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    m_file.reset(f);
    return true;
}

void HostLog::line(std::string_view text) {
    std::FILE* out = m_file ? m_file.get() : stdout;
    std::fwrite(text.data(), 1, text.size(), out);
    std::fputc('\n', out);
    std::fflush(out);
}

void HostLog::call(std::string_view what, HRESULT hr, std::string_view detail) {
    std::string text = "call ";
    text += what;
    text += " -> ";
    text += hex(hr);
    if (!detail.empty()) {
        text += " (";
        text += detail;
        text += ')';
    }
    line(text);
}

std::string HostLog::hex(HRESULT hr) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08lX", static_cast<unsigned long>(hr));
    return buffer;
}

}  // namespace tessaline
