// The one-step backup over the file operations: the same on every platform,
// so that its crash states can be enumerated natively.
#pragma once

#include "platform/FileOperations.h"

#include <cstddef>
#include <functional>
#include <string>

namespace autosave {

// Called after each chunk with the bytes copied so far; false cancels.
using BackupProgress = std::function<bool(unsigned long long copied)>;

// Raised when the progress callback cancelled a backup: nothing was changed.
struct BackupCancelled {};

struct BackupSizes {
    std::size_t chunk = 1 << 20;
    // The copy is also flushed after each this many bytes (0: only at the
    // end), so that no flush has much to write: under Wine a flush holds up
    // every other thread's calls into the system while it runs.
    unsigned long long flushEvery = 0;
    // The previous backup's blocks are freed this many bytes at a time
    // after the rename (0: by the rename).
    unsigned long long releaseStep = 0;
};

// Makes `backup` a copy of `source` in one step. First removes what an
// earlier backup of the same name left behind (after a power loss), then:
// copies `source` in chunks into a new temporary file beside `backup` that
// is deleted when closed (so a killed process leaves none), flushes it, and
// renames it over `backup`, retrying for about half a second while someone
// else holds `backup` open; it is kept only for the moment of each attempt.
// A read-only `backup` is never replaced. Any failure raises a run-time
// error naming the step, the file and the system's words, and leaves the
// previous backup as it was and no temporary file (a temporary file that
// cannot be removed is named in the error).
void replaceBackup(FileOperations& files, const std::string& source, const std::string& backup,
                   const BackupSizes& sizes, const BackupProgress& progress = {});

// Removes the temporary files earlier backups to `backup` left behind;
// those another process still writes are kept.
void removeLeftTemporaries(FileOperations& files, const std::string& backup);

// The first part of the temporary files' names for `backup`, followed by
// "<pid>.<n>.tmp": "<backup>.", or for a name too long to take that tail,
// "<backup cut short>~<hash of its name>.".
std::string temporaryStem(const std::string& backup);

}  // namespace autosave
