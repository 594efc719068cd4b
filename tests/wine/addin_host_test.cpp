// The add-in inside the reference host, through real COM: the lifecycle the
// host drives, failures of the host reported with their labels, events
// connected only while installed, and everything released at the end.
#include "HostRun.h"
#include "WineTest.h"

#include "platform/win32/Variant.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace hostrun;

WINE_TEST(lifecycle_through_the_host) {
    HostRun run = runHost("idle 3\nsinks\n" + addIn("get name") + addIn("get IsInstalled") + addIn("get Hidden") +
                          addIn("get Status") + addIn("get Minutes") + "exit\n");
    const char* order[] = {"InitializeApplication", "Install", "UIInitialize", "UIUnInitialize", "UnInstall"};
    int previous = -1;
    for (const char* method : order) {
        int at = lineIndex(run, callLine(method));
        ok(at > previous, "%s missing, failed or out of order (line %d)", method, at);
        previous = at;
    }
    ok(hasLine(run, "sinks: 1"), "events not connected while installed");
    ok(hasLine(run, std::string(kProgId) + ".name = AutoSave"), "name not from the English library");
    ok(hasLine(run, std::string(kProgId) + ".IsInstalled = True"), "not installed");
    ok(hasLine(run, std::string(kProgId) + ".Hidden = False"), "hidden");
    ok(hasLine(run, std::string(kProgId) + ".Status = On"), "Status default");
    ok(hasLine(run, std::string(kProgId) + ".Minutes = 10"), "Minutes default");
    ok(run.reports.empty(), "%zu unexpected error reports, first: %s", run.reports.size(),
       run.reports.empty()             ? ""
       : run.reports[0].size() > Label ? run.reports[0][Label].c_str()
                                       : "?");
    expectCleanEnd(run);
}

WINE_TEST(a_setting_stored_as_a_number_gives_its_default_and_stays_stored) {
    // A deployment script stored Minutes as a number: the add-in cannot read
    // it as text, and must neither write "" over it nor save at every idle event.
    HostRun run = runHost("numbersetting Minutes 1\nreload\nsettings\n" + addIn("get Minutes") + "exit\n");
    ok(hasLine(run, "numbersetting Minutes = 1 -> 0x00000000"), "not stored as a number");
    ok(hasLine(run, std::string(kProgId) + ".Minutes = 10"), "not the default for the session");
    ok(lineIndex(run, "setting Minutes = <") >= 0, "the number was written over");
    ok(reportLabels(run) == std::vector<std::string>{"CAddIn:GetRegistryValue()"}, "%zu reports", run.reports.size());
    expectCleanEnd(run);
}

WINE_TEST(host_failures_are_reported_with_their_labels) {
    struct Case {
        const wchar_t* member;
        const char* label;
    } const cases[] = {
        {L"EventSource", "CAddIn:Install()"},
        {L"ProgId", "CAddIn:InitializeApplication()"},
        {L"orvapplication", "CAddIn:InitializeApplication()"},
        {L"Menus", "CAddIn:CreateMenuEntry()"},
    };
    for (const auto& c : cases) {
        HostRun run = runHost("idle 2\nsinks\n" + addIn("get IsInstalled") + "exit\n",
                              std::wstring(L"/fail ") + c.member);
        auto reports = reportsLabelled(run, c.label);
        if (!ok(!reports.empty(), "failing %ls: no report labelled %s", c.member, c.label)) continue;
        const auto& r = reports.front();
        ok(r[Source] == "Tessaline", "failing %ls: source %s", c.member, r[Source].c_str());
        ok(r[Description] == win32::narrow(c.member) + " failed (injected)", "failing %ls: description %s", c.member,
           r[Description].c_str());
        ok(r[Style] == "48" && r[Flag1] == "0" && r[Flag2] == "0", "failing %ls: style and flags", c.member);
        // The failure never reaches the host: every lifecycle call succeeds.
        for (const char* method : {"InitializeApplication", "Install", "UIInitialize", "UIUnInitialize", "UnInstall"})
            ok(lineIndex(run, callLine(method)) >= 0, "failing %ls: %s reached the host", c.member, method);
        expectCleanEnd(run);
    }
    // An Install that cannot connect stays installed, without events.
    HostRun run = runHost("sinks\n" + addIn("get IsInstalled") + "exit\n", L"/fail EventSource");
    ok(hasLine(run, "sinks: 0"), "connected without an event source");
    ok(hasLine(run, std::string(kProgId) + ".IsInstalled = True"), "IsInstalled not set before the failure");
}

WINE_TEST(events_reach_the_add_in_only_while_installed) {
    HostRun run = runHost("sinks\n" + addIn("call UnInstall") + "sinks\nidle 2\nevent CommandAborted 57603\n" +
                          addIn("get IsInstalled") + addIn("call Install") + "sinks\n" + addIn("get IsInstalled") +
                          "exit\n");
    int first = lineIndex(run, "sinks: 1"), none = lineIndex(run, "sinks: 0");
    ok(first >= 0 && none > first, "UnInstall did not disconnect");
    ok(lineIndex(run, std::string(kProgId) + ".IsInstalled = False") > none, "UnInstall left it installed");
    int again = -1;
    for (size_t i = none + 1; i < run.log.size(); ++i)
        if (run.log[i] == "sinks: 1") again = static_cast<int>(i);
    ok(again > none, "a second Install did not reconnect");
    ok(run.reports.empty(), "%zu unexpected reports", run.reports.size());
    expectCleanEnd(run);
}

const wchar_t kQuickAllNoPrompt[] =
    L"/setting Minutes=0.02 /setting Documents=All /setting Prompt=Off /setting SaveBackup=On";

WINE_TEST(a_pass_saves_every_modified_drawing_and_backs_it_up) {
    HostRun run = runHost(
        "open $DIR\\A.tsd\nopen $DIR\\B.tsd\nmodify B.tsd\nmodify A.tsd\nactivate A.tsd\n"
        "until saved A.tsd 30\n"
        "file $DIR\\A.tsd\nfile $DIR\\A.tsd.bak\nfile $DIR\\B.tsd\nfile $DIR\\B.tsd.bak\n"
            // Both flags are down again: the user's own save makes no new backup.
            + addIn("put Status Off") + "modify A.tsd\nsave A.tsd\nfile $DIR\\A.tsd\nfile $DIR\\A.tsd.bak\nexit\n",
        kQuickAllNoPrompt);
    int savedB = lineIndex(run, "save B.tsd -> written"), posted = lineIndex(run, "command 57603 from posted"),
        savedA = lineIndex(run, "save A.tsd -> written");
    ok(savedB >= 0 && posted > savedB && savedA > posted, "B saved directly, then A through the posted command");
    ok(lineIndex(run, "statusbar \"AutoSave: saving A.tsd...\"") >= 0, "saving message");
    std::vector<std::string> files;
    for (const auto& l : run.log)
        if (l.rfind("file ", 0) == 0) files.push_back(l.substr(l.find(" -> ") + 4));
    if (ok(files.size() == 6, "%zu file lines", files.size())) {
        ok(files[0] == files[1] && files[0] != "missing", "A.tsd.bak differs from A.tsd: %s / %s", files[0].c_str(),
           files[1].c_str());
        ok(files[2] == files[3] && files[2] != "missing", "B.tsd.bak differs from B.tsd");
        ok(files[4] != files[0] && files[5] == files[1], "the user's save touched the backup");
    }
    ok(run.reports.empty(), "%zu reports", run.reports.size());
    expectCleanEnd(run);
}

namespace {

// The short name Wine gives a file of that long name (from the name alone).
std::string shortNameOf(const std::wstring& name) {
    wchar_t temp[MAX_PATH] = {}, shortPath[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"short_name_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = folder + L"\\" + name;
    CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
    DeleteFileW(path.c_str());
    RemoveDirectoryW(folder.c_str());
    const std::wstring result = shortPath;
    return win32::narrow(result.substr(result.find_last_of(L'\\') + 1));
}

}  // namespace

WINE_TEST(a_backup_never_replaces_an_open_drawing) {
    // The user opened the backup (in other letters) as a drawing and saved
    // edits in it; a drawing opened by its short name.
    const std::string shortName = shortNameOf(L"long drawing name.tsd");
    ok(shortName.find('~') != std::string::npos, "no short name: %s", shortName.c_str());
    HostRun run = runHost(
        "open $DIR\\plan.tsd\nopen $DIR\\PLAN.TSD.BAK\nmodify PLAN.TSD.BAK\nsave PLAN.TSD.BAK\n"
        "file $DIR\\PLAN.TSD.BAK\nopen \"$DIR\\long drawing name.tsd\"\nclose \"long drawing name.tsd\"\n"
        "open $DIR\\" +
            shortName + "\nmodify " + shortName +
            "\nmodify plan.tsd\n"
            "until saved " +
            shortName + " 30\n" + addIn("put Status Off") +
            "file $DIR\\PLAN.TSD.BAK\nfile \"$DIR\\long drawing name.tsd.bak\"\nfile $DIR\\" + shortName +
            ".bak\nexit\n",
        kQuickAllNoPrompt);
    const auto edits = linesStartingWith(run, "file ");
    if (ok(edits.size() == 4, "%zu file lines", edits.size())) {
        ok(edits[0].substr(edits[0].find(" -> ")) == edits[1].substr(edits[1].find(" -> ")),
           "the user's edits in the open backup were replaced: %s / %s", edits[0].c_str(), edits[1].c_str());
        ok(fileLine(run, "long drawing name.tsd.bak") != "missing", "no backup under the drawing's long name");
        ok(fileLine(run, shortName + ".bak") == "missing", "a backup under the drawing's short name");
    }
    const auto refused = reportsLabelled(run, "ProcessFileSave()");
    ok(refused.size() == 1 && refused[0][Number] == "55" &&
           refused[0][Description].find("PLAN.TSD.BAK") != std::string::npos,
       "%zu reports, first: %s", refused.size(), refused.empty() ? "" : refused[0][Description].c_str());
    expectCleanEnd(run);
}

WINE_TEST(the_prompt_is_answered_per_drawing) {
    const char* setup =
        "open $DIR\\A.tsd\nopen $DIR\\B.tsd\nopen $DIR\\C.tsd\nmodify A.tsd\nmodify B.tsd\nmodify C.tsd\n"
        "activate A.tsd\n";
    const wchar_t* settings = L"/setting Minutes=0.02 /setting Documents=All /setting Prompt=On /setting SaveBackup=On";
    HostRun run = runHost(std::string(setup) + "answer AutoSave Save Skip Save\n" + addIn("put Status Off") +
                              "until saved C.tsd 30\n" +
                              "file $DIR\\A.tsd.bak\nfile $DIR\\B.tsd.bak\nfile $DIR\\C.tsd.bak\nexit\n",
                          settings);
    ok(lineIndex(run, "click \"AutoSave\" \"Skip\" -> clicked button 1002") >= 0, "Skip not offered");
    ok(fileLine(run, "A.tsd.bak") != "missing", "A not saved");
    ok(fileLine(run, "B.tsd.bak") == "missing", "B saved though skipped");
    ok(fileLine(run, "C.tsd.bak") != "missing", "C not saved");
    expectCleanEnd(run);

    // Saving off before the loop runs again: a later pass would ask about B anew.
    run = runHost(std::string(setup) + "answer AutoSave Save Cancel\n" + addIn("put Status Off") + "wait 1\n" +
                      "file $DIR\\A.tsd.bak\nfile $DIR\\B.tsd.bak\nfile $DIR\\C.tsd.bak\nexit\n",
                  settings);
    int clicks = 0;
    for (const auto& l : run.log) clicks += l.rfind("click \"AutoSave\"", 0) == 0;
    ok(clicks == 2, "%d prompts answered; Cancel must end the pass", clicks);
    ok(fileLine(run, "A.tsd.bak") != "missing", "A not saved before Cancel");
    ok(fileLine(run, "B.tsd.bak") == "missing" && fileLine(run, "C.tsd.bak") == "missing", "saved after Cancel");
    expectCleanEnd(run);
}

WINE_TEST(a_host_unloading_the_add_in_under_its_prompt) {
    HostRun run = runHost(
        "open $DIR\\A.tsd\nopen $DIR\\B.tsd\nmodify A.tsd\nmodify B.tsd\n"
        "with AutoSave: wait 0.2 | unload " +
            std::string(kProgId) + "\nuntil answered 30\nuntil nodialog AutoSave 10\nwait 1\nsinks\nexit\n",
        L"/setting Minutes=0.02 /setting Documents=All /setting Prompt=On");
    ok(hasLine(run, "with \"AutoSave\": unload " + std::string(kProgId) + " -> unloaded"), "not unloaded");
    ok(hasLine(run, "until nodialog AutoSave 10 -> met"), "the prompt stayed up");
    ok(hasLine(run, "sinks: 0"), "events still connected");
    ok(linesStartingWith(run, "save ").empty(), "a drawing was saved without the user's word");
    ok(run.reports.empty(), "%zu unexpected error reports", run.reports.size());
    expectCleanEnd(run);
}

WINE_TEST(the_close_box_acts_as_skip_and_the_next_prompt_loads_again) {
    HostRun run = runHost(
        "open $DIR\\A.tsd\nopen $DIR\\B.tsd\nmodify A.tsd\nmodify B.tsd\nactivate B.tsd\n"
        "answer AutoSave closebox Save\n" +
            addIn("put Status Off") + "until saved B.tsd 30\nfile $DIR\\A.tsd.bak\nfile $DIR\\B.tsd.bak\nexit\n",
        L"/setting Minutes=0.02 /setting Documents=All /setting Prompt=On /setting SaveBackup=On");
    ok(hasLine(run, "closebox \"AutoSave\" -> closed"), "the prompt was not closed");
    // The reloaded form has its captions again: its Save button is found.
    ok(lineIndex(run, "click \"AutoSave\" \"Save\" -> clicked button 1001") >= 0, "no Save button after reloading");
    ok(fileLine(run, "A.tsd.bak") == "missing", "A saved though its prompt was closed");
    ok(fileLine(run, "B.tsd.bak") != "missing", "B not saved");
    ok(run.reports.empty(), "%zu reports", run.reports.size());
    expectCleanEnd(run);
}

WINE_TEST(an_aborted_save_takes_back_the_message_and_keeps_the_flag) {
    HostRun run = runHost(
        "open $DIR\\A.tsd\nopen $DIR\\B.tsd\nmodify B.tsd\nreadonly A.tsd on\nactivate A.tsd\nwait 2.5\n" +
            addIn("put Status Off") +
            // The pending flag makes the user's next save the add-in's own.
            "modify B.tsd\nsave B.tsd\nfile $DIR\\B.tsd.bak\nreadonly A.tsd off\nexit\n",
        L"/setting Minutes=0.02 /setting Documents=Active /setting Prompt=Off /setting SaveBackup=On");
    int aborted = lineIndex(run, "event CommandAborted 57603");
    ok(aborted >= 0, "the save of a read-only drawing was not aborted");
    ok(aborted >= 0 && lineIndex(run, "statusbar \"AutoSave: saving A.tsd...\"") < aborted, "no saving message first");
    bool cleared = false;
    for (size_t i = aborted + 1; aborted >= 0 && i < run.log.size(); ++i) cleared |= run.log[i] == "statusbar \"\"";
    ok(cleared, "the saving message stayed after the abort");
    ok(fileLine(run, "B.tsd.bak") != "missing", "the save after an abort was not taken as the add-in's");
    ok(run.reports.empty(), "%zu reports", run.reports.size());
    expectCleanEnd(run);
}

WINE_TEST(the_users_own_save_makes_no_backup) {
    HostRun run = runHost("open $DIR\\A.tsd\nmodify A.tsd\nsave A.tsd\nfile $DIR\\A.tsd.bak\nexit\n",
                          L"/setting SaveBackup=On");
    ok(lineIndex(run, "save A.tsd -> written") >= 0, "not saved");
    ok(fileLine(run, "A.tsd.bak") == "missing", "a backup of the user's own save");
    expectCleanEnd(run);
}

WINE_TEST(the_menu_check_mark_follows_status) {
    for (const char* status : {"On", "Off", "off"}) {
        HostRun run = runHost("idle 3\ncheck AutoSave...\nexit\n", L"/setting Status=" + win32::widen(status));
        bool on = std::string(status) == "On";
        ok(hasLine(run, std::string("check AutoSave... -> ") + (on ? "checked" : "unchecked")),
           "Status %s: check mark wrong", status);
    }
}

WINE_TEST(unloading_takes_the_menu_item_away) {
    HostRun run = runHost("idle 2\nmenu\n" + addIn("call UIUnInitialize") + "menu\nexit\n");
    int unloaded = lineIndex(run, callLine("UIUnInitialize"));
    int before = 0, after = 0;
    for (int i = 0; i < static_cast<int>(run.log.size()); ++i)
        if (run.log[i].rfind("  ", 0) == 0 && run.log[i].find("\"AutoSave") != std::string::npos)
            ++(i < unloaded ? before : after);
    ok(unloaded >= 0 && before == 1 && after == 0, "menu item: %d before unloading, %d after", before, after);
    ok(run.reports.empty(), "%zu unexpected error reports", run.reports.size());
    expectCleanEnd(run);
}

WINE_TEST(dialog_steps_on_the_save_prompt) {
    HostRun run = runHost(
        "settings\n"
        "open $DIR\\A.tsd\nopen $DIR\\B.tsd\nopen $DIR\\C.tsd\nmodify A.tsd\nmodify B.tsd\nmodify C.tsd\n"
        "activate A.tsd\n"
        // A: Escape does nothing here, Tab moves to Skip, Enter presses it. B: the close box. C: Save.
        "with AutoSave: controls | key Escape | key Tab | controls | key Enter\n"
        "with AutoSave: closebox\n"
        "with AutoSave: click Save\n"
        "until answered 30\n" +
            addIn("put Status Off") +
            "file $DIR\\A.tsd.bak\nfile $DIR\\B.tsd.bak\nfile $DIR\\C.tsd.bak\n"
            "run vokAutoSave412.NoSuchCommand\nexit\n",
        L"/setting Minutes=0.02 /setting Documents=All /setting Prompt=On /setting SaveBackup=On");
    size_t at = 0;
    for (const char* line : {"setting Status = On", "setting Documents = All", "setting Minutes = 0.02",
                             "setting Prompt = On", "setting SaveBackup = On"}) {
        while (at < run.log.size() && run.log[at] != line) ++at;
        ok(at < run.log.size(), "settings: %s missing or out of order", line);
    }

    std::vector<std::string> controls;
    for (const auto& l : run.log)
        if (l.rfind("control ", 0) == 0 || l.rfind("dialog ", 0) == 0) controls.push_back(l);
    if (ok(controls.size() == 10, "%zu control and dialog lines", controls.size())) {
        ok(controls[0].rfind("control label \"", 0) == 0 && controls[0].find("A.tsd") != std::string::npos &&
               controls[0].ends_with("\" enabled"),
           "the question first: %s", controls[0].c_str());
        ok(controls[1] == "control button \"Save\" enabled default focus" &&
               controls[2] == "control button \"Skip\" enabled" && controls[3] == "control button \"Cancel\" enabled",
           "the buttons in tab order, the focus on Save: %s / %s / %s", controls[1].c_str(), controls[2].c_str(),
           controls[3].c_str());
        int width = 0, height = 0;
        ok(std::sscanf(controls[4].c_str(), "dialog \"AutoSave\" %dx%d", &width, &height) == 2 && width > 0 &&
               height > 0,
           "then the dialog: %s", controls[4].c_str());
        ok(controls[7] == "control button \"Skip\" enabled default focus", "Tab moved the focus: %s",
           controls[7].c_str());
    }
    ok(hasLine(run, "with \"AutoSave\": key Escape -> to button 1001") &&
           hasLine(run, "with \"AutoSave\": key Enter -> to button 1002"),
       "keys go to the focused button");
    ok(hasLine(run, "with \"AutoSave\": closebox -> closed") &&
           hasLine(run, "with \"AutoSave\": click Save -> clicked button 1001") &&
           hasLine(run, "until answered 30 -> met"),
       "every showing was answered");
    // Enter pressed Skip, neither Save nor Cancel: B and C were still asked about.
    ok(fileLine(run, "A.tsd.bak") == "missing" && fileLine(run, "B.tsd.bak") == "missing" &&
           fileLine(run, "C.tsd.bak") != "missing",
       "A skipped, B closed, C saved");
    int ran = lineIndex(run, "run vokAutoSave412.NoSuchCommand -> command ");
    std::string id = ran >= 0 ? run.log[ran].substr(run.log[ran].rfind(' ') + 1) : "?";
    ok(hasLine(run, "command " + id + ": cannot create vokAutoSave412.NoSuchCommand -> 0x800401F3"),
       "a command class that cannot be created is logged");
    expectCleanEnd(run);
}

// Every scenario again with events raised by reference and strict
// by-reference parameters, and under the host's second event numbering.
int main() {
    for (const wchar_t* mode : {L"", L"/byref", L"/renumber"}) {
        std::printf("host mode \"%ls\"\n", mode);
        setHostMode(mode);
        winetest::run_all();
    }
    return winetest::state().failed == 0 ? 0 : 1;
}
