// A folder in memory under the backup's file operations, recording each
// operation that changes the disk, so that the states a crash can leave can
// be rebuilt from the record.
#pragma once

#include "platform/FileOperations.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace fakes {

// What the disk holds: names of files, and each file's content by number.
struct Disk {
    std::map<std::string, int> names;
    std::map<int, std::string> contents;

    const std::string* content(const std::string& name) const;
};

struct FileOp {
    enum class Type { Create, Write, Flush, Pending, Close, Rename, Remove, Truncate, Pause };
    FileOp(Type type, int file) : type(type), file(file) {}

    Type type;
    int file = -1;           // Create, Write, Flush, Pending, Close, and the file Rename and Remove move
    std::string name, to;    // Create, Pending and Remove: name; Rename: name over to
    std::size_t offset = 0;  // Write
    std::string data;        // Write
    bool pending = false;    // Pending

    // Names and sizes change through the journal.
    bool changesNames() const {
        return type == Type::Create || type == Type::Rename || type == Type::Remove || type == Type::Truncate;
    }
};

class RecordingFiles final : public autosave::FileOperations {
public:
    explicit RecordingFiles(Disk disk) : disk(std::move(disk)) {}

    Disk disk;
    std::vector<FileOp> ops;
    std::set<std::string> readOnly;
    int busyAttempts = 0;                // renames refused as busy before one goes through
    std::map<int, std::string> pending;  // files open for writing that are delete-pending, by the name they go with

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
    unsigned long processId() override { return 4242; }
    void pause(int) override { ops.push_back({FileOp::Type::Pause, -1}); }

    void closed(int file);

private:
    void apply(const FileOp& op);
};

// Applies one recorded operation to a disk, as the system would.
void applyTo(Disk& disk, const FileOp& op);

}  // namespace fakes
