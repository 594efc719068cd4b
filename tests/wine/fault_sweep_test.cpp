// Every host member the add-in calls, made to fail in turn through one whole
// session: the settings command loading the add-in, the menu check, both
// passes with the prompt answered Save, Skip and Cancel, backups, an aborted
// save, a closing drawing, the settings dialog, unloading and loading again.
// Each failure is reported under the label of the procedure that called the
// member, the host shuts down cleanly, and once the failure is lifted the
// add-in saves again.
#include "HostRun.h"
#include "WineTest.h"

#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

using namespace hostrun;

namespace {

// Every label the add-in's procedures report under.
const std::set<std::string> kLabels = {
    "CAddIn:Class_Initialize()",
    "CAddIn:InitializeApplication()",
    "CAddIn:InitializeApplication()--Failed to Load vokAutoSave_<>.dll Resource Lib",
    "CAddIn:Get Hidden()",
    "CAddIn:Get name()",
    "CAddIn:Let name()",
    "CAddIn:Get description()",
    "CAddIn:Let description()",
    "CAddIn:Get IsInstalled()",
    "CAddIn:Let IsInstalled()",
    "CAddIn:Install()",
    "CAddIn:UIInitialize()",
    "CAddIn:UIUnInitialize()",
    "CAddIn:UnInstall()",
    "CAddIn:CreateMenuEntry()",
    "CAddIn:GetRegistryValue()",
    "CAddIn:In GetRegistryValue()--RegCreateKeyEx() Failed.",
    "CAddIn:In GetRegistryValue()--RegSetValueExStr() Failed.",
    "CAddIn:Get Status()",
    "CAddIn:Let Status()",
    "CAddIn:Get Documents()",
    "CAddIn:Let Documents()",
    "CAddIn:Get Minutes()",
    "CAddIn:Let Minutes()",
    "CAddIn:Get Prompt()",
    "CAddIn:Let Prompt()",
    "CAddIn:Get SaveBackup()",
    "CAddIn:Let SaveBackup()",
    "CAddIn:g_ApplicationEvents_InIdle()",
    "CAddIn:g_ApplicationEvents_DocumentSaved()",
    "CAddIn:g_ApplicationEvents_DocumentSavedAs()",
    "CAddIn:g_ApplicationEvents_BeforeDocumentClose()",
    "CAddIn:g_ApplicationEvents_CommandAborted()",
    "ProcessFileSave()",
    "MRegistry::GetResourceString()",
    "MRegistry::GetRegistryValueString()",
    "MRegistry::GetHelpFileNameFromRegistry()",
    "MI18NUtilities:SetInternationalizeFont()",
    "frmPrompt:Form_Load()",
    "frmPrompt:Form_Activate()",
    "frmPrompt:cmdSave_Click()",
    "frmPrompt:cmdSkip_Click()",
    "frmPrompt:cmdCancel_Click()",
    "CCommand:Class_Initialize()",
    "CCommand:Class_Terminate()",
    "CCommand:Command_Initialize()",
    "CCommand:HelpFileName",
    "frmAutoSave:qeCommand1_Initialize()",
    "frmAutoSave:qeCommand1_Terminate()",
    "frmAutoSave:GetAddIn()",
    "frmAutoSave:GetAutoSaveSettings()",
    "frmAutoSave:Form_Activate()",
    "AutoSave.frmAutoSave:Form_KeyDown",
    "frmAutoSave:Form_QueryUnload()",
    "frmAutoSave:cmdOK_Click()",
    "frmAutoSave:cmdCancel_Click()",
    "frmAutoSave.cmdHelp_Click",
    "frmAutoSave:cbAutomaticSave_Click()",
    "frmAutoSave:cbPrompt_Click()",
    "frmAutoSave:cbSaveBackup_Click()",
    "frmAutoSave:optSaveActive_Click()",
    "frmAutoSave:optSaveAll_Click()",
};

// A host member the add-in calls (directly, or through the command control
// on the host's command object) and the procedure whose report shows the
// failure reached; null where the add-in ignores the failure by design.
struct Member {
    const char* name;
    const char* label;
};
const Member kMembers[] = {
    // Application and framework application.
    // The settings command reads it first: the add-in is not loaded then.
    {"orvapplication", "CCommand:Command_Initialize()"},
    {"ProgId", "CAddIn:InitializeApplication()"},
    {"EventSource", "CAddIn:Install()"},
    {"Menus", "CAddIn:CreateMenuEntry()"},
    {"SetCommandCheck", "CAddIn:g_ApplicationEvents_InIdle()"},
    {"ActiveDocument", "CAddIn:g_ApplicationEvents_InIdle()"},
    {"OpenDocuments", "CAddIn:g_ApplicationEvents_InIdle()"},
    {"StatusBar", "CAddIn:g_ApplicationEvents_InIdle()"},
    {"MainWindowHandle", "frmPrompt:cmdSave_Click()"},
    {"hwnd", "frmAutoSave:cmdCancel_Click()"},
    {"Interactive", "frmAutoSave:cmdCancel_Click()"},
    {"ApplicationKey", "CCommand:HelpFileName"},
    {"AddIns", "CCommand:Command_Initialize()"},
    // Only the settings command's loading of the add-in reads it, and it
    // ignores every failure of that step.
    {"Parent", nullptr},
    // Menus and menu items.
    {"Menu", "CAddIn:CreateMenuEntry()"},
    {"MenuItems", "CAddIn:CreateMenuEntry()"},
    {"AddCommand", "CAddIn:CreateMenuEntry()"},
    {"Count", "CAddIn:g_ApplicationEvents_InIdle()"},
    {"Item", "CAddIn:g_ApplicationEvents_InIdle()"},
    {"ParentMenu", "CAddIn:g_ApplicationEvents_InIdle()"},
    {"MenuName", "CAddIn:g_ApplicationEvents_InIdle()"},
    {"ID", "CAddIn:g_ApplicationEvents_InIdle()"},
    {"Delete", "CAddIn:UIUnInitialize()"},
    // Drawings (Name is also the menus' and the add-in entries' name).
    {"Name", "CAddIn:g_ApplicationEvents_InIdle()"},
    {"Modified", "CAddIn:g_ApplicationEvents_InIdle()"},
    {"Save", "frmPrompt:cmdSave_Click()"},
    {"FullName", "ProcessFileSave()"},
    {"_NewEnum", "CAddIn:g_ApplicationEvents_InIdle()"},
    // Add-ins collection and entries.
    {"Add", "CCommand:Command_Initialize()"},
    {"Object", "frmAutoSave:GetAutoSaveSettings()"},
    {"Loaded", "frmAutoSave:qeCommand1_Initialize()"},
    {"Load", "CCommand:Command_Initialize()"},
    {"LoadUI", "CCommand:Command_Initialize()"},
    // The host's command object, called by the command control.
    {"AttachControl", "CCommand:Command_Initialize()"},
    {"Application", "CCommand:Command_Initialize()"},
    {"ControlDone", "frmAutoSave:cmdCancel_Click()"},
};

// The session every member fails in. The add-in is not loaded at start: the
// settings command loads it, after the failure is armed. While prompts are
// answered passes come due every 1.2 s, time enough for the last answer to
// settle before the next pass; without prompts every 0.3 s. A prompt that
// never shows (the failure stops the pass first) costs its wait only. Status
// goes off before any step that runs the message loop unanswered, so no
// prompt is left up. A Cancel that fails leaves the settings dialog open:
// Escape closes it then.
std::string scenario(const std::string& member) {
    const std::string put = "addin " + std::string(kProgId) + " put ";
    return "fail " + member + "\n" +
           "open $DIR\\A.tsd\nopen $DIR\\B.tsd\nopen $DIR\\C.tsd\nmodify A.tsd\nmodify B.tsd\nmodify C.tsd\n"
           "with AutoSave: click Cancel | key Escape\nrun vokAutoSave412.CCommand\ndisarm\n" +
           put +
           "Minutes 0.02\nidle 1\ncheck AutoSave...\n"
           // The active drawing, C: asked, saved through the host's File-Save.
           "click AutoSave Save 2.5\n" +
           put +
           "Status Off\nidle 1\n"
           // Every modified drawing: A saved by its own Save, B skipped, C cancelled.
           "modify C.tsd\n" +
           put +
           "Documents All\n"
           "with AutoSave: click Save\nwith AutoSave: click Skip\nwith AutoSave: click Cancel\n" +
           put + "Status On\nuntil answered 2.5\ndisarm\n" + put +
           "Status Off\n"
           // Without asking, a save of the read-only C is aborted.
           "readonly C.tsd on\n" +
           put + "Prompt Off\n" + put + "Documents Active\n" + put + "Minutes 0.005\n" + put +
           "Status On\n"
           "wait 0.6\n" +
           put +
           "Status Off\nreadonly C.tsd off\n"
           "close B.tsd\n"
           "with AutoSave: type 1 | key Enter\npick AutoSave...\ndisarm\n"
           "reload\n"
           // Lifted: loaded again (by the command, if the failure kept it
           // out), the add-in saves C and backs it up.
           "fail " +
           member +
           " off\nreload\n"
           "with AutoSave: key Escape\nrun vokAutoSave412.CCommand\ndisarm\n" +
           put + "Prompt Off\n" + put + "Documents Active\n" + put + "SaveBackup On\n" + put + "Minutes 0.005\n" + put +
           "Status On\n"
           "modify C.tsd\nuntil saved C.tsd 5\ncheck AutoSave...\nfile $DIR\\C.tsd\nfile $DIR\\C.tsd.bak\nexit\n";
}

const char kInjectedNumber[] = "-2147467259";  // E_FAIL

const wchar_t kStart[] = L"/noaddins /setting SaveBackup=On";

HostRun sweep(const std::string& member) {
    DWORD started = GetTickCount();
    HostRun run = runHost(scenario(member), kStart);
    std::printf("%-16s %5.1f s, %zu reports\n", member.c_str(), (GetTickCount() - started) / 1000.0,
                run.reports.size());
    return run;
}

std::string describe(const HostRun& run) {
    std::string text;
    for (const auto& r : run.reports)
        text += "\n  " + (r.size() > Label ? r[Label] + ": " + r[Description] : std::string("(malformed)"));
    return text;
}

// The add-in works again once the failure is lifted: the pass after it saved
// C and made its backup, and the menu item is checked.
void expectRecovered(const HostRun& run, const std::string& member) {
    int lifted = lineIndex(run, "fail " + member + " -> lifted");
    ok(lifted >= 0, "%s: not lifted", member.c_str());
    ok(lineIndex(run, "until saved C.tsd 5 -> met") > lifted, "%s: no save after lifting", member.c_str());
    ok(fileLine(run, "C.tsd") == fileLine(run, "C.tsd.bak") && fileLine(run, "C.tsd.bak") != "missing",
       "%s: no backup of the last save: %s / %s", member.c_str(), fileLine(run, "C.tsd").c_str(),
       fileLine(run, "C.tsd.bak").c_str());
    bool checked = false;
    for (size_t i = lifted + 1; lifted >= 0 && i < run.log.size(); ++i)
        checked |= run.log[i] == "check AutoSave... -> checked";
    ok(checked, "%s: the menu item is not back, checked", member.c_str());
}

}  // namespace

WINE_TEST(the_scenario_reaches_every_procedure) {
    HostRun run = sweep("NoSuchMember");
    ok(run.reports.empty(), "reports without a failure:%s", describe(run).c_str());
    for (const char* line : {
             "check AutoSave... -> checked",
             "click \"AutoSave\" \"Save\" -> clicked button 1001",
             "with \"AutoSave\": click Save -> clicked button 1001",
             "with \"AutoSave\": click Skip -> clicked button 1002",
             "with \"AutoSave\": click Cancel -> clicked button 1003",
             "with \"AutoSave\": click Cancel -> clicked button 1001",
             "event CommandAborted 57603",
             "close B.tsd (bToBeSaved=False, bCancel=False) -> closed",
             "command 40001 Done",
             "until saved C.tsd 5 -> met",
         })
        ok(hasLine(run, line), "missing: %s", line);
    ok(fileLine(run, "A.tsd.bak") != "missing", "A not backed up");
    expectRecovered(run, "NoSuchMember");
    expectCleanEnd(run);
}

WINE_TEST(every_host_member_fails_in_turn) {
    DWORD started = GetTickCount();
    for (const Member& m : kMembers) {
        HostRun run = sweep(m.name);
        ok(hasLine(run, std::string("fail ") + m.name + " -> armed"), "%s: not armed", m.name);
        for (const auto& r : run.reports)
            ok(r.size() > Label && kLabels.count(r[Label]), "%s: report labelled %s", m.name,
               r.size() > Label ? r[Label].c_str() : "(malformed)");
        if (m.label) {
            // The host's injected error; its text does not pass through the command control.
            bool reached = false;
            for (const auto& r : reportsLabelled(run, m.label)) reached |= r[Number] == kInjectedNumber;
            ok(reached, "%s: no report of the failure labelled %s:%s", m.name, m.label, describe(run).c_str());
        } else {
            ok(run.reports.empty(), "%s: reported though ignored:%s", m.name, describe(run).c_str());
        }
        expectRecovered(run, m.name);
        expectCleanEnd(run);
    }
    std::printf("%zu members swept in %.0f s\n", std::size(kMembers), (GetTickCount() - started) / 1000.0);
}

WINE_TEST_MAIN
