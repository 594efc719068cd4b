// The Win32 file system on Wine: backups replaced in one step, exact at
// every size, with every failing step leaving the previous backup as it was,
// and drawings with long paths or read-only backups.
#include "BackupFiles.h"
#include "ErrorNumber.h"
#include "WineTest.h"

#include "platform/AutomationError.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"
#include "platform/win32/Win32FileSystem.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace autosave;
using namespace backupfiles;

WINE_TEST(backup_copies_exactly_and_replaces_in_one_step) {
    const ScopedFolder scoped;
    const std::wstring& folder = scoped.path;
    const std::wstring source = folder + L"\\drawing.tsd", backup = folder + L"\\drawing.bak";
    const std::string old = "previous backup";
    win32::Win32FileSystem files;

    ok(!files.fileExists(win32::narrow(source)), "missing file exists");
    ok(!files.fileExists(win32::narrow(folder)), "a folder is a file");

    // Sizes around the chunk boundaries, empty included.
    const size_t chunk = win32::Win32FileSystem::kChunkSize;
    for (size_t size : {size_t{0}, size_t{1}, chunk - 1, chunk, 3 * chunk + 17}) {
        const std::string content = pattern(size, static_cast<unsigned>(size));
        writeFile(source, content);
        writeFile(backup, old);
        files.replaceBackup(win32::narrow(source), win32::narrow(backup));
        ok(readFile(backup) == content, "%zu bytes not copied exactly", size);
        ok(readFile(source) == content, "%zu bytes: the source changed", size);
    }
    ok(files.fileExists(win32::narrow(backup)), "backup missing");
    ok(leftoverTemporaries(folder) == 0, "temporary files left");

    // Until the rename the old backup is in place and the copy is complete beside it.
    const std::string content = pattern(2 * chunk + 5, 7);
    writeFile(source, content);
    writeFile(backup, old);
    bool seen = false;
    win32::Win32FileSystem watched([&](win32::BackupStep step) -> DWORD {
        if (step == win32::BackupStep::Rename) {
            seen = true;
            ok(readFile(backup) == old, "the backup changed before the rename");
            ok(leftoverTemporaries(folder) == 1, "no temporary copy beside the backup");
            WIN32_FIND_DATAW data;
            HANDLE find = FindFirstFileW((folder + L"\\drawing.bak.*.tmp").c_str(), &data);
            // Held open by the backup alone, and written whole.
            ok(find != INVALID_HANDLE_VALUE && readFile(folder + L"\\" + data.cFileName) == "<missing>" &&
                   data.nFileSizeLow == content.size(),
               "the temporary copy is not complete, or open to others");
            if (find != INVALID_HANDLE_VALUE) FindClose(find);
        }
        return ERROR_SUCCESS;
    });
    watched.replaceBackup(win32::narrow(source), win32::narrow(backup));
    ok(seen && readFile(backup) == content, "replaced backup");

    // The host holds the document open for writing.
    win32::unique_handle held(CreateFileW(source.c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    writeFile(backup, old);
    ok(errorNumber([&] { files.replaceBackup(win32::narrow(source), win32::narrow(backup)); }) == 0,
       "a document held open by the host could not be backed up");
    ok(readFile(backup) == content, "backup of a held document");
    held.reset();
}

WINE_TEST(every_failing_step_leaves_the_old_backup) {
    const ScopedFolder scoped;
    const std::wstring& folder = scoped.path;
    const std::wstring source = folder + L"\\drawing.tsd", backup = folder + L"\\drawing.bak";
    const std::string content = pattern(3 * win32::Win32FileSystem::kChunkSize, 3);
    const std::string old = pattern(5000, 11);
    writeFile(source, content);

    struct Case {
        win32::BackupStep step;
        int occurrence;  // which call of that step fails (copy: which chunk), 0 every call
        DWORD code;
        std::int32_t number;
        const char* words;
    };
    const Case cases[] = {
        {win32::BackupStep::OpenSource, 1, ERROR_SHARING_VIOLATION, 70, "open the document"},
        {win32::BackupStep::CreateTemporary, 1, ERROR_ACCESS_DENIED, 70, "create the temporary"},
        {win32::BackupStep::Copy, 1, ERROR_DISK_FULL, 61, "write the temporary"},
        {win32::BackupStep::Copy, 2, ERROR_HANDLE_DISK_FULL, 61, "write the temporary"},
        {win32::BackupStep::Flush, 1, ERROR_WRITE_FAULT, 57, "flush"},
        {win32::BackupStep::Rename, 0, ERROR_ACCESS_DENIED, 70, "replace the backup"},
        {win32::BackupStep::Rename, 1, ERROR_INVALID_PARAMETER, 75, "replace the backup"},
    };
    for (const Case& c : cases) {
        writeFile(backup, old);
        int calls = 0;
        win32::Win32FileSystem files([&](win32::BackupStep step) -> DWORD {
            return step == c.step && (++calls == c.occurrence || c.occurrence == 0) ? c.code : ERROR_SUCCESS;
        });
        std::int32_t number = 0;
        std::string description;
        try {
            files.replaceBackup(win32::narrow(source), win32::narrow(backup));
        } catch (const AutomationError& e) {
            number = e.info().number;
            description = e.info().description;
        }
        const int step = static_cast<int>(c.step);
        const size_t message = description.find("': ");
        ok(number == c.number, "step %d: error %d", step, number);
        ok(description.find(c.words) != std::string::npos && description.find("drawing.") != std::string::npos &&
               message != std::string::npos && description.size() > message + 4,
           "step %d: description '%s'", step, description.c_str());
        ok(readFile(backup) == old, "step %d: the old backup changed", step);
        ok(leftoverTemporaries(folder) == 0, "step %d: temporary file left", step);
        ok(readFile(source) == content, "step %d: the source changed", step);
    }

    // Real failures: a missing document, a missing folder.
    win32::Win32FileSystem files;
    ok(errorNumber([&] { files.replaceBackup(win32::narrow(folder + L"\\none.tsd"), win32::narrow(backup)); }) == 53,
       "missing document");
    ok(errorNumber([&] { files.replaceBackup(win32::narrow(source), win32::narrow(folder + L"\\no\\x.bak")); }) == 76,
       "missing backup folder");
    ok(readFile(backup) == old && leftoverTemporaries(folder) == 0, "real failures left traces");
}

WINE_TEST(a_backup_that_is_a_link_is_replaced_not_written_through) {
    const ScopedFolder scoped;
    const std::wstring& folder = scoped.path;
    const std::wstring source = folder + L"\\drawing.tsd", backup = folder + L"\\drawing.bak";
    const std::wstring target = folder + L"\\elsewhere.dat";
    writeFile(source, "new drawing");
    writeFile(target, "someone else's file");
    if (!CreateSymbolicLinkW(backup.c_str(), target.c_str(), 0)) {
        std::printf("note: no symbolic link here (error %lu); link case skipped\n", GetLastError());
    } else {
        ok(GetFileAttributesW(backup.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, "not a link");
        win32::Win32FileSystem files;
        files.replaceBackup(win32::narrow(source), win32::narrow(backup));
        ok(readFile(target) == "someone else's file", "written through the link: '%s'", readFile(target).c_str());
        ok(!(GetFileAttributesW(backup.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT), "the link is still there");
        ok(readFile(backup) == "new drawing", "backup '%s'", readFile(backup).c_str());
    }
}

namespace {

// The error a backup raises, "" when it succeeds.
std::string backupError(win32::Win32FileSystem& files, const std::wstring& source, const std::wstring& backup) {
    try {
        files.replaceBackup(win32::narrow(source), win32::narrow(backup));
    } catch (const AutomationError& e) {
        return std::to_string(e.info().number) + " " + e.info().description;
    }
    return "";
}

}  // namespace

WINE_TEST(drawings_with_long_paths_are_backed_up) {
    const ScopedFolder scoped;
    const std::wstring& folder = scoped.path;
    // The test's own file operations take the long form, as they would have to on Windows.
    auto longForm = [](const std::wstring& path) { return L"\\\\?\\" + path; };
    struct Drawing {
        std::wstring subfolder, name;
    };
    std::vector<Drawing> drawings;
    // Whole paths around the classic limit and beyond it, in a folder of
    // their own each, so the temporary copy has the same length budget.
    for (size_t length : {size_t{250}, size_t{259}, size_t{260}, size_t{330}}) {
        const size_t rest = length - folder.size() - 2 - 4;  // two backslashes, ".tsd"
        drawings.push_back({std::wstring(rest / 2, L'f'), std::wstring(rest - rest / 2, L'n') + L".tsd"});
    }
    // A drawing whose backup's name has the most characters a name can have.
    drawings.push_back({L"longest", std::wstring(251 - 4, L'n') + L".tsd"});

    win32::Win32FileSystem files;
    for (const Drawing& d : drawings) {
        const std::wstring dir = folder + L"\\" + d.subfolder, drawing = dir + L"\\" + d.name;
        const std::wstring backup = drawing + L".bak";
        CreateDirectoryW(longForm(dir).c_str(), nullptr);
        const std::string content = pattern(3000 + drawing.size(), static_cast<unsigned>(drawing.size()));
        writeFile(longForm(drawing), content);
        writeFile(longForm(backup), "previous backup");
        ok(files.fileExists(win32::narrow(drawing)), "%zu characters: the drawing is not found", drawing.size());
        const std::string error = backupError(files, drawing, backup);
        ok(error.empty(), "%zu characters: %s", drawing.size(), error.c_str());
        ok(readFile(longForm(backup)) == content, "%zu characters: backup not made", drawing.size());
        ok(leftoverTemporaries(longForm(dir)) == 0, "%zu characters: temporary file left", drawing.size());
        // Failures name the file as it was given.
        const std::wstring missing = dir + L"\\missing.tsd";
        const std::string refused = backupError(files, missing, backup);
        ok(refused.rfind("53 Cannot open the document to back it up '" + win32::narrow(missing) + "': ", 0) == 0,
           "%zu characters: %s", missing.size(), refused.c_str());
        DeleteFileW(longForm(drawing).c_str());
        DeleteFileW(longForm(backup).c_str());
        RemoveDirectoryW(longForm(dir).c_str());
    }
}

WINE_TEST(a_read_only_backup_is_never_replaced) {
    const ScopedFolder scoped;
    const std::wstring& folder = scoped.path;
    const std::wstring source = folder + L"\\drawing.tsd", backup = folder + L"\\drawing.bak";
    const std::string old = pattern(5000, 5);
    writeFile(source, "new drawing");
    // Read-only from the start, and made read-only while the copy is written.
    for (bool whileCopying : {false, true}) {
        SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
        writeFile(backup, old);
        if (!whileCopying) SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_READONLY);
        win32::Win32FileSystem files([&](win32::BackupStep step) -> DWORD {
            if (whileCopying && step == win32::BackupStep::Rename)
                SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_READONLY);
            return ERROR_SUCCESS;
        });
        const std::string error = backupError(files, source, backup);
        ok(error.rfind("70 Cannot replace the backup file '", 0) == 0, "%d: %s", whileCopying, error.c_str());
        ok(readFile(backup) == old, "%d: the read-only backup was replaced", whileCopying);
        ok(GetFileAttributesW(backup.c_str()) & FILE_ATTRIBUTE_READONLY, "%d: no longer read-only", whileCopying);
        ok(leftoverTemporaries(folder) == 0, "%d: temporary file left", whileCopying);
    }
    SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
}

WINE_TEST_MAIN
