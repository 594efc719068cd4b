// Save events: the backup of a save the add-in started, one flag lowered per
// event, and the aborted File-Save command.
#include "EngineFixture.h"

#include <gmock/gmock.h>

namespace {

using namespace fakes;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SaveProcessing : public EngineFixture {
protected:
    std::shared_ptr<FakeObject> plan;

    void SetUp() override {
        install({{"SaveBackup", "On"}});
        plan = host.openDocument("plan.tsd");
        files.files["C:\\drawings\\plan.tsd"] = "new content";
    }
    void savedAs(const ObjectPtr& document) {
        host.events->fire(
            [&](autosave::ApplicationEvents& e) { e.g_ApplicationEvents_DocumentSavedAs(document, "ignored.tsd"); });
    }
    std::string backup() const {
        auto it = files.files.find("C:\\drawings\\plan.tsd.bak");
        return it == files.files.end() ? "(none)" : it->second;
    }
};

TEST_F(SaveProcessing, TheDocumentFlagIsLoweredFirstThenTheCommandFlag) {
    module.g_bSaveByDocument = module.g_bSaveByCommand = true;
    saved(plan);
    EXPECT_FALSE(module.g_bSaveByDocument);
    EXPECT_TRUE(module.g_bSaveByCommand);
    savedAs(plan);
    EXPECT_FALSE(module.g_bSaveByCommand);
    EXPECT_THAT(files.backups, ElementsAre("C:\\drawings\\plan.tsd -> C:\\drawings\\plan.tsd.bak",
                                           "C:\\drawings\\plan.tsd -> C:\\drawings\\plan.tsd.bak"));
    EXPECT_EQ(backup(), "new content");
}

TEST_F(SaveProcessing, TheUsersOwnSaveGetsNoBackup) {
    saved(plan);
    EXPECT_THAT(files.backups, IsEmpty());
    EXPECT_THAT(log->containing("FullName"), IsEmpty());
}

TEST_F(SaveProcessing, ABackupOnlyForExactlyOnButTheFlagIsAlwaysLowered) {
    for (const char* setting : {"on", "Off", "ON"}) {
        SCOPED_TRACE(setting);
        addIn.put_SaveBackup(setting);
        module.g_bSaveByDocument = true;
        saved(plan);
        EXPECT_FALSE(module.g_bSaveByDocument);
    }
    EXPECT_THAT(files.backups, IsEmpty());
}

TEST_F(SaveProcessing, ADocumentWithoutAFileGetsNoBackupAndNoReport) {
    files.files.clear();
    module.g_bSaveByCommand = true;
    saved(plan);
    EXPECT_THAT(files.backups, IsEmpty());
    EXPECT_FALSE(module.g_bSaveByCommand);
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(SaveProcessing, AFailedBackupKeepsThePreviousOneAndTheFlagRaised) {
    using Step = FakeFileSystem::Step;
    for (Step step : {Step::OpenSource, Step::CreateTemporary, Step::Copy, Step::Flush, Step::Rename}) {
        SCOPED_TRACE(static_cast<int>(step));
        files.files["C:\\drawings\\plan.tsd.bak"] = "previous backup";
        files.failAt = step;
        components.reports.clear();
        module.g_bSaveByDocument = true;
        saved(plan);
        EXPECT_THAT(components.labels(), ElementsAre("ProcessFileSave()"));
        EXPECT_EQ(components.reports.at(0).number, 70);
        EXPECT_TRUE(module.g_bSaveByDocument);
        EXPECT_EQ(backup(), "previous backup");
        EXPECT_EQ(files.files["C:\\drawings\\plan.tsd"], "new content");
    }
    // The next save event is taken as the add-in's and succeeds.
    files.failAt = Step::None;
    saved(plan);
    EXPECT_FALSE(module.g_bSaveByDocument);
    EXPECT_EQ(backup(), "new content");
}

TEST_F(SaveProcessing, AFileNameWithAZeroCharacterIsRefused) {
    // Cut short at the zero, the backup's name would be the drawing's own.
    const std::string name("C:\\drawings\\plan.tsd\0x", 22);
    plan->value("FullName", name);
    files.files[name] = "new content";
    module.g_bSaveByDocument = true;
    saved(plan);
    EXPECT_THAT(components.labels(), ElementsAre("ProcessFileSave()"));
    EXPECT_THAT(files.backups, IsEmpty());
}

TEST_F(SaveProcessing, AReadOnlyBackupIsNeverReplacedAndTheFlagStaysRaised) {
    files.files["C:\\drawings\\plan.tsd.bak"] = "kept on purpose";
    files.readOnly.insert("C:\\drawings\\plan.tsd.bak");
    module.g_bSaveByCommand = true;
    saved(plan);
    savedAs(plan);
    EXPECT_THAT(components.labels(), ElementsAre("ProcessFileSave()", "ProcessFileSave()"));
    EXPECT_EQ(components.reports.at(0).number, 70);
    EXPECT_TRUE(module.g_bSaveByCommand);
    EXPECT_EQ(backup(), "kept on purpose");
}

TEST_F(SaveProcessing, ABackupThatIsALinkIsReplacedNotWrittenThrough) {
    files.files["C:\\elsewhere\\precious.tsd"] = "precious";
    files.links["C:\\drawings\\plan.tsd.bak"] = "C:\\elsewhere\\precious.tsd";
    module.g_bSaveByDocument = true;
    saved(plan);
    EXPECT_EQ(files.files["C:\\elsewhere\\precious.tsd"], "precious");
    EXPECT_EQ(backup(), "new content");
}

TEST_F(SaveProcessing, AnEventWhileAFlagIsUpCountsAsTheAddInsWhicheverDocumentItConcerns) {
    auto other = host.openDocument("other.tsd");
    files.files["C:\\drawings\\other.tsd"] = "other";
    module.g_bSaveByCommand = true;
    saved(other);
    EXPECT_EQ(files.files["C:\\drawings\\other.tsd.bak"], "other");
    EXPECT_FALSE(module.g_bSaveByCommand);
}

TEST_F(SaveProcessing, ALongBackupShowsItsProgressThenTheSavingMessageAgain) {
    std::vector<std::string> messages;
    host.framework->putter("StatusBar", [&](const autosave::Value& v) { messages.push_back(autosave::toText(v)); });
    files.watchCalls = 4;
    files.duringCopy = [&] { clock.seconds += 0.2; };
    module.g_bSaveByDocument = true;
    saved(plan);
    EXPECT_THAT(messages, ElementsAre("Backing up plan.tsd: 3 MB", "Backing up plan.tsd: 4 MB", "Saving plan.tsd..."));
    EXPECT_EQ(backup(), "new content");
}

TEST_F(SaveProcessing, EscapeCancelsTheBackupQuietlyAndLowersTheFlag) {
    files.files["C:\\drawings\\plan.tsd.bak"] = "previous backup";
    files.cancel = true;
    module.g_bSaveByCommand = true;
    saved(plan);
    EXPECT_EQ(backup(), "previous backup");
    EXPECT_FALSE(module.g_bSaveByCommand);
    EXPECT_THAT(components.reports, IsEmpty());
    EXPECT_EQ(statusBar(), "Backup of plan.tsd cancelled");
}

TEST_F(SaveProcessing, AnAbortedFileSaveTakesBackTheMessageButNotTheFlag) {
    module.g_bSaveByCommand = true;
    module.g_CurrentDocument = plan;
    desktop.setMousePointer(autosave::kHourglassPointer);
    host.framework->put("StatusBar", std::string("Saving plan.tsd..."));
    host.events->fire([](autosave::ApplicationEvents& e) { e.g_ApplicationEvents_CommandAborted(57603); });
    EXPECT_EQ(statusBar(), "");
    EXPECT_EQ(desktop.pointer, autosave::kDefaultPointer);
    EXPECT_EQ(module.g_CurrentDocument, nullptr);
    EXPECT_TRUE(module.g_bSaveByCommand);
    // So the next save event, of any document, is the add-in's.
    saved(plan);
    EXPECT_EQ(backup(), "new content");
}

TEST_F(SaveProcessing, AnotherAbortedCommandOnlyDropsTheCurrentDocument) {
    module.g_CurrentDocument = plan;
    desktop.setMousePointer(autosave::kHourglassPointer);
    host.framework->put("StatusBar", std::string("Saving plan.tsd..."));
    host.events->fire([](autosave::ApplicationEvents& e) { e.g_ApplicationEvents_CommandAborted(57664); });
    EXPECT_EQ(module.g_CurrentDocument, nullptr);
    EXPECT_EQ(statusBar(), "Saving plan.tsd...");
    EXPECT_EQ(desktop.pointer, autosave::kHourglassPointer);
}

TEST_F(SaveProcessing, ThePassThroughSaveAndEventStepByStep) {
    // The typical pass: A active, B modified, all documents, no prompt.
    addIn.put_Documents("All");
    addIn.put_Prompt("Off");
    addIn.put_Minutes("10");
    host.closeAll();
    auto a = host.openDocument("A.tsd");
    auto b = host.openDocument("B.tsd");
    host.activate("A.tsd");
    files.files["C:\\drawings\\A.tsd"] = "A";
    files.files["C:\\drawings\\B.tsd"] = "B";
    idleAt(kInterval + 1);
    // B saved inside the pass, its event lowering the document flag at once.
    EXPECT_EQ(files.files["C:\\drawings\\B.tsd.bak"], "B");
    EXPECT_FALSE(module.g_bSaveByDocument);
    EXPECT_TRUE(fileSavePosted());
    EXPECT_TRUE(module.g_bSaveByCommand);
    // The host carries out the posted command later.
    saved(a);
    EXPECT_EQ(files.files["C:\\drawings\\A.tsd.bak"], "A");
    EXPECT_FALSE(module.g_bSaveByCommand);
}

}  // namespace
