#include "platform/BackupCopy.h"

#include "platform/AutomationError.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <memory>

namespace autosave {
namespace {

std::atomic<unsigned long> g_temporaryCounter{0};

[[noreturn]] void fail(const char* step, const std::string& path, const FileStatus& status) {
    throw AutomationError(status.number, std::string(step) + " '" + path + "': " + status.message);
}

// A read-only backup is the user's wish to keep it.
void refuseReadOnly(FileOperations& files, const std::string& backup) {
    FileOperations::Attributes attributes;
    if (files.attributes(backup, attributes).succeeded() && attributes.readOnly)
        fail("Cannot replace the backup file", backup, {FileStatus::Kind::Failed, 70, "Permission denied"});
}

bool isDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// "<pid>.<n>.tmp", as only a backup names its temporary files.
bool isTemporaryTail(std::string_view tail) {
    constexpr std::string_view kExtension = ".tmp";
    if (!tail.ends_with(kExtension)) return false;
    tail.remove_suffix(kExtension.size());
    const size_t dot = tail.find('.');
    return dot != std::string_view::npos && isDigits(tail.substr(0, dot)) && isDigits(tail.substr(dot + 1));
}

// Sleeps between the attempts to rename over a busy backup: about 0.6 s in all.
constexpr int kBusyPauses[] = {10, 20, 40, 80, 160, 320};

struct Temporary {
    std::string path;
    std::unique_ptr<OpenFile> file;
    bool pending = false;  // goes by itself when closed
};

// Pending except for the moment of each attempt, and the previous backup's
// second name made anew for each: a process killed while it waits for a
// busy backup leaves neither behind. `keep` as replace() takes it.
FileStatus replaceRetryingWhileBusy(FileOperations& files, Temporary& temporary, const std::string& to,
                                    std::string& keep) {
    const std::string offered = keep;
    FileStatus status;
    for (size_t attempt = 0;; ++attempt) {
        if (temporary.pending) {
            status = files.deleteWhenClosed(*temporary.file, false);
            if (!status.succeeded()) fail("Cannot keep the temporary backup file", temporary.path, status);
            temporary.pending = false;
        }
        keep = offered;
        status = files.replace(*temporary.file, to, keep);
        if (status.kind != FileStatus::Kind::Busy || attempt == std::size(kBusyPauses)) return status;
        if (!keep.empty()) files.remove(keep);
        temporary.pending = files.deleteWhenClosed(*temporary.file, true).succeeded();
        files.pause(kBusyPauses[attempt]);
    }
}

std::string temporaryName(FileOperations& files, const std::string& backup) {
    return temporaryStem(backup) + std::to_string(files.processId()) + "." + std::to_string(++g_temporaryCounter) +
           ".tmp";
}

Temporary createTemporary(FileOperations& files, const std::string& source, const std::string& backup) {
    // A name that exists (a stale copy, or a link someone planted) is
    // skipped, never opened.
    for (int attempt = 0;; ++attempt) {
        Temporary temporary;
        temporary.path = temporaryName(files, backup);
        const FileStatus status = files.createNew(temporary.path, source, temporary.file);
        if (status.succeeded()) {
            // A file system without delete-pending files still gets its
            // temporary file removed below, unless the process is killed.
            temporary.pending = files.deleteWhenClosed(*temporary.file, true).succeeded();
            return temporary;
        }
        if (status.kind != FileStatus::Kind::Exists || attempt == 100)
            fail("Cannot create the temporary backup file", temporary.path, status);
    }
}

void copyAndReplace(FileOperations& files, OpenFile& input, Temporary& temporary, const std::string& source,
                    const std::string& backup, const BackupSizes& sizes, const BackupProgress& progress) {
    const std::size_t chunkSize = sizes.chunk;
    std::unique_ptr<char[]> buffer(new char[chunkSize]);
    unsigned long long copied = 0;
    for (;;) {
        std::size_t got = 0;
        FileStatus status = files.read(input, buffer.get(), chunkSize, got);
        if (!status.succeeded()) fail("Cannot read the document to back it up", source, status);
        if (got == 0) break;
        status = files.write(*temporary.file, buffer.get(), got);
        if (!status.succeeded()) fail("Cannot write the temporary backup file", temporary.path, status);
        copied += got;
        if (sizes.flushEvery && copied % sizes.flushEvery < got) {
            status = files.flush(*temporary.file);
            if (!status.succeeded()) fail("Cannot flush the temporary backup file", temporary.path, status);
        }
        if (progress && !progress(copied)) throw BackupCancelled{};
    }
    FileStatus status = files.flush(*temporary.file);
    if (!status.succeeded()) fail("Cannot flush the temporary backup file", temporary.path, status);
    // Again: it may have been made read-only while the copy was written.
    refuseReadOnly(files, backup);
    // A second name keeps the previous backup's blocks past the rename; they
    // are then freed a step at a time, not all inside the rename (under Wine
    // the rename runs in the Wine server, and while a large file's blocks
    // are freed every other thread's calls into the system wait).
    std::string previous = sizes.releaseStep ? temporaryName(files, backup) : std::string();
    status = replaceRetryingWhileBusy(files, temporary, backup, previous);
    // What cannot go now goes with the next backup.
    if (!previous.empty()) files.discard(previous, sizes.releaseStep);
    if (!status.succeeded()) fail("Cannot replace the backup file", backup, status);
}

}  // namespace

std::string temporaryStem(const std::string& backup) {
    // The file system's names hold 255 UTF-16 units; the tail
    // "<pid>.<n>.tmp" takes at most 25 of them.
    constexpr size_t kWholeName = 229, kCutName = 220;
    const size_t slash = backup.find_last_of("\\/");
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    // Whole characters: a UTF-8 continuation byte never starts one; four
    // bytes take two units.
    size_t units = 0, cut = backup.size();
    for (size_t at = start; at < backup.size(); ++at) {
        const auto byte = static_cast<unsigned char>(backup[at]);
        if ((byte & 0xC0) == 0x80) continue;
        if (units + (byte >= 0xF0 ? 2 : 1) > kCutName && cut == backup.size()) cut = at;
        units += byte >= 0xF0 ? 2 : 1;
    }
    if (units <= kWholeName) return backup + ".";
    // Cut names of different backups are told apart by a hash of the whole.
    std::uint32_t hash = 2166136261u;
    for (size_t at = start; at < backup.size(); ++at)
        hash = (hash ^ static_cast<unsigned char>(backup[at])) * 16777619u;
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(hash));
    return backup.substr(0, cut) + "~" + hex + ".";
}

void removeLeftTemporaries(FileOperations& files, const std::string& backup) {
    const std::string stem = temporaryStem(backup);
    for (const std::string& path : files.filesStartingWith(stem)) {
        // The system's name patterns match more than the prefix ("x.*" also
        // matches "x", and short names). One that another process is writing
        // is delete-pending or held open without sharing, and refuses.
        if (path.starts_with(stem) && isTemporaryTail(std::string_view(path).substr(stem.size()))) files.remove(path);
    }
}

void replaceBackup(FileOperations& files, const std::string& source, const std::string& backup,
                   const BackupSizes& sizes, const BackupProgress& progress) {
    removeLeftTemporaries(files, backup);
    refuseReadOnly(files, backup);

    // The host may hold the document open in any way; only read it.
    std::unique_ptr<OpenFile> input;
    FileStatus status = files.openToRead(source, input);
    if (!status.succeeded()) fail("Cannot open the document to back it up", source, status);

    Temporary temporary = createTemporary(files, source, backup);
    try {
        copyAndReplace(files, *input, temporary, source, backup, sizes, progress);
    } catch (...) {
        const bool pending = temporary.pending;
        temporary.file.reset();
        if (!pending) status = files.remove(temporary.path);
        if (pending || status.succeeded() || status.kind == FileStatus::Kind::NotFound) throw;
        try {
            throw;
        } catch (const AutomationError& e) {
            throw AutomationError(e.info().number, e.info().description + "; the temporary file '" + temporary.path +
                                                       "' could not be removed: " + status.message);
        } catch (const BackupCancelled&) {
            fail("Cannot remove the temporary backup file", temporary.path, status);
        }
    }
}

}  // namespace autosave
