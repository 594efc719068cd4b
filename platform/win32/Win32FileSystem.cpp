#include "platform/win32/Win32FileSystem.h"

#include "platform/AutomationError.h"
#include "platform/win32/SystemMessage.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include <algorithm>
#include <atomic>
#include <memory>

namespace win32 {
namespace {

std::string systemMessage(DWORD code) {
    std::wstring message = system_message(code);
    if (message.empty()) return "system error " + std::to_string(code);
    return narrow(message);
}

constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";

// The path as the user gave it, without the long-path prefix added below.
std::wstring shown(const std::wstring& path) {
    if (path.starts_with(kLongUncPrefix)) return L"\\\\" + path.substr(kLongUncPrefix.size());
    if (path.starts_with(kLongPrefix)) return path.substr(kLongPrefix.size());
    return path;
}

// Paths from MAX_PATH characters on in the long form, which Windows takes
// without the classic limit; shorter ones as given.
std::wstring longPathForm(const std::wstring& path) {
    if (path.size() < MAX_PATH || path.starts_with(kLongPrefix) || path.starts_with(L"\\\\.\\")) return path;
    // The long form is taken literally, so resolve ".", "..", "/" and
    // trailing dots and blanks first, as the short form would have.
    std::wstring full(path.size() + 1, L'\0');
    for (;;) {
        const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return path;
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n);
    }
    if (full.starts_with(L"\\\\")) return std::wstring(kLongUncPrefix) + full.substr(2);
    return std::wstring(kLongPrefix) + full;
}

[[noreturn]] void fail(const char* step, const std::wstring& path, DWORD code) {
    throw autosave::AutomationError(runtimeErrorFor(code),
                                    std::string(step) + " '" + narrow(shown(path)) + "': " + systemMessage(code));
}

// A read-only backup is the user's wish to keep it. Windows refuses to
// rename over it; Wine running as root does not, so look first.
void refuseReadOnly(const std::wstring& backup) {
    const DWORD attributes = GetFileAttributesW(backup.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        fail("Cannot replace the backup file", backup, ERROR_ACCESS_DENIED);
}

// "<first characters of the backup's name>.<pid>.<n>.tmp" beside the backup:
// never longer than 58 characters, so a backup whose own name is near the
// file system's 255-character limit still gets one.
std::wstring temporaryPrefix(const std::wstring& backup) {
    constexpr size_t kStemLength = 32;
    const size_t slash = backup.find_last_of(L"\\/");
    const size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    size_t stem = std::min(kStemLength, backup.size() - nameStart);
    // Never cut a surrogate pair in two.
    if (stem > 0 && IS_HIGH_SURROGATE(backup[nameStart + stem - 1])) --stem;
    return backup.substr(0, nameStart + stem) + L"." + std::to_wstring(GetCurrentProcessId()) + L".";
}

// The temporary copy: deleted again unless it was renamed into place.
class TemporaryFile {
public:
    TemporaryFile(std::wstring path, unique_hfile file) : m_path(std::move(path)), m_file(std::move(file)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        m_file.reset();
        if (!m_renamed) DeleteFileW(m_path.c_str());
    }

    HANDLE handle() const { return m_file.get(); }
    const std::wstring& path() const { return m_path; }
    void close() { m_file.reset(); }
    void renamed() { m_renamed = true; }

private:
    std::wstring m_path;
    unique_hfile m_file;
    bool m_renamed = false;
};

std::atomic<unsigned long> g_temporaryCounter{0};

}  // namespace

std::int32_t runtimeErrorFor(DWORD code) noexcept {
    switch (code) {
    case ERROR_FILE_NOT_FOUND: return 53;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH: return 76;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return 70;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return 61;
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_CRC:
    case ERROR_GEN_FAILURE:
    case ERROR_NOT_READY: return 57;
    default: return 75;
    }
}

bool Win32FileSystem::fileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesW(longPathForm(widen(path)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void Win32FileSystem::replaceBackup(const std::string& sourcePath, const std::string& backupPath) {
    const std::wstring source = longPathForm(widen(sourcePath));
    const std::wstring backup = longPathForm(widen(backupPath));
    refuseReadOnly(backup);

    // The host may hold the document open in any way; only read it.
    DWORD code = fault(BackupStep::OpenSource);
    unique_hfile input;
    if (code == ERROR_SUCCESS) {
        input.reset(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!input) code = GetLastError();
    }
    if (code != ERROR_SUCCESS) fail("Cannot open the document to back it up", source, code);

    // CREATE_NEW: a name that exists (a stale copy, or a link someone
    // planted) is skipped, never opened.
    std::unique_ptr<TemporaryFile> temporary;
    const std::wstring prefix = temporaryPrefix(backup);
    for (int attempt = 0; !temporary; ++attempt) {
        std::wstring path = longPathForm(prefix + std::to_wstring(++g_temporaryCounter) + L".tmp");
        code = fault(BackupStep::CreateTemporary);
        if (code == ERROR_SUCCESS) {
            unique_hfile file(
                CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (file) {
                temporary = std::make_unique<TemporaryFile>(std::move(path), std::move(file));
                break;
            }
            code = GetLastError();
        }
        if ((code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) || attempt == 100)
            fail("Cannot create the temporary backup file", path, code);
    }

    std::unique_ptr<char[]> buffer(new char[kChunkSize]);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(input.get(), buffer.get(), kChunkSize, &got, nullptr))
            fail("Cannot read the document to back it up", source, GetLastError());
        if (got == 0) break;
        code = fault(BackupStep::Copy);
        DWORD written = 0;
        if (code == ERROR_SUCCESS && !WriteFile(temporary->handle(), buffer.get(), got, &written, nullptr))
            code = GetLastError();
        if (code == ERROR_SUCCESS && written != got) code = ERROR_WRITE_FAULT;
        if (code != ERROR_SUCCESS) fail("Cannot write the temporary backup file", temporary->path(), code);
    }
    input.reset();

    code = fault(BackupStep::Flush);
    if (code == ERROR_SUCCESS && !FlushFileBuffers(temporary->handle())) code = GetLastError();
    if (code != ERROR_SUCCESS) fail("Cannot flush the temporary backup file", temporary->path(), code);
    temporary->close();

    // A rename replaces the directory entry, so a link at `backup` is
    // replaced itself and whatever it pointed to stays as it was.
    code = fault(BackupStep::Rename);
    // Again: it may have been made read-only while the copy was written.
    if (code == ERROR_SUCCESS) refuseReadOnly(backup);
    if (code == ERROR_SUCCESS &&
        !MoveFileExW(temporary->path().c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        code = GetLastError();
    if (code != ERROR_SUCCESS) fail("Cannot replace the backup file", backup, code);
    temporary->renamed();
}

}  // namespace win32
