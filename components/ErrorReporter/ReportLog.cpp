#include "components/ErrorReporter/ReportLog.h"

#include "platform/win32/ComBoundary.h"
#include "platform/win32/RenameOpenFile.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
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

namespace {

// Bytes of the UTF-8 character or escape that starts at field[at].
size_t unit_length(const std::string& field, size_t at) {
    const auto lead = static_cast<unsigned char>(field[at]);
    size_t n = lead == '\\' ? 2 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return std::min(n, field.size() - at);
}

// The escaped field cut to at most limit bytes, between two characters or
// escapes, ending in the cut marker.
std::string cut_field(const std::string& field, size_t limit) {
    const size_t room = limit > kCutMarker.size() ? limit - kCutMarker.size() : 0;
    size_t end = 0;
    while (end < field.size() && end + unit_length(field, end) <= room) end += unit_length(field, end);
    return field.substr(0, end) + std::string(kCutMarker);
}

// Shortens the longest fields until they fit budget together: each field
// shorter than an even share of what is left keeps all of it.
void fit_fields(std::string* fields[], size_t count, size_t budget) {
    std::sort(fields, fields + count, [](const std::string* a, const std::string* b) { return a->size() < b->size(); });
    for (size_t i = 0; i < count; ++i) {
        const size_t share = budget / (count - i);
        if (fields[i]->size() > share) *fields[i] = cut_field(*fields[i], share);
        budget -= std::min(budget, fields[i]->size());
    }
}

}  // namespace

std::string format_report_line(const SYSTEMTIME& t, DWORD processId, const Report& r) {
    char head[64];
    std::snprintf(head, sizeof head, "%04u-%02u-%02uT%02u:%02u:%02u\t%lu", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond, static_cast<unsigned long>(processId));
    std::string source = escape_field(r.source), description = escape_field(r.description),
                helpFile = escape_field(r.helpFile), label = escape_field(r.label);
    auto number = [](long v) { return '\t' + std::to_string(v); };
    const std::string helpContext = number(r.helpContext), reportNumber = number(r.number),
                      tail = number(r.style) + number(r.flag1) + number(r.flag2) + "\r\n";
    // Four tabs before the texts; the numbers bring their own.
    const size_t fixed = std::strlen(head) + 4 + helpContext.size() + reportNumber.size() + tail.size();
    if (fixed + source.size() + description.size() + helpFile.size() + label.size() > kMaxLineSize) {
        std::string* texts[] = {&source, &description, &helpFile, &label};
        fit_fields(texts, 4, kMaxLineSize - fixed);
    }
    return head + ('\t' + source) + ('\t' + description) + ('\t' + helpFile) + helpContext + reportNumber +
           ('\t' + label) + tail;
}

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A plain file with this one name: not a link (reparse point or a second
// hard link, which would make the log another file), a folder or a device.
bool is_own_regular_file(HANDLE file, BY_HANDLE_FILE_INFORMATION* info = nullptr) {
    BY_HANDLE_FILE_INFORMATION found{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &found)) return false;
    if (info) *info = found;
    return !(found.dwFileAttributes &
             (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) &&
           found.nNumberOfLinks <= 1;
}

bool same_file(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

// The link itself is opened, never what it points at, and refused.
win32::unique_hfile open_regular(const std::wstring& path, DWORD access, DWORD disposition,
                                 BY_HANDLE_FILE_INFORMATION* info = nullptr) {
    win32::unique_hfile file(CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES, kShareAll, nullptr, disposition,
                                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file && !is_own_regular_file(file.get(), info)) {
        file.reset();
        SetLastError(ERROR_ACCESS_DENIED);
    }
    return file;
}

win32::unique_hfile open_for_append(const std::wstring& path, BY_HANDLE_FILE_INFORMATION* info) {
    // Append-only access makes every write land at the current end of the
    // file, even when other processes are appending at the same time.
    return open_regular(path, FILE_APPEND_DATA | SYNCHRONIZE, OPEN_ALWAYS, info);
}

bool needs_rotation(HANDLE file, size_t lineSize) {
    LARGE_INTEGER size{};
    return GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
           static_cast<unsigned long long>(size.QuadPart) + lineSize > kLogRotationSize;
}

// Renames the log to "<path>.1" through a handle of its own, so that only a
// file found too large moves: when another process has just rotated, the
// handle finds the new, small file and leaves it. Only the file appended to
// moves, and only a plain file at "<path>.1" is replaced. Failing that
// (someone holds the file without sharing deletion), the log simply grows on.
void rotate(const std::wstring& path, const BY_HANDLE_FILE_INFORMATION& log, size_t lineSize) {
    BY_HANDLE_FILE_INFORMATION found{};
    win32::unique_hfile file = open_regular(path, DELETE, OPEN_EXISTING, &found);
    if (!file || !same_file(found, log) || !needs_rotation(file.get(), lineSize)) return;
    const std::wstring older = path + L".1";
    if (GetFileAttributesW(older.c_str()) != INVALID_FILE_ATTRIBUTES && !open_regular(older, 0, OPEN_EXISTING)) return;
    // A rename refused leaves the log growing on, as said above.
    (void)win32::rename_open_file(file.get(), older);
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
    BY_HANDLE_FILE_INFORMATION opened{};
    win32::unique_hfile file = open_for_append(path, &opened);
    if (file && needs_rotation(file.get(), line.size())) {
        rotate(path, opened, line.size());
        file = open_for_append(path, &opened);
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
