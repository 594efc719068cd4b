// Files in memory: contents by path, links that point at another path,
// read-only files, and a replaceBackup that behaves as the real one (copy,
// then one-step replace) with a switch that makes any of its steps fail.
#pragma once

#include "platform/AutomationError.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fakes {

class FakeFileSystem final : public autosave::FileSystem {
public:
    enum class Step { None, OpenSource, CreateTemporary, Copy, Flush, Rename };

    std::map<std::string, std::string> files;  // path -> content
    std::map<std::string, std::string> links;  // path -> the path it points at
    std::set<std::string> readOnly;            // paths a backup may not replace
    // The step that fails at the next replaceBackup calls, and the run-time
    // error it raises.
    Step failAt = Step::None;
    std::int32_t failNumber = 70;
    // Every replaceBackup call as "source -> backup", failed ones too.
    std::vector<std::string> backups;

    bool fileExists(const std::string& path) override { return resolve(path).has_value(); }
    std::string backupName(const std::string& document) override { return document + ".bak"; }
    // Names compared without regard to letter case, as Windows does.
    bool sameFile(const std::string& a, const std::string& b) override {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](char x, char y) { return std::tolower(x) == std::tolower(y); });
    }

    // Each backup calls the watch this many times with 1 MB more each,
    // running duringCopy before each call; cancelled after them when set.
    int watchCalls = 0;
    std::function<void()> duringCopy;
    bool cancel = false;

    bool replaceBackup(const std::string& source, const std::string& backup,
                       const autosave::BackupWatch& watch = {}) override {
        backups.push_back(source + " -> " + backup);
        auto content = resolve(source);
        if (failAt == Step::OpenSource || !content) fail("Cannot open the document to back it up", source);
        for (Step step : {Step::CreateTemporary, Step::Copy, Step::Flush, Step::Rename})
            if (failAt == step) fail("Cannot write the backup", backup);
        for (int call = 1; call <= watchCalls; ++call) {
            if (duringCopy) duringCopy();
            if (watch) watch(static_cast<unsigned long long>(call) << 20);
        }
        if (cancel) return false;
        if (readOnly.count(backup))
            throw autosave::AutomationError(70, "Cannot replace the backup file '" + backup + "'");
        // Like a rename: the link itself is replaced, its target stays.
        links.erase(backup);
        files[backup] = *content;
        return true;
    }

    std::optional<std::string> resolve(const std::string& path) const {
        std::string at = path;
        for (int hops = 0; hops < 8; ++hops) {
            if (auto link = links.find(at); link != links.end()) {
                at = link->second;
                continue;
            }
            auto file = files.find(at);
            if (file == files.end()) return std::nullopt;
            return file->second;
        }
        return std::nullopt;
    }

private:
    [[noreturn]] void fail(const std::string& step, const std::string& path) {
        throw autosave::AutomationError(failNumber, step + " '" + path + "'");
    }
};

}  // namespace fakes
