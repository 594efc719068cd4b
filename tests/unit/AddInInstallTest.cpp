// Install and UnInstall: host objects, settings load, schedule, events.
#include "fakes/ModuleFixture.h"

#include "host/HostModel.h"

#include <gmock/gmock.h>

namespace {

using namespace fakes;
using autosave::CAddIn;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class AddInInstall : public ModuleFixture {
protected:
    // The owner's lifetime token that the event subscription holds.
    std::shared_ptr<int> owner = std::make_shared<int>(0);
    CAddIn addIn{module, [w = std::weak_ptr<int>(owner)] { return std::shared_ptr<void>(w.lock()); }};

    void initialize() { addIn.InitializeApplication(host.app); }
    void expectDefaults() {
        EXPECT_EQ(addIn.get_Status(), "On");
        EXPECT_EQ(addIn.get_Documents(), "Active");
        EXPECT_EQ(addIn.get_Minutes(), "10");
        EXPECT_EQ(addIn.get_Prompt(), "On");
        EXPECT_EQ(addIn.get_SaveBackup(), "Off");
    }
};

TEST_F(AddInInstall, HostWithoutFrameworkOrEventSourceIsReportedButLeavesTheObjectInstalled) {
    initialize();
    for (bool dropEventSource : {false, true}) {
        SCOPED_TRACE(dropEventSource ? "no EventSource" : "no orvapplication");
        FakeHost broken(log);
        if (dropEventSource) broken.framework->remove("EventSource");
        else broken.app->remove("orvapplication");
        components.reports.clear();

        addIn.Install(broken.app, nullptr);

        EXPECT_TRUE(addIn.get_IsInstalled());
        EXPECT_THAT(components.labels(), ElementsAre("CAddIn:Install()"));
        EXPECT_FALSE(addIn.eventsConnected());
        EXPECT_EQ(addIn.get_Status(), "");
        EXPECT_THAT(registry.writes, IsEmpty());
    }
}

TEST_F(AddInInstall, InstallOnAnEmptyKeyStoresTheDefaultsInOrderAndConnectsEvents) {
    initialize();
    auto doc = host.document("A.dwg");
    addIn.Install(host.app, doc);

    EXPECT_THAT(components.reports, IsEmpty());
    EXPECT_TRUE(addIn.get_IsInstalled());
    EXPECT_EQ(module.g_Application, host.framework);
    EXPECT_EQ(module.g_CurrentDocument, doc);
    EXPECT_EQ(host.events->subscriberCount(), 1u);
    EXPECT_TRUE(addIn.eventsConnected());

    // Each setting is created by the read; the put finds it stored as it
    // would write it.
    EXPECT_THAT(registry.writes,
                ElementsAre("Status=On", "Documents=Active", "Minutes=10", "Prompt=On", "SaveBackup=Off"));
    EXPECT_EQ(registry.size(RegistryRoot::CurrentUser, kSettingsKey, "Minutes"), 3u);
    expectDefaults();

    EXPECT_EQ(addIn.nextSave(), float(clock.seconds + 600));
    EXPECT_EQ(addIn.lastCheck(), clock.day);
}

TEST_F(AddInInstall, InstallTakesStoredSettingsAndSchedulesFromTheStoredMinutes) {
    initialize();
    registry.set(RegistryRoot::CurrentUser, kSettingsKey, "Status", "off");
    registry.set(RegistryRoot::CurrentUser, kSettingsKey, "Documents", "All");
    registry.set(RegistryRoot::CurrentUser, kSettingsKey, "Minutes", "2.5", false);
    clock.seconds = 23 * 3600 + 59 * 60;

    addIn.Install(host.app, nullptr);

    // Minutes is put back in the form the put writes; the missing two are
    // created; what is stored as written is not written again.
    EXPECT_THAT(registry.writes, ElementsAre("Minutes=2.5", "Prompt=On", "SaveBackup=Off"));
    // A put of its own always writes, also of the text Install read last.
    registry.writes.clear();
    addIn.put_Status("off");
    addIn.put_SaveBackup("Off");
    EXPECT_THAT(registry.writes, ElementsAre("Status=off", "SaveBackup=Off"));

    EXPECT_EQ(addIn.get_Status(), "off");  // kept as stored, letter case included
    EXPECT_EQ(addIn.get_Documents(), "All");
    EXPECT_EQ(addIn.get_Prompt(), "On");
    // Past midnight is fine: the day change is the scheduler's business.
    EXPECT_EQ(addIn.nextSave(), float(clock.seconds + 150));
    EXPECT_EQ(module.g_CurrentDocument, nullptr);
}

TEST_F(AddInInstall, StoredMinutesOfNoIntervalCountAsTenAndStayStored) {
    initialize();
    for (const char* minutes : {"abc", "0", "-3"}) {
        SCOPED_TRACE(minutes);
        registry.set(RegistryRoot::CurrentUser, kSettingsKey, "Minutes", minutes);
        addIn.Install(host.app, nullptr);
        EXPECT_EQ(addIn.get_Minutes(), minutes);
        EXPECT_EQ(setting("Minutes"), minutes);
        EXPECT_EQ(addIn.nextSave(), float(clock.seconds + 600));
    }
    // A positive fraction is an interval of its own.
    registry.set(RegistryRoot::CurrentUser, kSettingsKey, "Minutes", "0.02");
    addIn.Install(host.app, nullptr);
    EXPECT_EQ(addIn.nextSave(), float(clock.seconds + 1.2));
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(AddInInstall, AnUnreadableSettingTakesItsDefaultWithoutBeingWrittenBack) {
    initialize();
    registry.setEmptyData(RegistryRoot::CurrentUser, kSettingsKey, "Minutes");
    registry.setEmptyData(RegistryRoot::CurrentUser, kSettingsKey, "Prompt");
    addIn.Install(host.app, nullptr);
    EXPECT_EQ(addIn.get_Minutes(), "10");
    EXPECT_EQ(addIn.get_Prompt(), "On");
    EXPECT_EQ(addIn.nextSave(), float(clock.seconds + 600));
    EXPECT_THAT(components.labels(), ElementsAre("CAddIn:GetRegistryValue()", "CAddIn:GetRegistryValue()"));
    EXPECT_THAT(registry.writes, ElementsAre("Status=On", "Documents=Active", "SaveBackup=Off"));
    EXPECT_EQ(registry.size(RegistryRoot::CurrentUser, kSettingsKey, "Minutes"), 0u);
}

TEST_F(AddInInstall, AKeyThatCannotBeWrittenStillGivesTheStoredSettings) {
    initialize();
    registry.set(RegistryRoot::CurrentUser, kSettingsKey, "Status", "Off");
    registry.set(RegistryRoot::CurrentUser, kSettingsKey, "Minutes", "25");
    registry.failCreateKey = true;  // an administrator's read-only key
    addIn.Install(host.app, nullptr);
    EXPECT_EQ(addIn.get_Status(), "Off");
    EXPECT_EQ(addIn.get_Minutes(), "25");
    EXPECT_EQ(addIn.nextSave(), float(clock.seconds + 25 * 60));
}

TEST_F(AddInInstall, InstallBeforeInitializeApplicationUsesDefaultsAndReportsEveryWrite) {
    addIn.Install(host.app, nullptr);

    expectDefaults();
    EXPECT_EQ(addIn.nextSave(), float(clock.seconds + 600));

    const std::string keyFailed = "CAddIn:In GetRegistryValue()--RegCreateKeyEx() Failed.";
    const std::string writeFailed = "CAddIn:In GetRegistryValue()--RegSetValueExStr() Failed.";
    std::vector<std::string> expected;
    for (int put = 0; put < 5; ++put) expected.insert(expected.end(), {keyFailed, writeFailed});
    EXPECT_EQ(components.labels(), expected);
    for (const Report& r : components.reports) {
        EXPECT_EQ(r.number, 0);
        EXPECT_EQ(r.description, "");
    }
    EXPECT_THAT(registry.writes, IsEmpty());
    EXPECT_TRUE(addIn.eventsConnected());
}

TEST_F(AddInInstall, MinutesTooLargeForTheScheduleOverflowTwiceAndKeepTheLastCheck) {
    initialize();
    addIn.Install(host.app, nullptr);
    const float due = addIn.nextSave();
    const auto checked = addIn.lastCheck();

    registry.set(RegistryRoot::CurrentUser, kSettingsKey, "Minutes", "1e40");
    clock.day += 1;
    clock.seconds += 60;
    addIn.Install(host.app, nullptr);

    EXPECT_THAT(components.labels(), ElementsAre("CAddIn:Let Minutes()", "CAddIn:Install()"));
    EXPECT_EQ(components.reports[0].number, 6);
    EXPECT_EQ(components.reports[1].number, 6);
    EXPECT_EQ(addIn.get_Minutes(), "1e40");
    EXPECT_EQ(setting("Minutes"), "1e40");
    // The settings after Minutes were still loaded.
    EXPECT_EQ(addIn.get_SaveBackup(), "Off");
    EXPECT_EQ(addIn.nextSave(), due);
    EXPECT_EQ(addIn.lastCheck(), checked);
}

TEST_F(AddInInstall, UnInstallDisconnectsAndDropsTheHostObjects) {
    initialize();
    addIn.Install(host.app, host.document("A.dwg"));
    module.g_bUpdateMenuCheck = false;

    addIn.UnInstall(host.app, nullptr);

    EXPECT_FALSE(addIn.get_IsInstalled());
    EXPECT_FALSE(addIn.eventsConnected());
    EXPECT_EQ(host.events->subscriberCount(), 0u);
    EXPECT_EQ(module.g_Application, nullptr);
    EXPECT_EQ(module.g_CurrentDocument, nullptr);
    EXPECT_TRUE(module.g_bUpdateMenuCheck);
    EXPECT_EQ(addIn.get_Minutes(), "10");  // settings stay
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(AddInInstall, InstallAndUnInstallRepeatWithOneSubscriptionAtATime) {
    initialize();
    addIn.Install(host.app, nullptr);
    // A second Install while installed replaces the subscription.
    addIn.Install(host.app, nullptr);
    EXPECT_EQ(host.events->subscriberCount(), 1u);
    addIn.UnInstall(host.app, nullptr);
    EXPECT_EQ(host.events->subscriberCount(), 0u);

    registry.set(RegistryRoot::CurrentUser, kSettingsKey, "Prompt", "Off");
    clock.seconds += 30;
    addIn.Install(host.app, nullptr);
    EXPECT_TRUE(addIn.get_IsInstalled());
    EXPECT_EQ(host.events->subscriberCount(), 1u);
    EXPECT_EQ(addIn.get_Prompt(), "Off");
    EXPECT_EQ(addIn.nextSave(), float(clock.seconds + 600));
    addIn.UnInstall(host.app, nullptr);
    EXPECT_EQ(host.events->subscriberCount(), 0u);
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(AddInInstall, EventsReachTheHandlersOnlyWhileInstalled) {
    initialize();
    auto docA = host.document("A.dwg");
    addIn.Install(host.app, docA);

    bool toBeSaved = false, cancel = false;
    auto otherNamed = host.document("B.dwg");
    host.events->fire([&](auto& sink) { sink.g_ApplicationEvents_BeforeDocumentClose(otherNamed, toBeSaved, cancel); });
    EXPECT_EQ(module.g_CurrentDocument, docA);

    // Documents are matched by name: another object with the same name counts.
    auto sameName = host.document("A.dwg");
    host.events->fire([&](auto& sink) { sink.g_ApplicationEvents_BeforeDocumentClose(sameName, toBeSaved, cancel); });
    EXPECT_EQ(module.g_CurrentDocument, nullptr);

    module.g_CurrentDocument = docA;
    host.events->fire([](auto& sink) { sink.g_ApplicationEvents_CommandAborted(100); });
    EXPECT_EQ(module.g_CurrentDocument, nullptr);
    EXPECT_THAT(components.reports, IsEmpty());

    addIn.UnInstall(host.app, nullptr);
    module.g_CurrentDocument = docA;
    host.events->fire([](auto& sink) { sink.g_ApplicationEvents_CommandAborted(100); });
    EXPECT_EQ(module.g_CurrentDocument, docA);
}

TEST_F(AddInInstall, SubscriptionUsesTheApplicationEventsInterface) {
    initialize();
    addIn.Install(host.app, nullptr);
    EXPECT_THAT(log->startingWith("events.connect"), ElementsAre("events.connect ApplicationEvents"));
}

TEST_F(AddInInstall, SubscriptionHoldsTheOwnerOnlyWhileConnected) {
    initialize();
    ASSERT_EQ(owner.use_count(), 1);
    addIn.Install(host.app, nullptr);
    EXPECT_EQ(owner.use_count(), 2);
    addIn.UnInstall(host.app, nullptr);
    EXPECT_EQ(owner.use_count(), 1);
}

TEST_F(AddInInstall, DestroyingAnInstalledObjectEndsItsSubscription) {
    initialize();
    {
        CAddIn second(module, [w = std::weak_ptr<int>(owner)] { return std::shared_ptr<void>(w.lock()); });
        second.Install(host.app, nullptr);
        EXPECT_EQ(host.events->subscriberCount(), 1u);
    }
    EXPECT_EQ(host.events->subscriberCount(), 0u);
    EXPECT_EQ(owner.use_count(), 1);
}

}  // namespace
