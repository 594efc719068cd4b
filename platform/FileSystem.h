// The file operations the backup needs.
#pragma once

#include <functional>
#include <string>

namespace autosave {

// Called on the calling thread while a backup runs, about every 50 ms, with
// the bytes copied so far.
using BackupWatch = std::function<void(unsigned long long copied)>;

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // False for an empty name or no such file; any other failure to tell
    // raises a run-time error.
    virtual bool fileExists(const std::string& path) = 0;
    // The backup's name: the document's path in its long form (no short
    // names) with ".bak" appended.
    virtual std::string backupName(const std::string& document) = 0;
    // Whether the two paths name one file, as the file system compares names.
    virtual bool sameFile(const std::string& a, const std::string& b) = 0;
    // Makes `backup` a copy of `source` in one step: the copy goes to a
    // temporary file beside `backup`, is flushed, and replaces `backup` by a
    // rename. On any failure the previous backup is untouched, the temporary
    // file is removed and a run-time error is raised. A temporary file left
    // by an earlier backup of the same name is removed first. A `backup` that is a
    // link is replaced, never written through; a read-only `backup` is never
    // replaced (the call fails); `source` is only read. The caller's window
    // repaints meanwhile and takes no input; the user may cancel with Escape:
    // then the result is false and nothing changed.
    virtual bool replaceBackup(const std::string& source, const std::string& backup, const BackupWatch& watch = {}) = 0;
};

}  // namespace autosave
