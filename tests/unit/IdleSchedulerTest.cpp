// The idle handler: when a pass is due, what it saves and how, the day
// roll-over and the menu check mark.
#include "EngineFixture.h"

#include <gmock/gmock.h>

namespace {

using namespace fakes;
using autosave::ObjectPtr;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class IdleScheduler : public EngineFixture {};

TEST_F(IdleScheduler, NothingHappensUntilTheTimerPassesTheDueTime) {
    install({{"Prompt", "Off"}});
    host.openDocument("A.tsd");
    log->clear();
    idleAt(kInterval);  // equal is not yet due
    EXPECT_TRUE(desktop.posted.empty());
    idleAt(kInterval + 0.5);
    EXPECT_TRUE(fileSavePosted());
    // The next pass is one interval after this one started.
    EXPECT_FLOAT_EQ(addIn.nextSave(), float(10 * 3600 + kInterval + 0.5 + kInterval));
}

TEST_F(IdleScheduler, TheIdlePathThatStartsNoPassTouchesNoHostObject) {
    install({});
    idleAt(1);  // consumes the pending menu-check request
    log->clear();
    idleAt(2);
    EXPECT_THAT(log->entries(), IsEmpty());
    // Nor with saving switched off.
    addIn.put_Status("Off");
    log->clear();
    idleAt(kInterval * 5);
    EXPECT_THAT(log->entries(), IsEmpty());
}

TEST_F(IdleScheduler, IdleWithoutApplicationDoesNothingAtAll) {
    install({});
    clock.day += 1;
    host.events->fire([](autosave::ApplicationEvents& e) { e.g_ApplicationEvents_InIdle(nullptr); });
    EXPECT_EQ(addIn.lastCheck(), clock.day - 1);  // not even the date check
}

TEST_F(IdleScheduler, ActiveDocumentPassWithoutPromptPostsFileSave) {
    install({{"Prompt", "Off"}});
    auto a = host.openDocument("A.tsd", /*modified=*/false);
    host.openDocument("B.tsd");
    host.activate("A.tsd");
    idleAt(kInterval + 1);
    // Saved whether modified or not, always through the host's command.
    EXPECT_TRUE(fileSavePosted());
    EXPECT_TRUE(module.g_bSaveByCommand);
    EXPECT_THAT(host.saved, IsEmpty());
    EXPECT_EQ(statusBar(), "Saving A.tsd...");
    EXPECT_EQ(desktop.pointer, autosave::kHourglassPointer);
    EXPECT_TRUE(module.g_CurrentDocument->isSameObject(*a));
}

TEST_F(IdleScheduler, ActiveDocumentPassWithoutAnActiveDocumentDoesNothing) {
    install({{"Prompt", "Off"}});
    idleAt(kInterval + 1);
    EXPECT_TRUE(desktop.posted.empty());
    EXPECT_TRUE(components.reports.empty());
}

class DocumentsText : public EngineFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(DocumentsText, AnyTextButAllMeansTheActiveDocumentOnly) {
    install({{"Prompt", "Off"}, {"Documents", GetParam()}});
    host.openDocument("B.tsd");
    host.openDocument("A.tsd");
    idleAt(kInterval + 1);
    EXPECT_TRUE(fileSavePosted());
    EXPECT_THAT(host.saved, IsEmpty());  // B is not touched
}

INSTANTIATE_TEST_SUITE_P(IdleScheduler, DocumentsText, ::testing::Values("Active", "all", "ALL", ""));

TEST_F(IdleScheduler, AllDocumentsPassSavesEveryModifiedDocument) {
    install({{"Prompt", "Off"}, {"Documents", "All"}});
    host.saveRaisesEvent = false;
    auto a = host.openDocument("A.tsd");
    host.openDocument("B.tsd", /*modified=*/false);
    host.openDocument("C.tsd");
    host.activate("A.tsd");
    idleAt(kInterval + 1);
    // A is active: the command; C through Save; B unmodified: nothing.
    EXPECT_TRUE(fileSavePosted());
    EXPECT_THAT(host.saved, ElementsAre("C.tsd"));
    EXPECT_TRUE(module.g_bSaveByCommand);
    EXPECT_TRUE(module.g_bSaveByDocument);
    // The pending save of A keeps later documents from announcing themselves.
    EXPECT_EQ(statusBar(), "Saving A.tsd...");
}

TEST_F(IdleScheduler, ASaveEventInsideSaveLetsTheNextDocumentShowItsMessage) {
    install({{"Prompt", "Off"}, {"Documents", "All"}});
    host.openDocument("A.tsd");
    host.openDocument("B.tsd");
    host.openDocument("C.tsd");  // active, comes last
    std::vector<std::string> messages;
    host.framework->putter("StatusBar", [&](const autosave::Value& v) { messages.push_back(autosave::toText(v)); });
    idleAt(kInterval + 1);
    EXPECT_THAT(host.saved, ElementsAre("A.tsd", "B.tsd"));
    EXPECT_THAT(messages, ElementsAre("Saving A.tsd...", "Saving B.tsd...", "Saving C.tsd..."));
    EXPECT_FALSE(module.g_bSaveByDocument);  // lowered by each event inside Save
    EXPECT_TRUE(module.g_bSaveByCommand);    // C's command still pending
}

TEST_F(IdleScheduler, TheActiveDocumentIsToldByIdentityNotByName) {
    install({{"Prompt", "Off"}, {"Documents", "All"}});
    host.saveRaisesEvent = false;
    host.openDocument("A.tsd");
    host.openDocument("A.tsd")->value("FullName", std::string("D:\\other\\A.tsd"));  // active
    idleAt(kInterval + 1);
    // The namesake in the other folder is saved by its own Save.
    EXPECT_THAT(host.saved, ElementsAre("A.tsd"));
    EXPECT_EQ(desktop.posted.size(), 1u);
    EXPECT_TRUE(fileSavePosted());
}

TEST_F(IdleScheduler, StatusOffSkipsThePassButNotTheMenuCheck) {
    install({{"Status", "Off"}, {"Prompt", "Off"}});
    host.openDocument("A.tsd");
    addIn.UIInitialize(host.app, nullptr);
    float due = addIn.nextSave();
    idleAt(kInterval * 3);
    EXPECT_TRUE(desktop.posted.empty());
    EXPECT_EQ(statusBar(), "");
    EXPECT_EQ(addIn.nextSave(), due);
    ASSERT_EQ(host.checks.size(), 1u);
    EXPECT_FALSE(host.checks[0].second);
    // Switched on again, the passed due time starts a pass at once.
    addIn.put_Status("On");
    addIn.put_Minutes("10");  // as the settings dialog always writes it
    idleAt(kInterval * 3 + 1);
    EXPECT_TRUE(desktop.posted.empty());
    idleAt(kInterval * 4 + 2);
    EXPECT_TRUE(fileSavePosted());
}

TEST_F(IdleScheduler, OtherStatusTextsKeepSavingButShowNoCheckMark) {
    install({{"Status", "on"}, {"Prompt", "Off"}});
    host.openDocument("A.tsd");
    addIn.UIInitialize(host.app, nullptr);
    idleAt(kInterval + 1);
    EXPECT_TRUE(fileSavePosted());
    ASSERT_EQ(host.checks.size(), 1u);
    EXPECT_FALSE(host.checks[0].second);
}

TEST_F(IdleScheduler, MenuCheckFollowsStatusOncePerRequest) {
    install({});
    addIn.UIInitialize(host.app, nullptr);
    auto id = autosave::toInt32(addIn.menuCommand()->get("ID"));
    idleAt(1);
    idleAt(2);
    EXPECT_THAT(host.checks, ElementsAre(std::pair{id, true}));
    EXPECT_FALSE(module.g_bUpdateMenuCheck);
    module.g_bUpdateMenuCheck = true;
    addIn.put_Status("Off");
    idleAt(3);
    EXPECT_THAT(host.checks, ElementsAre(std::pair{id, true}, std::pair{id, false}));
}

TEST_F(IdleScheduler, MenuCheckWaitsForTheItemAndIsDroppedWithoutAMatchingMenu) {
    install({});
    idleAt(1);  // no menu item yet: the request stays
    EXPECT_TRUE(module.g_bUpdateMenuCheck);
    addIn.UIInitialize(host.app, nullptr);
    host.removeMenu(kMenu);
    idleAt(2);
    EXPECT_THAT(host.checks, IsEmpty());
    EXPECT_FALSE(module.g_bUpdateMenuCheck);
}

TEST_F(IdleScheduler, AFailingMenuCheckIsReportedOnceAndTheScheduleRuns) {
    install({{"Prompt", "Off"}});
    host.openDocument("A.tsd");
    addIn.UIInitialize(host.app, nullptr);
    host.framework->fail("SetCommandCheck", {-2147418113, "Tessaline", "Menu busy", {}, 0});
    idleAt(1);
    idleAt(kInterval + 1);
    EXPECT_THAT(components.labels(), ElementsAre("CAddIn:g_ApplicationEvents_InIdle()"));
    EXPECT_FALSE(module.g_bUpdateMenuCheck);
    EXPECT_TRUE(fileSavePosted());
}

TEST_F(IdleScheduler, ANewDayStartsAPassAtOnce) {
    install({{"Prompt", "Off"}});
    host.openDocument("A.tsd");
    clock.day += 1;
    idleAt(-10 * 3600 + 5);  // 00:00:05, long before yesterday's due time
    EXPECT_TRUE(fileSavePosted());
    EXPECT_EQ(addIn.lastCheck(), clock.day);
    EXPECT_FLOAT_EQ(addIn.nextSave(), float(5 + kInterval));
}

class MinutesText : public EngineFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(MinutesText, AnIntervalOfNoTimeCountsAsTenMinutes) {
    install({{"Prompt", "Off"}, {"Minutes", GetParam()}});
    host.openDocument("A.tsd");
    idleAt(0.5);
    idleAt(1.0);
    EXPECT_TRUE(desktop.posted.empty());
    idleAt(kInterval + 1);
    idleAt(kInterval + 2);
    EXPECT_EQ(desktop.posted.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(IdleScheduler, MinutesText, ::testing::Values("0", "", "abc", "-3"));

TEST_F(IdleScheduler, AFailingHostCallAbandonsThePassAfterAdvancingTheSchedule) {
    install({{"Prompt", "Off"}, {"Documents", "All"}});
    auto a = host.openDocument("A.tsd");
    host.openDocument("B.tsd");
    a->fail("Modified", {440, "Tessaline", "Modified failed", {}, 0});
    idleAt(kInterval + 1);
    EXPECT_THAT(components.labels(), ElementsAre("CAddIn:g_ApplicationEvents_InIdle()"));
    EXPECT_THAT(host.saved, IsEmpty());
    EXPECT_FLOAT_EQ(addIn.nextSave(), float(10 * 3600 + 2 * kInterval + 1));
    idleAt(kInterval + 2);  // not retried before the next due time
    EXPECT_EQ(components.reports.size(), 1u);
}

TEST_F(IdleScheduler, ASaveThatFailsLowersItsFlagAndTakesBackItsMessage) {
    install({{"Prompt", "Off"}, {"Documents", "All"}});
    auto b = host.openDocument("B.tsd");
    host.openDocument("A.tsd", /*modified=*/false);  // active
    b->fail("Save", {-2147467259, "Tessaline", "Disk full", {}, 0});
    idleAt(kInterval + 1);
    EXPECT_FALSE(module.g_bSaveByDocument);
    EXPECT_EQ(statusBar(), "");
    EXPECT_EQ(desktop.pointer, autosave::kDefaultPointer);
    EXPECT_THAT(components.labels(), ElementsAre("CAddIn:g_ApplicationEvents_InIdle()"));
}

TEST_F(IdleScheduler, ADrawingThatCannotBeSavedIsReportedAndThePassGoesOn) {
    install({{"Prompt", "Off"}, {"Documents", "All"}});
    auto b = host.openDocument("B.tsd");
    host.openDocument("C.tsd");
    host.openDocument("A.tsd");  // active
    b->fail("Save", {-2147024891, "Tessaline", "Read-only file", {}, 0});
    idleAt(kInterval + 1);
    EXPECT_THAT(components.labels(), ElementsAre("CAddIn:g_ApplicationEvents_InIdle()"));
    EXPECT_EQ(components.reports[0].description, "Read-only file");
    EXPECT_THAT(host.saved, ElementsAre("C.tsd"));
    EXPECT_TRUE(fileSavePosted());
}

TEST_F(IdleScheduler, DueTimeThatOverflowsIsReportedAndStartsNoPass) {
    install({{"Prompt", "Off"}});
    host.openDocument("A.tsd");
    components.reports.clear();
    registry.set(autosave::RegistryRoot::CurrentUser, kSettingsKey, "Minutes", "1e40");
    addIn.put_Minutes("1e40");  // reported by the put; the old due time stays
    idleAt(kInterval + 1);
    EXPECT_THAT(components.labels(), ElementsAre("CAddIn:Let Minutes()", "CAddIn:g_ApplicationEvents_InIdle()"));
    EXPECT_TRUE(desktop.posted.empty());
}

TEST_F(IdleScheduler, AnOverflowingDueTimeIsReportedOnceADay) {
    install({{"Prompt", "Off"}, {"Minutes", "1e40"}});
    host.openDocument("A.tsd");
    components.reports.clear();
    for (double t : {1.0, 2.0, kInterval + 1, 3 * kInterval}) idleAt(t);
    EXPECT_EQ(components.reports.size(), 1u);
    clock.day += 1;
    idleAt(-10 * 3600 + 5);
    idleAt(-10 * 3600 + 6);
    EXPECT_THAT(components.labels(),
                ElementsAre("CAddIn:g_ApplicationEvents_InIdle()", "CAddIn:g_ApplicationEvents_InIdle()"));
    EXPECT_TRUE(desktop.posted.empty());
    // A Minutes that fits brings the schedule back.
    addIn.put_Minutes("1");
    idleAt(-10 * 3600 + 67);
    EXPECT_TRUE(fileSavePosted());
}

// With a steady count the handler reads the time of day only where the due
// time or midnight may have come, or its last reading is a second old.
class IdleSchedulerSteady : public EngineFixture {
protected:
    void idleAtSteady(double secondsSinceMidnight, std::uint64_t steadyMs) {
        clock.steady = steadyMs;
        clock.seconds = secondsSinceMidnight;
        host.events->fire([&](autosave::ApplicationEvents& e) { e.g_ApplicationEvents_InIdle(host.app); });
    }
    static constexpr double kDue = 10 * 3600 + kInterval;
};

TEST_F(IdleSchedulerSteady, TheFirstIdleEventPastTheDueTimeStartsThePass) {
    install({{"Prompt", "Off"}});
    host.openDocument("A.tsd");
    idleAtSteady(kDue - 0.9, 100000);
    const int reads = clock.reads;
    for (std::uint64_t ms : {300, 700, 840}) idleAtSteady(kDue - 0.9 + ms / 1000.0, 100000 + ms);
    EXPECT_EQ(clock.reads, reads);
    idleAtSteady(kDue, 100900);  // within reach, read, and equal is not due
    EXPECT_GT(clock.reads, reads);
    EXPECT_TRUE(desktop.posted.empty());
    idleAtSteady(kDue + 0.01, 100910);
    EXPECT_TRUE(fileSavePosted());
}

TEST_F(IdleSchedulerSteady, AClockSetForwardIsNoticedWithinASecond) {
    install({{"Prompt", "Off"}});
    host.openDocument("A.tsd");
    idleAtSteady(10 * 3600 + 1, 5000);
    idleAtSteady(kDue + 3600, 5999);
    EXPECT_TRUE(desktop.posted.empty());
    idleAtSteady(kDue + 3600, 6001);
    EXPECT_TRUE(fileSavePosted());
}

TEST_F(IdleSchedulerSteady, MidnightIsNoticedAtTheFirstIdleEventOfTheNewDay) {
    install({{"Prompt", "Off"}, {"Minutes", "1000"}});  // not due before tomorrow
    host.openDocument("A.tsd");
    idleAtSteady(24 * 3600 - 0.5, 5000);
    clock.day += 1;
    idleAtSteady(0.1, 5600);
    EXPECT_EQ(addIn.lastCheck(), clock.day);
    EXPECT_TRUE(fileSavePosted());
}

}  // namespace
