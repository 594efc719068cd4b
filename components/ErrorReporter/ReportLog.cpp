#include "components/ErrorReporter/ReportLog.h"

#include "platform/win32/ComBoundary.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include <shlobj.h>

#include <cstdio>

namespace components {

std::string escape_field(std::wstring_view text) {
    // Escaping the UTF-8 bytes is safe: multi-byte sequences hold no ASCII.
    std::string utf8 = win32::narrow(text);
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::string format_report_line(const SYSTEMTIME& t, DWORD processId, const Report& r) {
    char head[64];
    std::snprintf(head, sizeof head, "%04u-%02u-%02uT%02u:%02u:%02u\t%lu", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond, static_cast<unsigned long>(processId));
    std::string line = head;
    auto text = [&line](std::wstring_view v) { line += '\t'; line += escape_field(v); };
    auto number = [&line](long v) { line += '\t'; line += std::to_string(v); };
    text(r.source);
    text(r.description);
    text(r.helpFile);
    number(r.helpContext);
    number(r.number);
    text(r.label);
    number(r.style);
    number(r.flag1);
    number(r.flag2);
    line += "\r\n";
    return line;
}

HRESULT append_to_log(const std::wstring& path, std::string_view line) {
    if (path.empty()) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 0) {
        // Failure shows up below, when the file cannot be opened.
        SHCreateDirectoryExW(nullptr, path.substr(0, slash).c_str(), nullptr);
    }
    // Append-only access makes every write land at the current end of the
    // file, even when other processes are appending at the same time.
    win32::unique_hfile file(CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return win32::last_error_hr();
    DWORD written = 0;
    if (!WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr))
        return win32::last_error_hr();
    if (written != line.size()) return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
    return S_OK;
}

}  // namespace components
