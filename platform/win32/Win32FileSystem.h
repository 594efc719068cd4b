#pragma once

#include "platform/BackupCopy.h"
#include "platform/FileOperations.h"
#include "platform/FileSystem.h"

#include <windows.h>

#include <functional>
#include <string>

namespace win32 {

// The steps of a backup, in the order they run, and the existence test.
enum class BackupStep { OpenSource, CreateTemporary, Copy, Flush, Rename, Remove, Exists };

// Asked before each step (before every chunk written for Copy, before every
// attempt for Rename): ERROR_SUCCESS lets the step run, any other code makes
// it fail with that code. Lets the tests fail each step on a real file system.
using BackupFaults = std::function<DWORD(BackupStep)>;

// The file operations of a backup through kernel32's Unicode functions.
// Paths of MAX_PATH characters and more go to the system in their long form
// (\\?\), so length alone never fails a backup. The temporary file is created
// new with the source's access list and encryption; its read-only attribute
// and the rest of its attributes are not carried over.
class Win32FileOperations final : public autosave::FileOperations {
public:
    explicit Win32FileOperations(BackupFaults faults = {}) : m_faults(std::move(faults)) {}

    autosave::FileStatus attributes(const std::string& path, Attributes& out) override;
    autosave::FileStatus openToRead(const std::string& path, std::unique_ptr<autosave::OpenFile>& file) override;
    autosave::FileStatus createNew(const std::string& path, const std::string& like,
                                   std::unique_ptr<autosave::OpenFile>& file) override;
    autosave::FileStatus read(autosave::OpenFile& file, char* buffer, std::size_t size, std::size_t& got) override;
    autosave::FileStatus write(autosave::OpenFile& file, const char* data, std::size_t size) override;
    autosave::FileStatus flush(autosave::OpenFile& file) override;
    autosave::FileStatus deleteWhenClosed(autosave::OpenFile& file, bool pending) override;
    autosave::FileStatus replace(autosave::OpenFile& file, const std::string& to, std::string& keep) override;
    autosave::FileStatus remove(const std::string& path) override;
    autosave::FileStatus discard(const std::string& path, unsigned long long step) override;
    std::vector<std::string> filesStartingWith(const std::string& prefix) override;
    unsigned long processId() override { return GetCurrentProcessId(); }
    void pause(int milliseconds) override { Sleep(static_cast<DWORD>(milliseconds)); }

    DWORD fault(BackupStep step) const { return m_faults ? m_faults(step) : ERROR_SUCCESS; }

private:
    BackupFaults m_faults;
};

// Backups through the operations above (see replaceBackup in
// platform/BackupCopy.h). Failures raise the run-time error that fits the
// system error: 53 file not found, 76 path not found, 70 permission denied
// (access, sharing or lock), 61 disk full, 57 device I/O error, 75 path/file
// access error for the rest; the description names the step, the file and
// the system's message.
//
// The copy runs on a thread of its own while the calling thread waits,
// dispatching only paint messages (no input, nothing sent from other threads)
// and calling the watch; Escape pressed in a window of this process cancels
// it.
class Win32FileSystem final : public autosave::FileSystem {
public:
    explicit Win32FileSystem(BackupFaults faults = {}) : m_files(std::move(faults)) {}

    bool fileExists(const std::string& path) override;
    std::string backupName(const std::string& document) override;
    bool sameFile(const std::string& a, const std::string& b) override;
    bool replaceBackup(const std::string& source, const std::string& backup,
                       const autosave::BackupWatch& watch = {}) override;

    static constexpr DWORD kChunkSize = 1 << 20;
    static constexpr autosave::BackupSizes kSizes{kChunkSize, 32ull << 20, 8ull << 20};

private:
    static bool cancelRequested();

    Win32FileOperations m_files;
};

// The run-time error number for a Win32 error code, as above.
std::int32_t runtimeErrorFor(DWORD code) noexcept;

}  // namespace win32
