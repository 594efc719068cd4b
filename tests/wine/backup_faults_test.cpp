// Backups on Wine against what else happens to their files: a process killed
// in the middle of one, a temporary file left by a power loss, a cleanup that
// fails, a drawing with its own access list, an existence test that fails, a
// backup file held open by another process, Escape during a backup. The
// program is its own second process ("backup ..." and "hold ..." on its
// command line).
#include "BackupFiles.h"
#include "ErrorNumber.h"
#include "WineTest.h"

#include "platform/AutomationError.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"
#include "platform/win32/Win32FileSystem.h"

#include <windows.h>

#include <sddl.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

using namespace backupfiles;

namespace {

// This program again with `arguments`; returns once it has signalled `ready`.
win32::unique_handle startSelf(const std::wstring& arguments, const std::wstring& ready) {
    win32::unique_handle event(CreateEventW(nullptr, TRUE, FALSE, ready.c_str()));
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\" " + arguments + L" " + ready;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return win32::unique_handle();
    win32::unique_handle thread(process.hThread), child(process.hProcess);
    const HANDLE both[] = {event.get(), child.get()};
    ok(WaitForMultipleObjects(2, both, FALSE, 30000) == WAIT_OBJECT_0, "the second process did not get ready");
    return child;
}

void finish(win32::unique_handle& child) {
    TerminateProcess(child.get(), 1);
    WaitForSingleObject(child.get(), 30000);
    child.reset();
}

// The access list of `path` in its text form.
std::wstring accessList(const std::wstring& path) {
    DWORD needed = 0;
    GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::string descriptor(needed, '\0');
    if (!needed || !GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), needed, &needed))
        return L"<none>";
    LPWSTR text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.data(), SDDL_REVISION_1,
                                                              DACL_SECURITY_INFORMATION, &text, nullptr))
        return L"<unreadable>";
    win32::unique_hlocal owned(text);
    return text;
}

}  // namespace

WINE_TEST(no_temporary_file_outlives_its_backup) {
    const ScopedFolder scoped(L"backup_faults_test_");
    const std::wstring& folder = scoped.path;
    const std::wstring source = folder + L"\\drawing.tsd", backup = folder + L"\\drawing.tsd.bak";
    const std::string content = pattern(8 * win32::Win32FileSystem::kChunkSize + 3, 9), old = "previous backup";
    writeFile(source, content);
    writeFile(backup, old);

    // Killed in the middle of the copy: the delete-pending copy goes with it.
    win32::unique_handle child = startSelf(L"backup \"" + source + L"\" \"" + backup + L"\"",
                                           L"backup_faults_killed_" + std::to_wstring(GetCurrentProcessId()));
    ok(child.get() != nullptr, "cannot start the second process: %lu", GetLastError());
    if (child) finish(child);
    ok(leftoverTemporaries(folder) == 0, "a killed backup left %d temporary files", leftoverTemporaries(folder));
    ok(readFile(backup) == old, "a killed backup changed the backup");

    // One left by a power loss goes with the next backup of that drawing;
    // another drawing's stays.
    writeFile(folder + L"\\drawing.tsd.bak.4000.17.tmp", content.substr(0, 100));
    writeFile(folder + L"\\other.tsd.bak.4000.18.tmp", "another drawing's");
    win32::Win32FileSystem files;
    files.replaceBackup(win32::narrow(source), win32::narrow(backup));
    ok(readFile(backup) == content, "backup not made");
    ok(leftoverTemporaries(folder) == 1 && readFile(folder + L"\\other.tsd.bak.4000.18.tmp") == "another drawing's",
       "the left temporary file stayed, or another drawing's went");
    DeleteFileW((folder + L"\\other.tsd.bak.4000.18.tmp").c_str());

    // A cleanup that fails is reported with the failure.
    writeFile(backup, old);
    win32::Win32FileSystem failing([](win32::BackupStep step) -> DWORD {
        if (step == win32::BackupStep::Rename) return ERROR_INVALID_PARAMETER;
        return step == win32::BackupStep::Remove ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    });
    std::string description;
    try {
        failing.replaceBackup(win32::narrow(source), win32::narrow(backup));
    } catch (const autosave::AutomationError& e) {
        description = e.info().description;
    }
    ok(description.find("Cannot replace the backup file") == 0 &&
           description.find("could not be removed") != std::string::npos,
       "failed cleanup: '%s'", description.c_str());
    ok(readFile(backup) == old, "the failed backup changed the backup");
    files.replaceBackup(win32::narrow(source), win32::narrow(backup));
    ok(leftoverTemporaries(folder) == 0, "the next backup left the earlier one's temporary file");
}

WINE_TEST(escape_cancels_a_backup_and_changes_nothing) {
    const ScopedFolder scoped(L"backup_faults_test_");
    const std::wstring& folder = scoped.path;
    const std::wstring source = folder + L"\\drawing.tsd", backup = folder + L"\\drawing.tsd.bak";
    const std::string old = "previous backup";
    writeFile(source, pattern(4 * win32::Win32FileSystem::kChunkSize, 4));
    writeFile(backup, old);
    // The user presses Escape in a window of this process once the copy has
    // begun; slow chunks give the waiting thread time to see it.
    win32::unique_hwnd window(CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                              nullptr, nullptr, nullptr, nullptr));
    SetForegroundWindow(window.get());
    ok(GetForegroundWindow() == window.get(), "the window did not get the keyboard");
    auto press = [](DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = VK_ESCAPE;
        input.ki.dwFlags = flags;
        SendInput(1, &input, sizeof input);
    };
    bool pressed = false;
    win32::Win32FileSystem files([](win32::BackupStep step) -> DWORD {
        if (step == win32::BackupStep::Copy) Sleep(100);
        return ERROR_SUCCESS;
    });
    const bool done = files.replaceBackup(win32::narrow(source), win32::narrow(backup), [&](unsigned long long copied) {
        if (copied > 0 && !pressed) press(0);
        pressed = pressed || copied > 0;
    });
    if (pressed) press(KEYEVENTF_KEYUP);
    ok(!done, "not cancelled");
    ok(readFile(backup) == old, "a cancelled backup changed the backup");
    ok(leftoverTemporaries(folder) == 0, "a cancelled backup left its temporary file");
}

WINE_TEST(the_backup_keeps_the_drawings_access_list) {
    const ScopedFolder scoped(L"backup_faults_test_");
    const std::wstring& folder = scoped.path;
    const std::wstring source = folder + L"\\drawing.tsd", backup = folder + L"\\drawing.tsd.bak";
    writeFile(source, "TESSALINE-DRAWING 1\n");
    // Only the owner and the administrators, unlike the folder's.
    PSECURITY_DESCRIPTOR own = nullptr;
    ok(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;OW)(A;;FA;;;BA)", SDDL_REVISION_1, &own,
                                                            nullptr),
       "no descriptor");
    win32::unique_hlocal owned(own);
    ok(SetFileSecurityW(source.c_str(), DACL_SECURITY_INFORMATION, own), "cannot set the drawing's access list");
    const std::wstring expected = accessList(source);
    ok(expected != accessList(folder), "the drawing's access list is the folder's: %ls", expected.c_str());
    win32::Win32FileSystem files;
    files.replaceBackup(win32::narrow(source), win32::narrow(backup));
    ok(accessList(backup) == expected, "backup %ls, drawing %ls", accessList(backup).c_str(), expected.c_str());
}

WINE_TEST(an_existence_test_that_fails_is_reported) {
    DWORD code = ERROR_SUCCESS;
    win32::Win32FileSystem files([&](win32::BackupStep step) { return step == win32::BackupStep::Exists ? code : 0; });
    ok(!files.fileExists(""), "an empty name exists");
    code = ERROR_FILE_NOT_FOUND;
    ok(errorNumber([&] { files.fileExists("C:\\drawing.tsd"); }) == 0, "no such file reported");
    code = ERROR_ACCESS_DENIED;
    ok(errorNumber([&] { files.fileExists("C:\\drawing.tsd"); }) == 70, "access denied not reported");
    code = ERROR_BAD_NETPATH;
    ok(errorNumber([&] { files.fileExists("\\\\server\\share\\drawing.tsd"); }) == 76, "a lost share not reported");
}

WINE_TEST(a_busy_backup_is_tried_again_then_reported) {
    const ScopedFolder scoped(L"backup_faults_test_");
    const std::wstring& folder = scoped.path;
    const std::wstring source = folder + L"\\drawing.tsd", backup = folder + L"\\drawing.tsd.bak";
    const std::string old = "previous backup";
    writeFile(source, "TESSALINE-DRAWING 1\nline 0 0 1 1\n");
    win32::Win32FileSystem files;
    // Held for a moment, as a scanner does, then for long.
    for (int milliseconds : {150, 60000}) {
        writeFile(backup, old);
        win32::unique_handle holder = startSelf(
            L"hold \"" + backup + L"\" " + std::to_wstring(milliseconds),
            L"backup_faults_hold_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(milliseconds));
        const std::int32_t number = errorNumber(
            [&] { files.replaceBackup(win32::narrow(source), win32::narrow(backup)); });
        if (milliseconds < 1000) ok(number == 0 && readFile(backup) != old, "held for a moment: error %d", number);
        else ok(number == 70 && readFile(backup) == old, "held for long: error %d", number);
        ok(leftoverTemporaries(folder) == 0, "held %d ms: temporary file left", milliseconds);
        if (holder) finish(holder);
    }
}

namespace {

// The second process: a backup that stops in its copy, or a file held open.
int secondProcess(int argc, wchar_t** argv) {
    const std::wstring mode = argv[1];
    win32::unique_handle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[argc - 1]));
    if (mode == L"backup" && argc == 5) {
        int chunks = 0;
        win32::Win32FileSystem files([&](win32::BackupStep step) -> DWORD {
            if (step == win32::BackupStep::Copy && ++chunks == 3) {
                SetEvent(ready.get());
                Sleep(INFINITE);
            }
            return ERROR_SUCCESS;
        });
        files.replaceBackup(win32::narrow(argv[2]), win32::narrow(argv[3]));
        return 0;
    }
    if (mode == L"hold" && argc == 5) {
        win32::unique_handle held(
            CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        SetEvent(ready.get());
        Sleep(static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
        return 0;
    }
    return 2;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    win32::unique_hlocal arguments(argv);
    if (argv && argc > 1) return secondProcess(argc, argv);
    return winetest::run_all();
}
