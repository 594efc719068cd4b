#include "platform/win32/Win32FileSystem.h"

#include "platform/AutomationError.h"
#include "platform/BackupCopy.h"
#include "platform/win32/RenameOpenFile.h"
#include "platform/win32/SystemMessage.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <vector>

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

std::wstring fullPath(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(n, L'\0');
    if (n == 0 || (n = GetFullPathNameW(path.c_str(), n, full.data(), nullptr)) == 0 || n >= full.size()) return path;
    full.resize(n);
    return full;
}

// The path as the file system names it: whole, with each part that exists
// in its long form (a short 8.3 name expanded), the rest as given.
std::wstring expanded(const std::wstring& path) {
    const std::wstring full = fullPath(path), form = longPathForm(full);
    DWORD n = GetLongPathNameW(form.c_str(), nullptr, 0);
    std::wstring expansion(n, L'\0');
    if (n != 0 && (n = GetLongPathNameW(form.c_str(), expansion.data(), n)) != 0 && n < expansion.size()) {
        expansion.resize(n);
        return shown(expansion);
    }
    // It does not exist (yet): its folder may.
    const size_t slash = full.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash < 3 || slash + 1 >= full.size()) return full;
    return expanded(full.substr(0, slash)) + full.substr(slash);
}

autosave::FileStatus statusOf(DWORD code) {
    using Kind = autosave::FileStatus::Kind;
    Kind kind = Kind::Failed;
    switch (code) {
    case ERROR_SUCCESS: return {};
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: kind = Kind::NotFound; break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: kind = Kind::Exists; break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED: kind = Kind::Busy; break;
    default: break;
    }
    return {kind, runtimeErrorFor(code), systemMessage(code)};
}

// The status of the step: the injected fault, or else what `call` returns
// (true, or false with the last error).
template <typename Call>
autosave::FileStatus run(const Win32FileOperations& files, BackupStep step, Call call) {
    if (const DWORD code = files.fault(step); code != ERROR_SUCCESS) return statusOf(code);
    return call() ? autosave::FileStatus{} : statusOf(GetLastError());
}

class Win32OpenFile final : public autosave::OpenFile {
public:
    explicit Win32OpenFile(unique_hfile file) : m_file(std::move(file)) {}
    HANDLE handle() const { return m_file.get(); }

private:
    unique_hfile m_file;
};

HANDLE handleOf(autosave::OpenFile& file) { return static_cast<Win32OpenFile&>(file).handle(); }

// The self-relative descriptor with the access list of `path`; empty where
// the file system keeps none. False when it cannot be read.
bool accessListOf(const std::wstring& path, std::vector<BYTE>& descriptor) {
    DWORD needed = 0;
    GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed == 0) return GetLastError() == ERROR_NOT_SUPPORTED;
    descriptor.resize(needed);
    return GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), needed, &needed);
}

}  // namespace

autosave::FileStatus Win32FileOperations::attributes(const std::string& path, Attributes& out) {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    auto status = run(*this, BackupStep::Exists, [&] {
        attributes = GetFileAttributesW(longPathForm(widen(path)).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES;
    });
    if (status.succeeded())
        out = {(attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, (attributes & FILE_ATTRIBUTE_READONLY) != 0};
    return status;
}

autosave::FileStatus Win32FileOperations::openToRead(const std::string& path,
                                                     std::unique_ptr<autosave::OpenFile>& file) {
    return run(*this, BackupStep::OpenSource, [&] {
        unique_hfile input(CreateFileW(longPathForm(widen(path)).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!input) return false;
        file = std::make_unique<Win32OpenFile>(std::move(input));
        return true;
    });
}

autosave::FileStatus Win32FileOperations::createNew(const std::string& path, const std::string& like,
                                                    std::unique_ptr<autosave::OpenFile>& file) {
    return run(*this, BackupStep::CreateTemporary, [&] {
        const std::wstring source = longPathForm(widen(like));
        std::vector<BYTE> descriptor;
        if (!accessListOf(source, descriptor)) return false;
        SECURITY_ATTRIBUTES security{sizeof security, descriptor.empty() ? nullptr : descriptor.data(), FALSE};
        const DWORD sourceAttributes = GetFileAttributesW(source.c_str());
        DWORD attributes = FILE_ATTRIBUTE_NORMAL;
        if (sourceAttributes != INVALID_FILE_ATTRIBUTES && (sourceAttributes & FILE_ATTRIBUTE_ENCRYPTED))
            attributes = FILE_ATTRIBUTE_ENCRYPTED;
        // DELETE: to make it delete-pending.
        unique_hfile output(CreateFileW(longPathForm(widen(path)).c_str(), GENERIC_WRITE | DELETE, 0, &security,
                                        CREATE_NEW, attributes, nullptr));
        if (!output) return false;
        file = std::make_unique<Win32OpenFile>(std::move(output));
        return true;
    });
}

autosave::FileStatus Win32FileOperations::read(autosave::OpenFile& file, char* buffer, std::size_t size,
                                               std::size_t& got) {
    DWORD n = 0;
    if (!ReadFile(handleOf(file), buffer, static_cast<DWORD>(size), &n, nullptr)) return statusOf(GetLastError());
    got = n;
    return {};
}

autosave::FileStatus Win32FileOperations::write(autosave::OpenFile& file, const char* data, std::size_t size) {
    return run(*this, BackupStep::Copy, [&] {
        DWORD written = 0;
        if (!WriteFile(handleOf(file), data, static_cast<DWORD>(size), &written, nullptr)) return false;
        if (written == size) return true;
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    });
}

autosave::FileStatus Win32FileOperations::flush(autosave::OpenFile& file) {
    return run(*this, BackupStep::Flush, [&] { return FlushFileBuffers(handleOf(file)) != FALSE; });
}

autosave::FileStatus Win32FileOperations::deleteWhenClosed(autosave::OpenFile& file, bool pending) {
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(pending ? TRUE : FALSE)};
    if (SetFileInformationByHandle(handleOf(file), FileDispositionInfo, &disposition, sizeof disposition)) return {};
    return statusOf(GetLastError());
}

autosave::FileStatus Win32FileOperations::replace(autosave::OpenFile& file, const std::string& to, std::string& keep) {
    const std::wstring target = longPathForm(widen(to));
    if (const DWORD code = fault(BackupStep::Rename); code != ERROR_SUCCESS) return statusOf(code);
    // Windows refuses to rename over a read-only file; Wine running as root
    // does not, so look first. Refused for good, not busy.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return {autosave::FileStatus::Kind::Failed, 70, systemMessage(ERROR_ACCESS_DENIED)};
    if (!keep.empty()) {
        // Busy (someone holds it open and would not let it go) before it
        // gets a second name that could not go either; never a second name
        // for a link's target.
        unique_hfile probe(CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!probe && GetLastError() == ERROR_SHARING_VIOLATION) {
            keep.clear();
            return statusOf(ERROR_SHARING_VIOLATION);
        }
        probe.reset();
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            !CreateHardLinkW(longPathForm(widen(keep)).c_str(), target.c_str(), nullptr))
            keep.clear();
    }
    // Through the open handle, so that the file is never without a handle
    // that would take it along. A rename replaces the directory entry, so a
    // link at `to` is replaced itself and whatever it pointed to stays as it
    // was.
    const HANDLE handle = handleOf(file);
    if (!rename_open_file(handle, target)) return statusOf(GetLastError());
    // The new name on the disk with the file's own metadata.
    if (!FlushFileBuffers(handle)) return statusOf(GetLastError());
    return {};
}

autosave::FileStatus Win32FileOperations::remove(const std::string& path) {
    return run(*this, BackupStep::Remove, [&] { return DeleteFileW(longPathForm(widen(path)).c_str()) != FALSE; });
}

autosave::FileStatus Win32FileOperations::discard(const std::string& path, unsigned long long step) {
    return run(*this, BackupStep::Remove, [&] {
        unique_hfile file(CreateFileW(longPathForm(widen(path)).c_str(), GENERIC_WRITE | DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        BY_HANDLE_FILE_INFORMATION information{};
        if (!file || !GetFileInformationByHandle(file.get(), &information)) return false;
        if (step == 0 || information.nNumberOfLinks != 1 ||
            (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return true;
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.get(), &size)) return false;
        for (long long end = size.QuadPart; end > 0;) {
            end = end > static_cast<long long>(step) ? end - static_cast<long long>(step) : 0;
            FILE_END_OF_FILE_INFO info{};
            info.EndOfFile.QuadPart = end;
            if (!SetFileInformationByHandle(file.get(), FileEndOfFileInfo, &info, sizeof info)) return false;
        }
        return true;
    });
}

std::vector<std::string> Win32FileOperations::filesStartingWith(const std::string& prefix) {
    std::vector<std::string> paths;
    const size_t slash = prefix.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? std::string() : prefix.substr(0, slash + 1);
    WIN32_FIND_DATAW data;
    unique_hfind find(FindFirstFileW(longPathForm(widen(prefix) + L"*").c_str(), &data));
    if (!find) return paths;
    do
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) paths.push_back(folder + narrow(data.cFileName));
    while (FindNextFileW(find.get(), &data));
    return paths;
}

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
    if (path.empty()) return false;
    autosave::FileOperations::Attributes attributes;
    const autosave::FileStatus status = m_files.attributes(path, attributes);
    // Only "no such file" means no backup without a word.
    if (status.kind == autosave::FileStatus::Kind::NotFound) return false;
    if (!status.succeeded())
        throw autosave::AutomationError(status.number,
                                        "Cannot tell whether the document exists '" + path + "': " + status.message);
    return !attributes.directory;
}

std::string Win32FileSystem::backupName(const std::string& document) {
    return narrow(expanded(widen(document))) + ".bak";
}

bool Win32FileSystem::sameFile(const std::string& a, const std::string& b) {
    const std::wstring first = expanded(widen(a)), second = expanded(widen(b));
    return CompareStringOrdinal(first.c_str(), static_cast<int>(first.size()), second.c_str(),
                                static_cast<int>(second.size()), TRUE) == CSTR_EQUAL;
}

namespace {

// One backup on its own thread.
struct BackupWork {
    BackupWork(Win32FileOperations& files, const std::string& source, const std::string& backup)
        : files(files), source(source), backup(backup) {}

    Win32FileOperations& files;
    const std::string& source;
    const std::string& backup;
    std::atomic<unsigned long long> copied{0};
    std::atomic<bool> cancel{false};
    bool cancelled = false;
    std::exception_ptr failure;

    void run() {
        try {
            autosave::replaceBackup(files, source, backup, Win32FileSystem::kSizes, [this](unsigned long long n) {
                copied = n;
                return !cancel;
            });
        } catch (const autosave::BackupCancelled&) {
            cancelled = true;
        } catch (...) {
            failure = std::current_exception();
        }
    }
    static DWORD WINAPI start(void* work) {
        static_cast<BackupWork*>(work)->run();
        return 0;
    }
};

constexpr DWORD kWatchInterval = 50;

BOOL CALLBACK repaint(HWND window, LPARAM) {
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return TRUE;
}

}  // namespace

bool Win32FileSystem::cancelRequested() {
    // Escape, while a window of this process has the keyboard.
    DWORD process = 0;
    const HWND foreground = GetForegroundWindow();
    if (!foreground || !GetWindowThreadProcessId(foreground, &process) || process != GetCurrentProcessId())
        return false;
    return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0;
}

bool Win32FileSystem::replaceBackup(const std::string& source, const std::string& backup,
                                    const autosave::BackupWatch& watch) {
    BackupWork work(m_files, source, backup);
    unique_handle thread(CreateThread(nullptr, 0, &BackupWork::start, &work, 0, nullptr));
    if (!thread) {
        work.run();
    } else {
        // Only what repaints the caller's windows: input waits in the queue,
        // and messages other threads send wait with their senders, so that
        // nothing re-enters the host while its save event is still running.
        const HANDLE handle = thread.get();
        std::exception_ptr watchFailure;  // raised once the copy has ended
        while (MsgWaitForMultipleObjectsEx(1, &handle, kWatchInterval, QS_PAINT, 0) != WAIT_OBJECT_0) {
            // Painted where they are, without taking a message from the
            // queue: under Wine any message retrieval, filtered or not,
            // also delivers messages sent from other threads.
            EnumThreadWindows(GetCurrentThreadId(), &repaint, 0);
            try {
                if (watch && !watchFailure) watch(work.copied);
            } catch (...) {
                watchFailure = std::current_exception();
            }
            if (cancelRequested()) work.cancel = true;
        }
        if (watchFailure && !work.failure) std::rethrow_exception(watchFailure);
    }
    if (work.failure) std::rethrow_exception(work.failure);
    return !work.cancelled;
}

}  // namespace win32
