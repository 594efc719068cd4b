// The file operations the backup needs.
#pragma once

#include <string>

namespace autosave {

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool fileExists(const std::string& path) = 0;
    // Makes `backup` a copy of `source` in one step: the copy goes to a
    // temporary file beside `backup`, is flushed, and replaces `backup` by a
    // rename. On any failure the previous backup is untouched, the temporary
    // file is removed and a run-time error is raised. A `backup` that is a
    // link is replaced, never written through; a read-only `backup` is never
    // replaced (the call fails); `source` is only read.
    virtual void replaceBackup(const std::string& source, const std::string& backup) = 0;
};

}  // namespace autosave
