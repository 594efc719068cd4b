// The file operations a backup is made of, one system call each: the Win32
// calls on Windows, a recorded model in the crash-state tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace autosave {

// How an operation ended. `number` and `message` are the run-time error and
// the system's words a failure is reported with.
struct FileStatus {
    enum class Kind { Ok, NotFound, Exists, Busy, Failed };
    Kind kind = Kind::Ok;
    std::int32_t number = 0;
    std::string message;

    bool succeeded() const { return kind == Kind::Ok; }
};

// An open file; closed when destroyed.
class OpenFile {
public:
    virtual ~OpenFile() = default;
};

class FileOperations {
public:
    struct Attributes {
        bool directory = false;
        bool readOnly = false;
    };

    virtual ~FileOperations() = default;
    // NotFound when there is no such file or folder.
    virtual FileStatus attributes(const std::string& path, Attributes& out) = 0;
    // For reading, whoever else holds it open.
    virtual FileStatus openToRead(const std::string& path, std::unique_ptr<OpenFile>& file) = 0;
    // A new file, never an existing one (Exists then), opened for writing by
    // this handle alone, with the encryption and access list of `like`.
    virtual FileStatus createNew(const std::string& path, const std::string& like, std::unique_ptr<OpenFile>& file) = 0;
    // got == 0 at the end.
    virtual FileStatus read(OpenFile& file, char* buffer, std::size_t size, std::size_t& got) = 0;
    virtual FileStatus write(OpenFile& file, const char* data, std::size_t size) = 0;
    // The file's data is on the disk when it returns.
    virtual FileStatus flush(OpenFile& file) = 0;
    // While pending, the file goes when its handle closes, also when the
    // process is killed. A pending file cannot be renamed.
    virtual FileStatus deleteWhenClosed(OpenFile& file, bool pending) = 0;
    // Renames the open `file` over `to` in one step, on the disk when it
    // returns; a link at `to` is replaced, never followed; a read-only `to`
    // is refused. Busy when someone else holds `to` open.
    // A non-empty `keep` is first made a second name of the file at `to`,
    // which it then keeps past the rename; cleared when there is none to
    // give (no file, a link, a file system without such names).
    virtual FileStatus replace(OpenFile& file, const std::string& to, std::string& keep) = 0;
    virtual FileStatus remove(const std::string& path) = 0;
    // Removes the file: opens it to be deleted when closed, so that it goes
    // even if the process is killed meanwhile, and, unless it has another
    // name as well, first cuts its end off `step` bytes at a time (0: not).
    virtual FileStatus discard(const std::string& path, unsigned long long step) = 0;
    // The files of the folder of `prefix` whose whole path starts with it.
    virtual std::vector<std::string> filesStartingWith(const std::string& prefix) = 0;
    virtual unsigned long processId() = 0;
    virtual void pause(int milliseconds) = 0;
};

}  // namespace autosave
