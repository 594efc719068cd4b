#include "fakes/RecordingFiles.h"

#include <algorithm>

namespace fakes {
namespace {

using autosave::FileStatus;

FileStatus failure(FileStatus::Kind kind, std::int32_t number, const char* message) { return {kind, number, message}; }
FileStatus notFound() { return failure(FileStatus::Kind::NotFound, 53, "File not found"); }

class ModelFile final : public autosave::OpenFile {
public:
    ModelFile(RecordingFiles* owner, int file, bool writing) : owner(owner), file(file), writing(writing) {}
    ~ModelFile() override {
        if (writing) owner->closed(file);
    }
    RecordingFiles* owner;
    int file;
    bool writing;
    std::size_t position = 0;
};

// The one name of a file open for writing.
std::string nameOf(const Disk& disk, int file) {
    for (const auto& [name, number] : disk.names)
        if (number == file) return name;
    return {};
}

int fileOf(autosave::OpenFile& file) { return static_cast<ModelFile&>(file).file; }

}  // namespace

const std::string* Disk::content(const std::string& name) const {
    auto at = names.find(name);
    return at == names.end() ? nullptr : &contents.at(at->second);
}

void applyTo(Disk& disk, const FileOp& op) {
    switch (op.type) {
    case FileOp::Type::Create:
        disk.names[op.name] = op.file;
        disk.contents[op.file];
        break;
    case FileOp::Type::Write: {
        std::string& content = disk.contents[op.file];
        if (content.size() < op.offset + op.data.size()) content.resize(op.offset + op.data.size(), '\0');
        std::copy(op.data.begin(), op.data.end(), content.begin() + static_cast<std::ptrdiff_t>(op.offset));
        break;
    }
    case FileOp::Type::Rename:
        disk.names.erase(op.to);
        disk.names[op.to] = op.file;
        disk.names.erase(op.name);
        break;
    case FileOp::Type::Remove: disk.names.erase(op.name); break;
    case FileOp::Type::Truncate: disk.contents[op.file].resize(op.offset); break;
    default: break;
    }
}

void RecordingFiles::apply(const FileOp& op) {
    applyTo(disk, op);
    ops.push_back(op);
}

void RecordingFiles::closed(int file) {
    apply({FileOp::Type::Close, file});
    // A pending file goes by the name it was made pending under.
    if (auto name = pending.find(file); name != pending.end()) {
        FileOp op{FileOp::Type::Remove, file};
        op.name = name->second;
        pending.erase(name);
        apply(op);
    }
}

FileStatus RecordingFiles::attributes(const std::string& path, Attributes& out) {
    if (!disk.names.count(path)) return notFound();
    out = {false, readOnly.count(path) != 0};
    return {};
}

FileStatus RecordingFiles::openToRead(const std::string& path, std::unique_ptr<autosave::OpenFile>& file) {
    auto at = disk.names.find(path);
    if (at == disk.names.end()) return notFound();
    file = std::make_unique<ModelFile>(this, at->second, false);
    return {};
}

FileStatus RecordingFiles::createNew(const std::string& path, const std::string&,
                                     std::unique_ptr<autosave::OpenFile>& file) {
    if (disk.names.count(path)) return failure(FileStatus::Kind::Exists, 58, "File already exists");
    const int number = disk.contents.empty() ? 1 : disk.contents.rbegin()->first + 1;
    FileOp op{FileOp::Type::Create, number};
    op.name = path;
    apply(op);
    file = std::make_unique<ModelFile>(this, number, true);
    return {};
}

FileStatus RecordingFiles::read(autosave::OpenFile& file, char* buffer, std::size_t size, std::size_t& got) {
    auto& model = static_cast<ModelFile&>(file);
    const std::string& content = disk.contents.at(model.file);
    got = std::min(size, content.size() - std::min(content.size(), model.position));
    std::copy_n(content.data() + model.position, got, buffer);
    model.position += got;
    return {};
}

FileStatus RecordingFiles::write(autosave::OpenFile& file, const char* data, std::size_t size) {
    auto& model = static_cast<ModelFile&>(file);
    FileOp op{FileOp::Type::Write, model.file};
    op.offset = model.position;
    op.data.assign(data, size);
    apply(op);
    model.position += size;
    return {};
}

FileStatus RecordingFiles::flush(autosave::OpenFile& file) {
    apply({FileOp::Type::Flush, fileOf(file)});
    return {};
}

FileStatus RecordingFiles::deleteWhenClosed(autosave::OpenFile& file, bool isPending) {
    FileOp op{FileOp::Type::Pending, fileOf(file)};
    op.name = nameOf(disk, op.file);
    op.pending = isPending;
    if (isPending) pending[op.file] = op.name;
    else pending.erase(op.file);
    apply(op);
    return {};
}

FileStatus RecordingFiles::replace(autosave::OpenFile& file, const std::string& to, std::string& keep) {
    if (pending.count(fileOf(file))) return failure(FileStatus::Kind::Failed, 75, "Delete pending");
    if (readOnly.count(to)) return failure(FileStatus::Kind::Failed, 70, "Permission denied");
    if (auto previous = disk.names.find(to); !keep.empty() && previous != disk.names.end()) {
        FileOp name{FileOp::Type::Create, previous->second};  // a second name for a file that exists
        name.name = keep;
        apply(name);
    } else {
        keep.clear();
    }
    if (busyAttempts > 0 && busyAttempts--) return failure(FileStatus::Kind::Busy, 70, "Sharing violation");
    FileOp op{FileOp::Type::Rename, fileOf(file)};
    op.name = nameOf(disk, op.file);
    op.to = to;
    apply(op);
    return {};
}

FileStatus RecordingFiles::remove(const std::string& path) {
    auto at = disk.names.find(path);
    if (at == disk.names.end()) return notFound();
    // Another handle's delete-pending file refuses, as on Windows.
    if (pending.count(at->second)) return failure(FileStatus::Kind::Busy, 70, "Permission denied");
    FileOp op{FileOp::Type::Remove, at->second};
    op.name = path;
    apply(op);
    return {};
}

FileStatus RecordingFiles::discard(const std::string& path, unsigned long long step) {
    auto at = disk.names.find(path);
    if (at == disk.names.end()) return notFound();
    const int file = at->second;
    if (pending.count(file)) return failure(FileStatus::Kind::Busy, 70, "Permission denied");
    // Opened to be deleted when closed: pending under this name.
    ModelFile handle(this, file, true);
    FileOp op{FileOp::Type::Pending, file};
    op.name = path;
    op.pending = true;
    pending[file] = path;
    apply(op);
    if (step != 0 &&
        std::count_if(disk.names.begin(), disk.names.end(), [&](const auto& e) { return e.second == file; }) == 1) {
        for (std::size_t size = disk.contents[file].size(); size > 0;) {
            size = size > step ? size - static_cast<std::size_t>(step) : 0;
            FileOp op{FileOp::Type::Truncate, file};
            op.offset = size;
            apply(op);
        }
    }
    return {};
}

std::vector<std::string> RecordingFiles::filesStartingWith(const std::string& prefix) {
    std::vector<std::string> paths;
    for (const auto& [name, file] : disk.names)
        if (name.starts_with(prefix)) paths.push_back(name);
    return paths;
}

}  // namespace fakes
