// The settings dialog in the reference host, driven as a user would: picked
// from the menu, read back control by control, and closed on every path.
#include "HostRun.h"
#include "WineTest.h"

#include "platform/win32/Variant.h"

#include <windows.h>

#include <string>
#include <vector>

using namespace hostrun;

namespace {

const std::wstring kStored =
    L"/setting Status=On /setting Documents=Active /setting Minutes=10 /setting Prompt=On /setting SaveBackup=Off";
const char kRejected[] =
    "msgbox \"AutoSave\" \"Please enter the interval as a whole number of minutes greater than zero.\"";

// Picks the menu item with these actions armed for the dialog, then logs the settings.
HostRun pickSettings(const std::string& actions, const std::wstring& arguments = kStored) {
    return runHost("with AutoSave: " + actions + "\npick AutoSave...\nuntil answered 20\nsettings\nexit\n", arguments);
}

// What the `settings` step logged (the /setting arguments log with their result).
std::vector<std::string> settingsOf(const HostRun& run) {
    std::vector<std::string> stored;
    for (const auto& l : linesStartingWith(run, "setting "))
        if (l.find(" -> ") == std::string::npos) stored.push_back(l);
    return stored;
}

std::vector<std::string> settings(const char* status, const char* documents, const char* minutes, const char* prompt,
                                  const char* backup) {
    return {std::string("setting Status = ") + status, std::string("setting Documents = ") + documents,
            std::string("setting Minutes = ") + minutes, std::string("setting Prompt = ") + prompt,
            std::string("setting SaveBackup = ") + backup};
}

// The host ended the command the dialog's closing path asked it to end.
bool commandEnded(const HostRun& run) {
    int done = lineIndex(run, "command 40000 Done"), terminate = lineIndex(run, "command 40000 Terminate"),
        ended = lineIndex(run, "command 40000 ended");
    return done >= 0 && terminate > done && ended > terminate;
}

std::string describe(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += "\n  " + l;
    return text;
}

}  // namespace

WINE_TEST(ok_shows_the_stored_settings_and_writes_the_changes) {
    HostRun run = pickSettings(
        "controls | type 25 | click All modified drawings | click Ask before saving | click Keep a backup copy (.bak) "
        "| key Enter");
    const std::vector<std::string> shown = {
        "control button \"OK\" enabled default",
        "control button \"Cancel\" enabled",
        "control button \"Help\" enabled",
        "control check \"Save automatically every\" enabled checked",
        "control edit \"10\" enabled focus sel 0 2",
        "control option \"Active drawing only\" enabled checked",
        "control option \"All modified drawings\" enabled unchecked",
        "control check \"Ask before saving\" enabled checked",
        "control label \"minutes\" enabled",
        "control frame \"Drawings to save\" enabled",
        "control check \"Keep a backup copy (.bak)\" enabled unchecked",
        "dialog \"AutoSave\" 278x174",
    };
    std::vector<std::string> controls = linesStartingWith(run, "control ");
    controls.push_back(linesStartingWith(run, "dialog ").empty() ? "" : linesStartingWith(run, "dialog ")[0]);
    ok(controls == shown, "the dialog showed:%s", describe(controls).c_str());
    ok(settingsOf(run) == settings("On", "All", "25", "Off", "On"), "written:%s", describe(settingsOf(run)).c_str());
    ok(commandEnded(run), "the command did not end");
    ok(run.reports.empty(), "%zu reports", run.reports.size());
    expectCleanEnd(run);
}

WINE_TEST(cancel_escape_and_the_close_box_write_nothing) {
    for (const char* close : {"click Cancel", "key Escape", "closebox"}) {
        HostRun run = pickSettings(std::string("type 25 | click Keep a backup copy (.bak) | ") + close);
        ok(settingsOf(run) == settings("On", "Active", "10", "On", "Off"), "%s wrote:%s", close,
           describe(settingsOf(run)).c_str());
        ok(commandEnded(run), "%s did not end the command", close);
        ok(run.reports.empty(), "%s: %zu reports", close, run.reports.size());
        expectCleanEnd(run);
    }
}

WINE_TEST(a_host_unloading_the_add_in_takes_the_dialog_away_unanswered) {
    HostRun run = pickSettings("type 25 | unload " + std::string(kProgId));
    ok(hasLine(run, "with \"AutoSave\": unload " + std::string(kProgId) + " -> unloaded"), "not unloaded");
    ok(settingsOf(run) == settings("On", "Active", "10", "On", "Off"), "wrote:%s", describe(settingsOf(run)).c_str());
    ok(commandEnded(run), "the command did not end");
    ok(run.reports.empty(), "%zu reports", run.reports.size());
    expectCleanEnd(run);
}

WINE_TEST(rejected_intervals_ask_again_and_keep_the_dialog) {
    for (const char* interval : {"0", "-3", "1.5", "ten", "\"\"", "40000"}) {
        HostRun run = pickSettings(std::string("type ") + interval + " | click OK | msgbox | controls | click Cancel");
        ok(hasLine(run, kRejected), "%s: no message", interval);
        std::vector<std::string> edit = linesStartingWith(run, "control edit ");
        std::string typed = std::string(interval) == "\"\"" ? "" : interval;
        ok(edit.size() == 1 &&
               edit[0] == "control edit \"" + typed + "\" enabled focus sel 0 " + std::to_string(typed.size()),
           "%s: the interval is not selected again:%s", interval, describe(edit).c_str());
        ok(settingsOf(run) == settings("On", "Active", "10", "On", "Off"), "%s written", interval);
        ok(run.reports.empty(), "%s: %zu reports", interval, run.reports.size());
    }
}

WINE_TEST(loaded_values_in_another_letter_case_count_as_the_other_choice) {
    HostRun run = pickSettings("controls | key Enter",
                               L"/setting Status=on /setting Documents=active /setting Minutes=ten /setting Prompt=On "
                               L"/setting SaveBackup=Off");
    ok(hasLine(run, "control check \"Save automatically every\" enabled unchecked"), "Status \"on\" shown as on");
    ok(hasLine(run, "control option \"All modified drawings\" disabled checked"),
       "Documents \"active\" shown as Active");
    ok(hasLine(run, "control edit \"10\" enabled focus sel 0 2"), "a non-numeric interval not shown as 10");
    ok(settingsOf(run) == settings("Off", "All", "10", "On", "Off"), "written:%s", describe(settingsOf(run)).c_str());
}

WINE_TEST(the_on_off_box_rules_the_four_controls_and_the_focus) {
    HostRun run = pickSettings(
        "click Save automatically every | controls | click Save automatically every | controls "
        "| click Cancel");
    std::vector<std::string> lines = linesStartingWith(run, "control ");
    if (!ok(lines.size() == 22, "%zu control lines", lines.size())) return;
    ok(lines[0] == "control button \"OK\" enabled default focus", "OK not focused when switched off: %s",
       lines[0].c_str());
    for (int i : {5, 6, 7, 10})
        ok(lines[i].find(" disabled") != std::string::npos, "still enabled: %s", lines[i].c_str());
    ok(lines[4] == "control edit \"10\" enabled sel 0 2", "the interval changed: %s", lines[4].c_str());
    ok(lines[11 + 4] == "control edit \"10\" enabled focus sel 0 2", "the interval not selected when switched on");
    for (int i : {5, 6, 7, 10}) ok(lines[11 + i].find(" enabled") != std::string::npos, "not enabled again");
    ok(settingsOf(run) == settings("On", "Active", "10", "On", "Off"), "Cancel wrote");
}

WINE_TEST(the_command_adds_and_loads_an_add_in_that_is_not_loaded) {
    HostRun run = runHost(
        "with AutoSave: controls | click Cancel\nrun vokAutoSave412.CCommand\nuntil answered 20\nexit\n",
        kStored + L" /setting Minutes=12 /noaddins");
    int added = lineIndex(run, "create vokAutosave412.CAddin -> 0x00000000");
    int initialize = lineIndex(run, "command 40000 Initialize");
    ok(added >= 0 && initialize > added, "the add-in was not added before the dialog showed");
    bool menu = false;
    for (size_t i = added + 1; added >= 0 && i < run.log.size(); ++i)
        menu |= run.log[i].find(".UIInitialize -> 0x00000000") != std::string::npos;
    ok(menu, "not loaded with its menu");
    ok(hasLine(run, "control edit \"12\" enabled focus sel 0 2"), "the stored settings not shown");
    ok(commandEnded(run), "the command did not end");
    ok(run.reports.empty(), "%zu reports", run.reports.size());
}

WINE_TEST(help_opens_the_viewer_and_leaves_the_dialog_open) {
    HostRun run = runHost(
        "with AutoSave: click Help\nwith Tessaline Help: closebox\nwith AutoSave: controls | key Escape\n"
        "pick AutoSave...\nuntil answered 20\nexit\n",
        kStored);
    int viewer = lineIndex(run, "with \"Tessaline Help\": closebox -> closed");
    ok(viewer >= 0, "the help viewer did not open the registered help file");
    ok(lineIndex(run, "dialog \"AutoSave\"") > viewer, "the dialog did not stay open");
    ok(commandEnded(run), "the command did not end");
    ok(run.reports.empty(), "%zu reports", run.reports.size());
}

// A bare registered name, "tessaline", becomes "tessaline.chm", which the
// viewer would look for in the current directory (here the host's folder,
// which has one): refused and reported instead.
WINE_TEST(a_relative_help_file_is_refused_and_reported) {
    const std::wstring key = L"Software\\Morvane\\Applications\\Tessaline\\Help\\HelpFile";
    wchar_t registered[MAX_PATH] = {};
    DWORD size = sizeof registered;
    if (!ok(RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, registered, &size) ==
                ERROR_SUCCESS,
            "no help file registered"))
        return;
    auto setHelpFile = [&](const std::wstring& name) {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, REG_SZ, name.c_str(),
                        static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
    };
    setHelpFile(L"tessaline");
    HostRun run = runHost(
        "with AutoSave: click Help | controls | key Escape\npick AutoSave...\nuntil answered 20\nexit\n", kStored);
    setHelpFile(registered);
    auto reports = reportsLabelled(run, "frmAutoSave.cmdHelp_Click");
    ok(reports.size() == 1 && reports[0][Number] == "52" &&
           reports[0][Description].find("tessaline.chm") != std::string::npos,
       "%zu reports labelled frmAutoSave.cmdHelp_Click", reports.size());
    ok(lineIndex(run, "dialog \"AutoSave\"") >= 0 && commandEnded(run), "the dialog did not stay open");
}

WINE_TEST(failing_host_members_are_reported_with_the_dialogs_labels) {
    struct Case {
        const wchar_t* member;
        const char* actions;
        const char* label;
        bool ends;  // the command still ends
    } const cases[] = {
        {L"Interactive", "click Cancel | key Escape", "frmAutoSave:cmdCancel_Click()", true},
        {L"Interactive", "key Enter", "frmAutoSave:cmdOK_Click()", true},
        {L"Interactive", "closebox", "frmAutoSave:Form_QueryUnload()", true},
        {L"hwnd", "click Cancel | key Escape", "frmAutoSave:cmdCancel_Click()", true},
        {L"hwnd", "key Escape", "frmAutoSave:qeCommand1_Terminate()", true},
        {L"ApplicationKey", "click Help | key Escape", "frmAutoSave.cmdHelp_Click", true},
        {L"AddIns", "controls | key Escape", "frmAutoSave:GetAddIn()", true},
        {L"Object", "controls | key Escape", "frmAutoSave:GetAutoSaveSettings()", true},
        {L"Loaded", "", "frmAutoSave:qeCommand1_Initialize()", true},
    };
    for (const auto& c : cases) {
        HostRun run = runHost(
            std::string("with AutoSave: ") + c.actions + "\npick AutoSave...\nuntil answered 10\nexit\n",
            kStored + L" /fail " + c.member);
        std::vector<std::string> labels = reportLabels(run);
        bool found = false;
        for (const auto& l : labels) found |= l == c.label;
        ok(found, "failing %ls: no report labelled %s:%s", c.member, c.label, describe(labels).c_str());
        ok(commandEnded(run) == c.ends, "failing %ls: the command %s", c.member, c.ends ? "kept running" : "ended");
        expectCleanEnd(run);
    }
    // Added by the command itself, the add-in fails to load: reported, and the dialog still comes.
    HostRun run = runHost("with AutoSave: key Escape\nrun vokAutoSave412.CCommand\nuntil answered 10\nexit\n",
                          kStored + L" /noaddins /fail Load");
    std::vector<std::string> labels = reportLabels(run);
    ok(!labels.empty() && labels[0] == "CCommand:Command_Initialize()", "failing Load:%s", describe(labels).c_str());
    // The help file name the host reads fails with the application key.
    run = runHost("with AutoSave: key Escape\npick AutoSave...\nuntil answered 10\nexit\n",
                  kStored + L" /fail ApplicationKey");
    labels = reportLabels(run);
    ok(!labels.empty() && labels[0] == "CCommand:HelpFileName", "failing ApplicationKey:%s", describe(labels).c_str());
}

WINE_TEST_MAIN
