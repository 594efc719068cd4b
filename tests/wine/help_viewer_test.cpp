// Help from a folder that holds a planted help viewer (hhctrl.ocx): the
// program's own folder and current directory, searched before the system
// folder for a library loaded by name. Wine prefers its own viewer unless
// told otherwise; the test runs with native libraries first, as Windows loads.
#include "WineTest.h"

#include "platform/AutomationError.h"
#include "platform/win32/Variant.h"
#include "platform/win32/Win32Desktop.h"

#include <windows.h>

#include <string>

WINE_TEST(help_loads_the_viewer_from_the_system_folder_only) {
    wchar_t planted[MAX_PATH] = {}, system[MAX_PATH] = {}, loaded[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, planted, MAX_PATH);
    std::wstring folder(planted);
    folder.resize(folder.find_last_of(L'\\'));
    ok(GetFileAttributesW((folder + L"\\hhctrl.ocx").c_str()) != INVALID_FILE_ATTRIBUTES, "no planted viewer");

    win32::Win32Desktop desktop;
    try {
        desktop.showHelp(0, "C:\\no such folder\\help.chm", 11128);
    } catch (const autosave::AutomationError& e) {
        ok(false, "Help failed: %s", e.what());
    }
    wchar_t mark[16] = {};
    ok(GetEnvironmentVariableW(L"PLANTED_HELP_VIEWER", mark, 16) == 0, "the planted viewer was loaded");
    GetSystemDirectoryW(system, MAX_PATH);
    GetModuleFileNameW(GetModuleHandleW(L"hhctrl.ocx"), loaded, MAX_PATH);
    const std::wstring expected = std::wstring(system) + L"\\hhctrl.ocx";
    ok(CompareStringOrdinal(loaded, -1, expected.c_str(), -1, TRUE) == CSTR_EQUAL, "viewer loaded from %s",
       win32::narrow(loaded).c_str());
}

WINE_TEST_MAIN
