// The settings command and dialog on the fake host and headless forms: what
// loading shows, the enable rules, the interval test, every closing path,
// Help, and how the command has the host add and load the add-in.
#include "fakes/ModuleFixture.h"
#include "addin/StringIds.h"
#include "host/HostModel.h"
#include "settings/SettingsCommand.h"

#include <gmock/gmock.h>

namespace {

using namespace fakes;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
namespace h = autosave::host;

class SettingsDialog : public ModuleFixture {
protected:
    SettingsDialog() {
        libraries.addLibrary(FakeComponents::kEnglishLibrary,
                             {{IDS_INTERVAL_NOT_VALID, "Enter a whole number of minutes"},
                              {IDS_NAME, kName},
                              {IDS_MENU_NAME, kMenu},
                              {IDS_DESCRIPTION, kDescription},
                              {IDS_MINUTES, "minutes"},
                              {IDS_OK, "OK"},
                              {IDS_SAVE_EVERY, "Automatic save every"}});
        module.g_hResourceLib = libraries.loadAsDataFile(FakeComponents::kEnglishLibrary);
        module.noteLoaded(module.g_hResourceLib);
        registry.set(autosave::RegistryRoot::LocalMachine, "Software\\Morvane\\Applications\\Tessaline\\Help\\HelpFile",
                     "", "C:\\Help\\tessaline.chm");
        host.framework->value("hwnd", std::int32_t(0x4242))
            .value("Interactive", false)
            .value("ApplicationKey", std::string("Tessaline"));
        host.framework->value("AddIns", ObjectPtr(addIns)).getter("Parent", [this](const FakeObject::Args&) -> Value {
            return ObjectPtr(host.app);  // computed: a stored value would close a reference cycle
        });
        addIns->answers(h::IID_AddIns).items({ObjectPtr(entry)}).value("Add", ObjectPtr(entry));
        entry->value("Name", kName).value("Loaded", true).value("Object", ObjectPtr(addIn));
        entry->value("Load", Value{}).value("LoadUI", Value{});
        stored({{"Status", "On"}, {"Documents", "Active"}, {"Minutes", "10"}, {"Prompt", "On"}, {"SaveBackup", "On"}});
        control->value("Command", ObjectPtr()).value("application", ObjectPtr(host.app)).value("Done", false);
        components.classes.push_back({h::CLSID_CommandControl, [this] { return ObjectPtr(control); }});
    }

    void stored(const std::map<std::string, std::string>& settings) {
        for (const auto& [name, value] : settings) addIn->value(name, value);
    }

    // The host starts the command; the user acts on the dialog with `user`.
    void run(std::function<void(HeadlessForm&)> user) {
        command = std::make_unique<autosave::CCommand>(module);
        command->Command_Initialize(host.app);
        log->clear();
        if (user) forms.script.push_back(std::move(user));
        control->fire(h::DIID_CommandControlEvents, "Initialize");
    }
    autosave::frmAutoSave& dialog() { return *command->dialog(); }
    HeadlessForm& form() { return *forms.find("frmAutoSave"); }
    std::vector<std::string> writes() const { return log->startingWith("addin.put"); }
    bool done() const { return autosave::toBool(control->stored("Done")); }
    // The host window placed below the dialog.
    std::string restack() { return "desktop.placeBelow 16962 " + std::to_string(form().windowHandle()); }

    std::shared_ptr<FakeObject> control = FakeObject::make("control", log);
    std::shared_ptr<FakeObject> addIns = FakeObject::make("addins", log);
    std::shared_ptr<FakeObject> entry = FakeObject::make("entry", log);
    std::shared_ptr<FakeObject> addIn = FakeObject::make("addin", log);
    std::unique_ptr<autosave::CCommand> command;
};

TEST_F(SettingsDialog, LoadedValuesThatDifferInLetterCaseCountAsTheOtherChoice) {
    stored({{"Status", "on"}, {"Documents", "active"}, {"Minutes", "ten"}});
    std::string focusWhenShown;
    run([&](HeadlessForm& f) {
        focusWhenShown = f.focusedControl();
        EXPECT_EQ(f.get("cbAutomaticSave").value(), 0);
        EXPECT_EQ(f.get("optSaveAll").value(), 1);
        EXPECT_EQ(f.get("txtMinutes").text(), "10");
        for (const char* name : {"optSaveActive", "optSaveAll", "cbPrompt", "cbSaveBackup"})
            EXPECT_FALSE(f.get(name).enabled()) << name;
        EXPECT_TRUE(f.get("txtMinutes").enabled());
        EXPECT_EQ(f.caption(), kName);
        EXPECT_EQ(f.get("cbAutomaticSave").caption(), "Automatic save every");
        f.click("cmdOK");
    });
    EXPECT_TRUE(module.g_bUpdateMenuCheck);
    EXPECT_EQ(focusWhenShown, "txtMinutes");  // activation, not the unchecked box, placed it
    EXPECT_THAT(writes(), ElementsAre("addin.put Status=Off", "addin.put Documents=All", "addin.put Minutes=10",
                                      "addin.put Prompt=On", "addin.put SaveBackup=On"));
}

TEST_F(SettingsDialog, OkWritesAllFiveInOrderThenEndsTheCommand) {
    run([](HeadlessForm& f) {
        f.type("txtMinutes", " 15 ");
        f.click("cbPrompt");
        f.click("optSaveAll");
        f.pressKey(13);  // Enter: the default button
    });
    EXPECT_THAT(
        log->startingWith({"addin.put", "framework.put", "desktop.placeBelow", "control.put", "desktop.msgbox"}),
        ElementsAre("addin.put Status=On", "addin.put Documents=All", "addin.put Minutes= 15 ", "addin.put Prompt=Off",
                    "addin.put SaveBackup=On", "framework.put Interactive=True", restack(), "control.put Done=True"));
    EXPECT_FALSE(form().visible());
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(SettingsDialog, RejectedIntervalsAskAgainAndWriteNothing) {
    struct Case {
        const char* interval;
        bool german;
    };
    // Beyond the bounds, and texts the schedule would read as another number
    // than the user's locale does.
    const Case cases[] = {{"0", false},     {"-3", false},  {"1.5", false},   {"abc", false},   {"", false},
                          {"40000", false}, {"1e9", false}, {"32768", false}, {"1,000", false}, {"$10", false},
                          {"15e-1", false}, {"1,5", true},  {"2,5", true}};
    for (const Case& c : cases) {
        const char* interval = c.interval;
        log->clear();
        desktop.german = c.german;
        int messages = 0;
        desktop.onMessageBox = [&] { ++messages; };
        run([&](HeadlessForm& f) {
            f.type("txtMinutes", interval);
            f.get("cmdCancel").setFocus();
            f.click("cmdOK");
            EXPECT_TRUE(f.visible());
            EXPECT_EQ(f.focusedControl(), "txtMinutes");
            EXPECT_EQ(f.get("txtMinutes").selectionStart(), 0);
            EXPECT_EQ(f.get("txtMinutes").selectionLength(), int(std::string(interval).size()));
            f.click("cmdCancel");
        });
        EXPECT_EQ(messages, 1) << interval;
        EXPECT_THAT(log->startingWith("desktop.msgbox"),
                    ElementsAre("desktop.msgbox \"AutoSave\" \"Enter a whole number of minutes\" 64"));
        EXPECT_THAT(writes(), IsEmpty()) << interval;
    }
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(SettingsDialog, TheIntervalsBoundsAreAcceptedUnderEitherLocale) {
    for (bool german : {false, true}) {
        desktop.german = german;
        for (const char* interval : {"1", "32767", " 12 "}) {
            run([&](HeadlessForm& f) {
                f.type("txtMinutes", interval);
                f.click("cmdOK");
            });
            EXPECT_THAT(writes(), ::testing::Contains(std::string("addin.put Minutes=") + interval));
        }
    }
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(SettingsDialog, EachCheckBoxShowsItsOwnSetting) {
    for (const auto& pair : {std::pair("On", "Off"), std::pair("Off", "On")}) {
        const char* prompt = pair.first;
        const char* backup = pair.second;
        stored({{"Prompt", prompt}, {"SaveBackup", backup}});
        run([&](HeadlessForm& f) {
            EXPECT_EQ(f.get("cbPrompt").value(), prompt == std::string("On"));
            EXPECT_EQ(f.get("cbSaveBackup").value(), backup == std::string("On"));
            f.click("cmdOK");
        });
        EXPECT_THAT(writes(), ElementsAre("addin.put Status=On", "addin.put Documents=Active", "addin.put Minutes=10",
                                          std::string("addin.put Prompt=") + prompt,
                                          std::string("addin.put SaveBackup=") + backup));
    }
}

TEST_F(SettingsDialog, TheOnOffBoxRulesTheFourControlsAndTheFocus) {
    run([&](HeadlessForm& f) {
        module.g_bUpdateMenuCheck = false;
        f.click("cbAutomaticSave");
        EXPECT_EQ(f.focusedControl(), "cmdOK");
        EXPECT_FALSE(f.get("cbSaveBackup").enabled());
        EXPECT_EQ(dialog().editStatus(), "Off");
        EXPECT_TRUE(module.g_bUpdateMenuCheck);
        f.type("txtMinutes", "20");
        f.click("cbAutomaticSave");
        EXPECT_TRUE(f.get("optSaveActive").enabled());
        EXPECT_EQ(f.focusedControl(), "txtMinutes");
        EXPECT_EQ(f.get("txtMinutes").selectionLength(), 2);
        module.g_bUpdateMenuCheck = false;
        f.click("cbAutomaticSave");
        f.pressKey(27);
    });
    EXPECT_TRUE(module.g_bUpdateMenuCheck);  // also when the dialog is then left without OK
    EXPECT_THAT(writes(), IsEmpty());
}

TEST_F(SettingsDialog, ClosingPathsEndTheCommandWithTheirOwnSteps) {
    struct Path {
        std::function<void(HeadlessForm&)> close;
        bool interactive, restacks;
    };
    const Path paths[] = {
        {[](HeadlessForm& f) { f.click("cmdCancel"); }, true, true},
        {[](HeadlessForm& f) { f.pressKey(27); }, false, false},
        {[](HeadlessForm& f) { f.closeBox(); }, true, false},
    };
    for (const auto& path : paths) {
        run(path.close);
        std::vector<std::string> steps;
        if (path.interactive) steps.push_back("framework.put Interactive=True");
        if (path.restacks) steps.push_back(restack());
        steps.push_back("control.put Done=True");
        EXPECT_EQ(log->startingWith({"framework.put", "desktop.placeBelow", "control.put"}), steps);
        EXPECT_FALSE(form().visible());
        EXPECT_TRUE(form().loaded());  // the close box's unload is cancelled
        EXPECT_THAT(writes(), IsEmpty());
    }
    command.reset();  // the command's end unloads the dialog by code
    EXPECT_EQ(forms.find("frmAutoSave"), nullptr);
}

TEST_F(SettingsDialog, TerminateDropsTheEntryRestacksAndHides) {
    run([&](HeadlessForm&) { control->fire(h::DIID_CommandControlEvents, "Terminate"); });
    EXPECT_THAT(log->startingWith({"desktop.placeBelow", "control.put"}), ElementsAre(restack()));
    EXPECT_FALSE(form().visible());
}

TEST_F(SettingsDialog, HelpAsksTheViewerForTheRegisteredFileAndLeavesTheDialogOpen) {
    run([&](HeadlessForm& f) {
        f.click("cmdHelp");
        EXPECT_TRUE(f.visible());
        f.click("cmdCancel");
    });
    EXPECT_THAT(log->startingWith("desktop.help"), ElementsAre("desktop.help " + std::to_string(form().windowHandle()) +
                                                               " C:\\Help\\tessaline.chm 11128"));
}

TEST_F(SettingsDialog, NoCommandIsLeftRunningWithoutADialog) {
    addIn->fail("Documents", ErrorInfo{70, "addin", "Permission denied", {}, 0});
    run([](HeadlessForm& f) { f.click("cmdOK"); });
    EXPECT_THAT(components.labels(), ElementsAre("frmAutoSave:GetAutoSaveSettings()", "frmAutoSave:cmdOK_Click()"));
    // What failed to load is written as the dialog showed it.
    EXPECT_THAT(writes(), ElementsAre("addin.put Status=On", "addin.put Documents=Active"));
    EXPECT_TRUE(done());

    components.reports.clear();
    host.framework->fail("Interactive", ErrorInfo{5, "framework", "Invalid procedure call", {}, 0});
    run([](HeadlessForm& f) { f.closeBox(); });  // Documents still fails to load
    EXPECT_THAT(components.labels(),
                ElementsAre("frmAutoSave:GetAutoSaveSettings()", "frmAutoSave:Form_QueryUnload()"));
    EXPECT_TRUE(done());
    EXPECT_TRUE(form().loaded());

    components.reports.clear();
    control->fail("application", ErrorInfo{5, "control", "Invalid procedure call", {}, 0});
    run(nullptr);
    EXPECT_THAT(components.labels(), ElementsAre("frmAutoSave:qeCommand1_Initialize()"));
    EXPECT_EQ(form().showCount(), 0);
    EXPECT_TRUE(done());
}

TEST_F(SettingsDialog, NoDialogWithoutTheLanguageLibrary) {
    // The host refused to add the add-in: nothing loaded the library.
    module.g_hResourceLib = 0;
    addIns->value("Add", ObjectPtr());
    run(nullptr);
    EXPECT_EQ(form().showCount(), 0);
    EXPECT_TRUE(done());
}

TEST_F(SettingsDialog, ALanguageLibraryFreedSinceCountsAsNotLoaded) {
    // The add-in was unloaded: its handle stays, its library is gone.
    module.noteFreed(module.g_hResourceLib);
    addIns->value("Add", ObjectPtr());
    autosave::CCommand(module).Command_Initialize(host.app);
    EXPECT_THAT(log->startingWith("addins.call"), ElementsAre("addins.call Add(vokAutosave412.CAddin,)"));
    run(nullptr);
    EXPECT_EQ(form().showCount(), 0);
    EXPECT_TRUE(done());
}

TEST_F(SettingsDialog, AFailedDoneIsReportedOnce) {
    control->fail("Done", ErrorInfo{5, "control", "Invalid procedure call", {}, 0});
    run([](HeadlessForm& f) { f.click("cmdOK"); });
    run([](HeadlessForm& f) { f.closeBox(); });
    EXPECT_THAT(components.labels(), ElementsAre("frmAutoSave:cmdOK_Click()", "frmAutoSave:Form_QueryUnload()"));
}

TEST_F(SettingsDialog, TheHostWindowIsTheCommandsOwn) {
    run([&](HeadlessForm& f) {
        module.g_Application = nullptr;  // the host uninstalled the add-in meanwhile
        f.click("cmdCancel");
    });
    EXPECT_THAT(log->startingWith("desktop.placeBelow"), ElementsAre(restack()));
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(SettingsDialog, UninstallingTheAddInTakesTheDialogAwayUnanswered) {
    autosave::CAddIn addIn(module);
    run([&](HeadlessForm& f) {
        f.click("cbPrompt");
        addIn.UnInstall(host.app, nullptr);
        EXPECT_FALSE(f.visible());
    });
    EXPECT_THAT(writes(), IsEmpty());
    EXPECT_TRUE(done());
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(SettingsDialog, GetAddInFindsTheEntryByItsDisplayNameOrAddsIt) {
    addIns->items({});
    run([](HeadlessForm& f) { f.click("cmdCancel"); });
    EXPECT_THAT(log->startingWith("addins.call"), ElementsAre("addins.call Add(AutoSave.CAddIn,)"));
}

// --- the command -------------------------------------------------------------

TEST_F(SettingsDialog, CommandOnlyAttachesWhenTheAddInIsInitialised) {
    autosave::CCommand cmd(module);
    cmd.Command_Initialize(host.app);
    EXPECT_EQ(autosave::toObject(control->stored("Command")), host.app);
    EXPECT_THAT(log->startingWith("addins."), IsEmpty());
}

TEST_F(SettingsDialog, CommandHasTheHostAddAndLoadTheAddInFirst) {
    module.g_hResourceLib = 0;
    addIn->fail("InitializeApplication", ErrorInfo{5, "addin", "Invalid procedure call", {}, 0});
    autosave::CCommand(module).Command_Initialize(host.app);
    EXPECT_THAT(log->startingWith({"addins.call", "addin.call", "entry.call"}),
                ElementsAre("addins.call Add(vokAutosave412.CAddin,)", "addin.call InitializeApplication(app)",
                            "entry.call Load()", "entry.call LoadUI()"));
    EXPECT_THAT(components.reports, IsEmpty());

    log->clear();
    entry->fail("Load", ErrorInfo{5, "entry", "Invalid procedure call", {}, 0});
    autosave::CCommand(module).Command_Initialize(host.app);
    EXPECT_THAT(log->startingWith("entry.call"), ElementsAre("entry.call Load()"));
    EXPECT_THAT(components.labels(), ElementsAre("CCommand:Command_Initialize()"));

    log->clear();
    addIns->value("Add", ObjectPtr());
    autosave::CCommand(module).Command_Initialize(host.app);
    EXPECT_THAT(log->startingWith({"entry.", "addin."}), IsEmpty());
    EXPECT_EQ(components.reports.size(), 1u);
}

TEST_F(SettingsDialog, HelpFileNameComesFromTheRunningApplication) {
    auto locator = FakeObject::make("appLocator", log);
    locator->value("ActiveApplication", ObjectPtr(host.framework));
    components.classes.push_back({h::CLSID_ApplicationLocator, [&] { return ObjectPtr(locator); }});
    autosave::CCommand cmd(module);
    EXPECT_EQ(cmd.get_HelpFileName(), "C:\\Help\\tessaline.chm");
    locator->value("ActiveApplication", ObjectPtr());
    EXPECT_EQ(cmd.get_HelpFileName(), "");
    EXPECT_THAT(components.reports, IsEmpty());
}

}  // namespace
