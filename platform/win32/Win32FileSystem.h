#pragma once

#include "platform/FileSystem.h"

#include <windows.h>

#include <functional>
#include <string>

namespace win32 {

// The steps of replaceBackup, in the order they run.
enum class BackupStep { OpenSource, CreateTemporary, Copy, Flush, Rename };

// Asked before each step (before every chunk written for Copy): ERROR_SUCCESS
// lets the step run, any other code makes it fail with that code. Lets the
// tests fail each step on a real file system.
using BackupFaults = std::function<DWORD(BackupStep)>;

// Files through kernel32's Unicode functions.
//
// replaceBackup copies `source` into "<backup>.<pid>.<n>.tmp" (created new,
// so nothing else is ever written through; of the backup's name only the
// first 32 characters), flushes it and renames it over `backup`; a link at
// `backup` is replaced, not followed, and a read-only `backup` is refused
// with access denied. Paths of MAX_PATH characters and more go to the system
// in their long form (\\?\), so length alone never fails a backup.
// Failures raise the run-time error that fits the system error: 53 file not
// found, 76 path not found, 70 permission denied (access, sharing or lock),
// 61 disk full, 57 device I/O error, 75 path/file access error for the rest;
// the description names the step, the file and the system's message.
class Win32FileSystem final : public autosave::FileSystem {
public:
    explicit Win32FileSystem(BackupFaults faults = {}) : m_faults(std::move(faults)) {}

    bool fileExists(const std::string& path) override;
    void replaceBackup(const std::string& source, const std::string& backup) override;

    static constexpr DWORD kChunkSize = 1 << 20;

private:
    DWORD fault(BackupStep step) const { return m_faults ? m_faults(step) : ERROR_SUCCESS; }

    BackupFaults m_faults;
};

// The run-time error number for a Win32 error code, as above.
std::int32_t runtimeErrorFor(DWORD code) noexcept;

}  // namespace win32
