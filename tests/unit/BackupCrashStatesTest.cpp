// The states a crash can leave in the middle of a backup, enumerated from
// the operations one backup makes, each followed by the recovery the next
// backup of that drawing runs first.
//
// The model: NTFS on a local disk, where the backup runs.
// - Names (create, rename, remove) change through NTFS's journal, which is
//   replayed in order after a power loss: a prefix of those operations
//   survives, reaching at least the last rename, made with write-through
//   (its log record and every one before it are on the disk when it returns).
// - A rename over an existing file is one step: NTFS logs it as one
//   transaction, so the journal's replay gives either the old entry or the
//   new one. Renames are also split into their steps (destination removed,
//   new entry created, source entry removed), as on a file system without a
//   journal; the states that would then break are counted apart and are not
//   violations of the backup.
// - Data is not journaled: each write after its file's last flush is lost
//   (zeros, as the file's length was logged), persisted in part (its first
//   half, garbage after) or kept, independently of the others, which covers
//   every order in which they could reach the disk. Writes followed by a
//   flush of their file are on the disk.
// - Delete-pending belongs to the open handle: a power loss forgets it, the
//   file stays. A killed process (the system goes on) has done every
//   operation so far, and its delete-pending files go as its handles close.
//   A temporary file may be left for the next backup to remove only by a
//   kill between system calls that cannot be one, with no wait and no copy
//   before the call that would have made it delete-pending, renamed or
//   removed it (a file cannot be made delete-pending by the call that
//   creates it, nor renamed while delete-pending).
// - Before the rename the previous backup gets a second (temporary) name;
//   after it, that name is opened to be deleted when closed and the file is
//   cut down in steps. A size change is journaled like a name.
// Checked in every state, after the recovery: the drawing is untouched, the
// backup is the old one or the new one and whole (none only where there was
// none before), no temporary file is left; then the next backup succeeds.
#include "fakes/RecordingFiles.h"

#include "platform/AutomationError.h"
#include "platform/BackupCopy.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace {

using fakes::Disk;
using fakes::FileOp;
using Type = FileOp::Type;

constexpr std::size_t kChunk = 16;

struct Scenario {
    const char* name;
    Disk before;
    autosave::BackupSizes sizes;
    int busyAttempts = 0;  // renames refused as busy before one goes through
    std::string drawing = "C:\\drawings\\plan.tsd", backup = "C:\\drawings\\plan.tsd.bak";
};

struct Tally {
    long states = 0;
    long violations = 0;
    bool reported = true;
    void violation(const std::string& what) {
        if (++violations <= 10 && reported) ADD_FAILURE() << what;
    }
};

// A temporary file that was not there before `since`.
bool hasTemporary(const Disk& disk, const Disk& since = {}) {
    for (const auto& [name, file] : disk.names)
        if (name.ends_with(".tmp") && !since.names.count(name)) return true;
    return false;
}

// Recovery, the checks, and the next backup.
std::string verdict(const Scenario& s, const Disk& crashed) {
    fakes::RecordingFiles files(crashed);
    autosave::removeLeftTemporaries(files, s.backup);
    const std::string& drawing = *s.before.content(s.drawing);
    const std::string* old = s.before.content(s.backup);
    const std::string* backup = files.disk.content(s.backup);
    if (!files.disk.content(s.drawing) || *files.disk.content(s.drawing) != drawing) return "the drawing changed";
    if (backup ? (*backup != drawing && (!old || *backup != *old)) : old != nullptr)
        return backup ? "the backup is neither old nor new: '" + *backup + "'" : "the backup is gone";
    if (hasTemporary(files.disk)) return "a temporary file is left";
    try {
        autosave::replaceBackup(files, s.drawing, s.backup, s.sizes);
    } catch (const autosave::AutomationError& e) {
        return "the next backup failed: " + e.info().description;
    }
    if (*files.disk.content(s.backup) != drawing || hasTemporary(files.disk)) return "the next backup is wrong";
    return "";
}

std::vector<FileOp> record(const Scenario& s) {
    fakes::RecordingFiles files(s.before);
    files.busyAttempts = s.busyAttempts;
    autosave::replaceBackup(files, s.drawing, s.backup, s.sizes);
    return files.ops;
}

// A rename as its three steps; the last is the one made with write-through.
std::vector<FileOp> splitRenames(const std::vector<FileOp>& ops, std::vector<bool>& durable) {
    std::vector<FileOp> steps;
    for (const FileOp& op : ops) {
        if (op.type != Type::Rename) {
            steps.push_back(op);
            durable.push_back(false);
            continue;
        }
        FileOp remove{Type::Remove, -1}, create{Type::Create, op.file}, unlink{Type::Remove, op.file};
        remove.name = op.to;
        create.name = op.to;
        unlink.name = op.name;
        steps.insert(steps.end(), {remove, create, unlink});
        durable.insert(durable.end(), {false, false, true});
    }
    return steps;
}

// Every power-loss state after the first `k` operations.
void powerLosses(const Scenario& s, const std::vector<FileOp>& ops, const std::vector<bool>& durable, std::size_t k,
                 Tally& tally) {
    std::vector<std::size_t> names, loose;  // operations on names; writes not yet flushed
    std::size_t floor = 0;
    for (std::size_t i = 0; i < k; ++i) {
        if (ops[i].changesNames()) {
            names.push_back(i);
            if (durable[i]) floor = names.size();
        }
        if (ops[i].type == Type::Write) {
            bool flushed = false;
            for (std::size_t j = i + 1; j < k; ++j) flushed |= ops[j].type == Type::Flush && ops[j].file == ops[i].file;
            if (!flushed) loose.push_back(i);
        }
    }
    long combinations = 1;
    for (std::size_t i = 0; i < loose.size(); ++i) combinations *= 3;
    for (std::size_t kept = floor; kept <= names.size(); ++kept) {
        for (long c = 0; c < combinations; ++c) {
            Disk disk = s.before;
            long choice = c;
            for (std::size_t i = 0, n = 0; i < k; ++i) {
                FileOp op = ops[i];
                if (op.changesNames() && n++ >= kept) continue;
                if (op.type == Type::Write && std::find(loose.begin(), loose.end(), i) != loose.end()) {
                    const long fate = choice % 3;
                    choice /= 3;
                    if (fate == 1) op.data.assign(op.data.size(), '\0');
                    if (fate == 2)
                        std::fill(op.data.begin() + static_cast<std::ptrdiff_t>(op.data.size() / 2), op.data.end(),
                                  '\xAA');
                }
                fakes::applyTo(disk, op);
            }
            ++tally.states;
            if (std::string v = verdict(s, disk); !v.empty())
                tally.violation(std::string(s.name) + ", power loss after " + std::to_string(k) + " operations: " + v);
        }
    }
}

// The process killed after the first `k` operations.
void killed(const Scenario& s, const std::vector<FileOp>& ops, std::size_t k, Tally& tally) {
    Disk disk = s.before;
    std::map<int, std::string> pending;
    for (std::size_t i = 0; i < k; ++i) {
        fakes::applyTo(disk, ops[i]);
        if (ops[i].type == Type::Pending && ops[i].pending) pending[ops[i].file] = ops[i].name;
        // Closing a pending file removes it in the same call.
        if (ops[i].type == Type::Close && pending.count(ops[i].file)) disk.names.erase(pending[ops[i].file]);
        if ((ops[i].type == Type::Pending && !ops[i].pending) || ops[i].type == Type::Close) pending.erase(ops[i].file);
    }
    for (const auto& [file, name] : pending) disk.names.erase(name);
    ++tally.states;
    // Left only where the calls that follow at once, before any wait or
    // copy, would have made it pending, renamed or removed it.
    auto inWindow = [&](const std::string& name) {
        for (std::size_t i = k;
             i < ops.size() && ops[i].type != Type::Pause && ops[i].type != Type::Write && ops[i].type != Type::Flush;
             ++i)
            if (ops[i].name == name && ((ops[i].type == Type::Pending && ops[i].pending) ||
                                        ops[i].type == Type::Rename || ops[i].type == Type::Remove))
                return true;
        return false;
    };
    for (const auto& [name, file] : disk.names)
        if (name.ends_with(".tmp") && !s.before.names.count(name) && !inWindow(name))
            tally.violation(std::string(s.name) + ", killed after " + std::to_string(k) + " operations: " + name +
                            " left");
    if (std::string v = verdict(s, disk); !v.empty())
        tally.violation(std::string(s.name) + ", killed after " + std::to_string(k) + " operations: " + v);
}

Disk disk(std::initializer_list<std::pair<std::string, std::string>> files) {
    Disk d;
    int number = 0;
    for (const auto& [name, content] : files) {
        d.names[name] = ++number;
        d.contents[number] = content;
    }
    return d;
}

TEST(BackupCrashStates, NoCrashLosesTheBackupOrLeavesATemporaryFile) {
    const std::string drawing = "TESSALINE-DRAWING 1\nline 0 0 40 40\nrectangle 5 5 20 20\n";  // 3.5 chunks
    const Scenario scenarios[] = {
        {"a second backup, after an earlier one was cut by a power loss",
         disk({{"C:\\drawings\\plan.tsd", drawing},
               {"C:\\drawings\\plan.tsd.bak", "TESSALINE-DRAWING 1\nline 1 1 2 2\n"},
               {"C:\\drawings\\plan.tsd.bak.4000.7.tmp", "TESSALINE-DRAW"}}),
         {kChunk, 2 * kChunk, kChunk}},  // flushed along the way, and freed in steps, as on Windows
        {"the first backup", disk({{"C:\\drawings\\plan.tsd", drawing}}), {kChunk, 0}},
        {"a backup held open by a scanner for a moment",
         disk({{"C:\\drawings\\plan.tsd", drawing}, {"C:\\drawings\\plan.tsd.bak", "TESSALINE-DRAWING 1\n"}}),
         {kChunk, 0, kChunk},
         1},
    };
    Tally power, kills, split;
    std::size_t operations = 0;
    for (const Scenario& s : scenarios) {
        const std::vector<FileOp> ops = record(s);
        operations += ops.size();
        std::vector<bool> durable;
        for (const FileOp& op : ops) durable.push_back(op.type == Type::Rename);
        std::vector<bool> splitDurable;
        const std::vector<FileOp> steps = splitRenames(ops, splitDurable);
        for (std::size_t k = 0; k <= ops.size(); ++k) {
            powerLosses(s, ops, durable, k, power);
            killed(s, ops, k, kills);
        }
        // Not the backup's failures: counted, never reported.
        Tally unjournaled;
        unjournaled.reported = false;
        for (std::size_t k = 0; k <= steps.size(); ++k) powerLosses(s, steps, splitDurable, k, unjournaled);
        split.states += unjournaled.states;
        split.violations += unjournaled.violations;
    }
    std::printf(
        "crash states: %ld (power loss %ld, killed process %ld) of %zu operations in %zu backups, "
        "violations: %ld\n",
        power.states + kills.states, power.states, kills.states, operations, std::size(scenarios),
        power.violations + kills.violations);
    std::printf("with renames split into steps (a file system without a journal): %ld states, %ld would break\n",
                split.states, split.violations);
    EXPECT_GT(power.states, 100);
    EXPECT_EQ(power.violations + kills.violations, 0);
}

}  // namespace
