// The settings store: GetRegistryValue and the property puts.
#include "fakes/ModuleFixture.h"

#include <gmock/gmock.h>

namespace {

using namespace fakes;
using autosave::CAddIn;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class AddInSettings : public ModuleFixture {
protected:
    AddInSettings() { addIn.InitializeApplication(host.app); }
    CAddIn addIn{module};
};

TEST_F(AddInSettings, MissingValuesReadAsTheirDefaultsAndAreCreated) {
    const std::pair<const char*, const char*> defaults[] = {{"Status", "On"},
                                                            {"Documents", "Active"},
                                                            {"Minutes", "10"},
                                                            {"Prompt", "On"},
                                                            {"SaveBackup", "Off"},
                                                            // The default is chosen by the exact name.
                                                            {"status", "Not Used"},
                                                            {"Interval", "Not Used"}};
    for (const auto& [name, expected] : defaults) {
        SCOPED_TRACE(name);
        registry = FakeRegistry{};
        EXPECT_EQ(addIn.GetRegistryValue(name), expected);
        EXPECT_EQ(setting(name), expected);
    }
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(AddInSettings, StoredValueIsReadWithoutItsTerminator) {
    registry.set(RegistryRoot::CurrentUser, kSettingsKey, "Documents", "all");
    EXPECT_EQ(addIn.GetRegistryValue("Documents"), "all");
    EXPECT_THAT(registry.writes, IsEmpty());
}

TEST_F(AddInSettings, ZeroByteValueIsReportedAndReadsEmpty) {
    registry.setEmptyData(RegistryRoot::CurrentUser, kSettingsKey, "Status");
    EXPECT_EQ(addIn.GetRegistryValue("Status"), "");
    EXPECT_THAT(components.labels(), ElementsAre("CAddIn:GetRegistryValue()"));
}

TEST_F(AddInSettings, PutStoresAnyTextInMemberAndRegistry) {
    module.g_bUpdateMenuCheck = false;
    addIn.put_Documents("All");
    EXPECT_FALSE(module.g_bUpdateMenuCheck);
    // A written Status brings the check mark in line at the next idle event,
    // also when idle events already cleared the dialog's own request.
    addIn.put_Status("Maybe");
    EXPECT_TRUE(module.g_bUpdateMenuCheck);
    addIn.put_Documents("");
    addIn.put_Prompt("Off");
    addIn.put_SaveBackup("On");
    EXPECT_EQ(addIn.get_Status(), "Maybe");
    EXPECT_EQ(setting("Status"), "Maybe");
    EXPECT_EQ(setting("Documents"), "");
    EXPECT_EQ(setting("Prompt"), "Off");
    EXPECT_EQ(setting("SaveBackup"), "On");
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(AddInSettings, MinutesPutRestartsTheIntervalFromNow) {
    clock.seconds = 10 * 3600;
    addIn.put_Minutes("5");
    EXPECT_EQ(addIn.nextSave(), float(10 * 3600 + 5 * 60));
    EXPECT_EQ(setting("Minutes"), "5");

    // No interval at all would save at every idle event: ten minutes.
    addIn.put_Minutes("abc");
    EXPECT_EQ(addIn.nextSave(), float(10 * 3600 + 600));
    EXPECT_EQ(setting("Minutes"), "abc");

    // Other settings leave the schedule alone.
    clock.seconds += 100;
    addIn.put_Status("Off");
    EXPECT_EQ(addIn.nextSave(), float(10 * 3600 + 600));
}

TEST_F(AddInSettings, OverflowingMinutesIsStoredAndReportedWithoutMovingTheSchedule) {
    addIn.put_Minutes("5");
    const float due = addIn.nextSave();
    addIn.put_Minutes("1e400");
    EXPECT_EQ(addIn.get_Minutes(), "1e400");
    EXPECT_EQ(setting("Minutes"), "1e400");
    EXPECT_EQ(addIn.nextSave(), due);
    ASSERT_THAT(components.labels(), ElementsAre("CAddIn:Let Minutes()"));
    EXPECT_EQ(components.reports[0].number, 6);
}

TEST_F(AddInSettings, FailedWriteIsReportedOnceAndTheMemberKeepsTheText) {
    registry.failWrites = true;
    addIn.put_Prompt("Off");
    EXPECT_EQ(addIn.get_Prompt(), "Off");
    EXPECT_THAT(components.labels(), ElementsAre("CAddIn:In GetRegistryValue()--RegSetValueExStr() Failed."));
}

}  // namespace
