#include "components/ErrorReporter/ReportLog.h"

#include "platform/win32/ComBoundary.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <vector>

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
    auto text = [&line](std::wstring_view v) {
        line += '\t';
        line += escape_field(v);
    };
    auto number = [&line](long v) {
        line += '\t';
        line += std::to_string(v);
    };
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

namespace {

win32::unique_hfile open_for_append(const std::wstring& path) {
    // Append-only access makes every write land at the current end of the
    // file, even when other processes are appending at the same time.
    return win32::unique_hfile(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool needs_rotation(HANDLE file, size_t lineSize) {
    LARGE_INTEGER size{};
    return GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
           static_cast<unsigned long long>(size.QuadPart) + lineSize > kLogRotationSize;
}

// Renames the log to "<path>.1" through a handle of its own, so that only a
// file found too large moves: when another process has just rotated, the
// handle finds the new, small file and leaves it. Failing that (someone
// holds the file without sharing deletion), the log simply grows on.
void rotate(const std::wstring& path, size_t lineSize) {
    win32::unique_hfile file(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || !needs_rotation(file.get(), lineSize)) return;
    const std::wstring older = path + L".1";
    std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + older.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(older.size() * sizeof(wchar_t));
    std::copy(older.begin(), older.end(), rename->FileName);
    SetFileInformationByHandle(file.get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size()));
}

void write_to_debugger(std::string_view line) {
    std::wstring text = L"ErrorReporter: " + win32::widen(line);
    OutputDebugStringW(text.c_str());
}

}  // namespace

HRESULT append_to_log(const std::wstring& path, std::string_view line) {
    if (path.empty()) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 0) {
        // Failure shows up below, when the file cannot be opened.
        SHCreateDirectoryExW(nullptr, path.substr(0, slash).c_str(), nullptr);
    }
    win32::unique_hfile file = open_for_append(path);
    if (file && needs_rotation(file.get(), line.size())) {
        rotate(path, line.size());
        file = open_for_append(path);
    }
    if (!file) return win32::last_error_hr();
    DWORD written = 0;
    if (!WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr))
        return win32::last_error_hr();
    if (written != line.size()) return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
    return S_OK;
}

std::wstring fallback_log_file() {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0 || n > MAX_PATH) return {};
    return std::wstring(folder, n) + L"Morvane\\ErrorReporter\\ErrorReports.log";
}

void record_report_line(const std::wstring& path, std::string_view line) noexcept {
    try {
        // A full disk or a bad path must not turn every report into a
        // failure at the caller: the report goes elsewhere instead.
        if (SUCCEEDED(append_to_log(path, line))) return;
        const std::wstring fallback = fallback_log_file();
        if (!fallback.empty() && lstrcmpiW(fallback.c_str(), path.c_str()) != 0 &&
            SUCCEEDED(append_to_log(fallback, line)))
            return;
        write_to_debugger(line);
    } catch (...) {
        // Out of memory for a path or a conversion: nowhere left to write.
    }
}

}  // namespace components
