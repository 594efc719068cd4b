// Conformance test of the reference host run on scripts: tessaline.exe as a
// process (its steps, settings, the About box, registration of its help
// file and of add-ins), and in-process sessions stepped line by line
// (reload, clicks in modal dialogs, dialog actions, the settings steps),
// with the application locator naming the running host.
#include "tests/wine/TessalineFixture.h"
#include "tests/wine/WineTest.h"

#include "platform/win32/DialogTemplate.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"
#include "tessaline/AddInRegistry.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/ScriptRunner.h"

#include <string>
#include <vector>

#include "ApplicationLocator.h"

using namespace tessaline_fixture;

namespace {

// A message box the test shows from inside an event, and how it ended.
struct MessageBoxSink {
    std::wstring title;
    UINT style;
    int result = 0;
    int shown = 0;
};

// A modal dialog with an edit box holding "old text" and a default OK
// button; OK keeps what the box holds.
std::wstring g_typed;

INT_PTR CALLBACK type_test_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;  // the focus goes to the edit box
    if (message != WM_COMMAND || LOWORD(wparam) != IDOK) return FALSE;
    wchar_t text[64] = {};
    GetDlgItemTextW(dialog, 100, text, 64);
    g_typed = text;
    EndDialog(dialog, IDOK);
    return TRUE;
}

void show_type_test() {
    win32::DialogDescription d{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
                               0,
                               160,
                               40,
                               L"",
                               L"Type test",
                               8,
                               L"MS Shell Dlg",
                               {}};
    d.items.push_back({win32::ControlClass::Edit, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 5,
                       5, 150, 12, 100, L"old text"});
    d.items.push_back({win32::ControlClass::Button, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 55, 22,
                       50, 14, IDOK, L"OK"});
    std::vector<WORD> words = win32::buildDialogTemplate(d);
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), nullptr,
                            type_test_proc, 0);
}

}  // namespace

WINE_TEST(scripted_host_process) {
    Run run = run_host(L"/noaddins /fail Menus",
                       "# comment line\n"
                       "sinks\n"
                       "idle 2   # trailing comment\n"
                       "addin Tessaline.NoSuchAddIn get name\n"
                       "bogus step\n"
                       "event CommandAborted 57603\n"
                       "log checkpoint reached\n"
                       "exit\n"
                       "log after exit\n");
    ok(run.exitCode == 0, "the host exits normally (%lu)", run.exitCode);
    ok(contains(run.log, "sinks: 0\n"), "sinks step");
    ok(contains(run.log, "script line 5: unknown step 'bogus'"), "an unknown step is reported with its line");
    ok(contains(run.log, "add-in Tessaline.NoSuchAddIn is not loaded"), "an unknown add-in is reported");
    ok(contains(run.log, "event CommandAborted -> 0 sinks"), "event step");
    ok(contains(run.log, "checkpoint reached\n") && !contains(run.log, "after exit"), "the script stops at exit");
    ok(contains(run.log, "host objects alive: 0"), "nothing left alive");

    Run noExit = run_host(L"/noaddins", "log only line\n");
    ok(noExit.exitCode == 0 && contains(noExit.log, "host objects alive: 0"), "the end of the script also exits");
}

WINE_TEST(register_add_in_failures) {
    Apartment apartment;
    Run run = run_host(L"/regaddin C:\\no\\such\\addin.dll Tessaline.Missing", "");
    ok(run.exitCode == 1, "registering a missing DLL fails (%lu)", run.exitCode);
    ok(contains(run.log, "load C:\\no\\such\\addin.dll -> 0x8007"), "and says why");
    win32::unique_hkey key;
    DWORD value = 0, size = sizeof value;
    bool listed = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Morvane\\Applications\\Tessaline.Application\\AddIns", 0,
                                KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS &&
                  RegQueryValueExW(key.get(), L"Tessaline.Missing", nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                                   &size) == ERROR_SUCCESS;
    ok(!listed, "a failed registration does not list the add-in");
}

// A per-machine install lists its add-in for every user; a user's own entry
// for the same ProgID decides for that user.
WINE_TEST(add_ins_listed_for_the_machine_load_at_start) {
    const wchar_t* key = tessaline::AddInRegistry::kAddInsKey;
    const DWORD load = 1, skip = 0;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, L"Tessaline.MachineListed", REG_DWORD, &load, sizeof load);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, L"Tessaline.UserDeclined", REG_DWORD, &load, sizeof load);
    RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Tessaline.UserDeclined", REG_DWORD, &skip, sizeof skip);
    Run run = run_host(L"", "exit\n");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key, L"Tessaline.MachineListed");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key, L"Tessaline.UserDeclined");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"Tessaline.UserDeclined");
    ok(contains(run.log, "add-in Tessaline.MachineListed not loaded"), "the machine's list was not read");
    ok(!contains(run.log, "Tessaline.UserDeclined"), "an add-in the user turned off was loaded");
}

WINE_TEST(click_inside_a_modal_idle_handler) {
    Apartment apartment;
    Host host;
    DWORD cookie = 0;
    auto sink = connect_sink(host, cookie);
    // Like the add-in's prompt: a modal dialog without owner, shown from inside InIdle.
    MessageBoxSink box{L"Test prompt", MB_YESNOCANCEL};
    sink->onEvent = [&](TestSink&, DISPID id, DISPPARAMS&) {
        if (id != tessaline::kEventInIdle || box.shown >= 1) return;
        ++box.shown;
        box.result = MessageBoxW(nullptr, L"Save?", box.title.c_str(), box.style);
    };
    tessaline::ScriptRunner runner(*host.session);
    runner.run_line("click \"Test prompt\" No", 1);
    ok(box.shown == 1 && box.result == IDNO, "the button was clicked inside the modal loop (%d)", box.result);

    box = {L"Another prompt", MB_OKCANCEL};
    runner.run_line("closebox \"Another prompt\"", 2);
    ok(box.shown == 1 && box.result == IDCANCEL, "closebox closes it (%d)", box.result);

    box = {L"Third prompt", MB_OK};
    runner.run_line("click \"Third prompt\" Nonexistent", 3);
    ok(box.shown == 1 && box.result != 0, "a dialog without that button is closed, not left hanging");
    runner.run_line("click \"No such dialog\" OK 0.3", 4);

    std::string log = host.log_text();
    ok(contains(log, "click \"Test prompt\" \"No\" -> clicked button 7"), "the click is logged with the button id");
    ok(contains(log, "closebox \"Another prompt\" -> closed"), "closebox is logged");
    ok(contains(log, "\"Nonexistent\" -> the dialog has no such button, closed it"), "a missing button is reported");
    ok(contains(log, "click \"No such dialog\" \"OK\" -> timed out"), "a dialog that never shows times out");
    disconnect_sink(host, cookie);
}

WINE_TEST(scripted_session) {
    Folder folder;
    // clang-format off
    std::string script = "setting TessalineTestValue two words\n"
                         "open " + folder.script_path(L"plan.tsd") + "\n"
                         "open " + folder.script_path(L"site.tsd") + "\n"
                         "modify plan.tsd\n"
                         "until saved plan.tsd 0.2\n"
                         "post 57603\n"
                         "until saved site.tsd 30\n"
                         "activate plan.tsd\n"
                         "save\n"
                         "until modified plan.tsd off 30\n"
                         "saveas " + folder.script_path(L"copy.tsd") + "\n"
                         "documents\n"
                         "file " + folder.script_path(L"copy.tsd") + "\n"
                         "file " + folder.script_path(L"none.tsd") + "\n"
                         "post 57664\n"
                         "click \"About Tessaline\" OK\n"
                         "until nodialog \"About Tessaline\" 30\n"
                         "status\n"
                         "exit\n";
    // clang-format on
    Run run = run_host(L"/noaddins /language ENU /setting TessalineTestOther=1", script.c_str());
    ok(run.exitCode == 0, "the host exits normally (%lu)", run.exitCode);
    ok(contains(run.log, "setting TessalineTestOther = 1 -> 0x00000000\n"), "/setting is applied at start");
    ok(contains(run.log, "setting TessalineTestValue = two words -> 0x00000000\n"), "the setting step too");
    win32::unique_hkey key;
    wchar_t value[64] = {};
    DWORD size = sizeof value;
    bool stored = RegOpenKeyExW(HKEY_CURRENT_USER, tessaline::AddInRegistry::kSettingsKey, 0,
                                KEY_QUERY_VALUE | KEY_SET_VALUE, key.put()) == ERROR_SUCCESS &&
                  RegQueryValueExW(key.get(), L"TessalineTestValue", nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                                   &size) == ERROR_SUCCESS;
    ok(stored && std::wstring(value) == L"two words", "as REG_SZ under the add-in's key");
    if (key) {
        RegDeleteValueW(key.get(), L"TessalineTestValue");
        RegDeleteValueW(key.get(), L"TessalineTestOther");
    }

    ok(contains(run.log, "until saved plan.tsd 0.2 -> timed out"), "modifying alone saves nothing");
    ok(contains(run.log,
                "command 57603 from posted\nsave site.tsd -> written, 2 shapes\nevent DocumentSaved site.tsd\n"
                "until saved site.tsd 30 -> met"),
       "a posted File-Save saves the active drawing and meets the condition");
    ok(contains(run.log, "command 57603 from menu\nsave plan.tsd -> written, 3 shapes\nevent DocumentSaved plan.tsd"),
       "the save step goes through File-Save");
    ok(contains(run.log, "until modified plan.tsd off 30 -> met"), "the modified condition");
    ok(contains(run.log, "event DocumentSavedAs copy.tsd " + win32::narrow(folder / L"copy.tsd")),
       "saveas raises DocumentSavedAs with the new path");
    ok(contains(run.log, "documents: 2\ndocument copy.tsd modified=False active=True path="),
       "the documents step lists the renamed drawing");
    std::string copy = read_text(folder / L"copy.tsd");
    ok(contains(run.log, "copy.tsd -> " + std::to_string(copy.size()) + " bytes, fnv1a "), "the file step");
    ok(contains(run.log, "none.tsd -> missing"), "a missing file");
    ok(contains(run.log, "click \"About Tessaline\" \"OK\" -> clicked button 1\n"), "the About box was clicked");
    ok(contains(run.log, "until nodialog \"About Tessaline\" 30 -> met"), "and it closed");
    ok(contains(run.log, "status \"Ready\""), "the status step");
}

WINE_TEST(reload_add_ins) {
    Apartment apartment;
    Folder folder;
    FakeAddInClass fake;
    tessaline::SessionOptions options;
    options.extraAddIns = {kTestProgId};
    Host host(std::move(options));
    tessaline::ScriptRunner runner(*host.session);
    runner.run_line(("open " + folder.script_path(L"plan.tsd")).c_str(), 1);
    g_addIn->calls.clear();
    g_addIn->shuttingDown = true;
    runner.run_line("reload", 2);
    const std::vector<std::wstring> expected = {L"UIUnInitialize", L"UnInstall", L"Install", L"UIInitialize"};
    ok(g_addIn->calls == expected, "reload: UIUnInitialize, UnInstall, Install, UIInitialize");
    ok(!g_addIn->shuttingDown, "the application is not shutting down");
    ok(!g_addIn->docIsNothing, "the active drawing is passed as the document");
    ok(!g_addIn->destroyed, "the same add-in object is kept");
}

WINE_TEST(pick_dialog_actions_and_settings_steps) {
    Apartment apartment;
    Host host;
    tessaline::ScriptRunner runner(*host.session);
    runner.run_line("pick save", 1);
    runner.run_line("pick No such item", 2);
    // The About box is modal inside the pick; the armed actions reach it from the timer.
    runner.run_line("with \"About Tessaline\": controls | msgbox", 3);
    runner.run_line("pick About Tessaline", 4);
    runner.run_line("with Nothing: bogus", 5);
    // Typed into the focused box, then Enter as the keyboard sends it: the default button.
    DWORD cookie = 0;
    auto sink = connect_sink(host, cookie);
    sink->onEvent = [&](TestSink& self, DISPID id, DISPPARAMS&) {
        if (id == tessaline::kEventInIdle && self.count(tessaline::kEventInIdle) == 1) show_type_test();
    };
    runner.run_line("with Type test: type \"h\u00e9llo w\u00f6rld\" | controls | key Enter", 7);
    runner.run_line("until answered 30", 8);
    disconnect_sink(host, cookie);
    ok(g_typed == L"h\u00e9llo w\u00f6rld", "the box holds what was typed: %ls", g_typed.c_str());

    // The user's settings are put back as they were afterwards.
    std::wstring status, backup;
    bool hadStatus = tessaline::AddInRegistry::read_setting(L"Status", status) == ERROR_SUCCESS;
    bool hadBackup = tessaline::AddInRegistry::read_setting(L"SaveBackup", backup) == ERROR_SUCCESS;
    auto restore = [](const wchar_t* name, bool had, const std::wstring& value) {
        if (had) {
            tessaline::AddInRegistry::write_setting(name, value);
        } else if (win32::unique_hkey key; RegOpenKeyExW(HKEY_CURRENT_USER, tessaline::AddInRegistry::kSettingsKey, 0,
                                                         KEY_SET_VALUE, key.put()) == ERROR_SUCCESS) {
            RegDeleteValueW(key.get(), name);
        }
    };
    tessaline::AddInRegistry::write_setting(L"Status", L"\u00d6n");
    restore(L"SaveBackup", false, {});
    runner.run_line("settings", 6);
    restore(L"Status", hadStatus, status);
    restore(L"SaveBackup", hadBackup, backup);

    std::string log = host.log_text();
    ok(in_order(log, {"pick \"File\" \"Save\" -> command 57603", "command 57603 from menu"}),
       "pick runs the item as a menu pick");
    ok(contains(log, "script line 2: no menu item \"No such item\""), "an unknown item is reported");
    ok(in_order(log, {"pick \"Help\" \"About Tessaline...\" -> command 57664", "control button \"OK\" enabled",
                      "dialog \"About Tessaline\" ", "msgbox \"About Tessaline\" \"Tessaline reference host\""}),
       "the message box's controls, then the message box, pressed:\n%s", log.c_str());
    ok(contains(log, "script line 5: unknown dialog action 'bogus'"), "an unknown action is reported");
    ok(in_order(log, {"with \"Type test\": type \"h\xc3\xa9llo w\xc3\xb6rld\" -> typed into edit 100",
                      "control edit \"h\xc3\xa9llo w\xc3\xb6rld\" enabled focus sel 11 0",
                      "control button \"OK\" enabled default", "dialog \"Type test\" ",
                      "with \"Type test\": key Enter -> to edit 100", "until answered 30 -> met"}),
       "type, controls and Enter logged in order:\n%s", log.c_str());
    ok(in_order(log, {"setting Status = \xc3\x96n", "setting Documents = ", "setting Minutes = ", "setting Prompt = ",
                      "setting SaveBackup = <missing>"}),
       "the five settings in order, in UTF-8");
}

WINE_TEST(the_locator_names_the_running_host) {
    Apartment apartment;
    com_ptr<IDispatch> locator;
    CoCreateInstance(CLSID_ApplicationLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, locator.put_void());
    if (!ok(locator, "the application locator is registered")) return;
    {
        Host host;
        ok(win32::same_object(get_object(locator.get(), L"ActiveApplication").get(), host.framework().get()),
           "ActiveApplication is the framework application");
        host.session->shutdown();
        ok(contains(host.log_text(), "application locator set -> 0x00000000\n") &&
               contains(host.log_text(), "application locator cleared -> 0x00000000\nhost objects alive: 0"),
           "set at start, cleared before the count");
    }
    ok(!get_object(locator.get(), L"ActiveApplication"), "Nothing once the host has shut down");
}

WINE_TEST(help_file_registration) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring expected(exe);
    expected.resize(expected.find_last_of(L"\\/") + 1);
    expected += L"tessaline.chm";
    auto read_help = [] {
        wchar_t value[MAX_PATH] = {};
        DWORD size = sizeof value;
        if (RegGetValueW(HKEY_LOCAL_MACHINE, tessaline::AddInRegistry::kHelpFileKey, nullptr, RRF_RT_REG_SZ, nullptr,
                         value, &size) != ERROR_SUCCESS)
            return std::wstring(L"<none>");
        return std::wstring(value);
    };
    // The prefix may have the host registered already; it is left as found.
    win32::unique_hkey before;
    bool wasRegistered = RegOpenKeyExW(HKEY_LOCAL_MACHINE, tessaline::AddInRegistry::kHelpFileKey, 0, KEY_QUERY_VALUE,
                                       before.put()) == ERROR_SUCCESS;
    before.reset();

    Run reg = run_host(L"/regserver", "");
    ok(reg.exitCode == 0, "/regserver succeeds (%lu)", reg.exitCode);
    std::wstring help = read_help();
    ok(CompareStringOrdinal(help.c_str(), -1, expected.c_str(), -1, TRUE) == CSTR_EQUAL,
       "HelpFile names tessaline.chm beside the program: %s", win32::narrow(help).c_str());
    ok(GetFileAttributesW(help.c_str()) != INVALID_FILE_ATTRIBUTES, "the registered help file exists");
    Run unreg = run_host(L"/unregserver", "");
    ok(unreg.exitCode == 0 && read_help() == L"<none>", "/unregserver removes it");
    if (wasRegistered) run_host(L"/regserver", "");
}

WINE_TEST_MAIN
