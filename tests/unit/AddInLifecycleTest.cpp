// CAddIn from construction through InitializeApplication.
#include "fakes/ModuleFixture.h"

#include <gmock/gmock.h>

namespace {

using namespace fakes;
using autosave::CAddIn;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using AddInLifecycle = ModuleFixture;

TEST_F(AddInLifecycle, FreshObjectIsNeitherInstalledNorHiddenAndAsksForAMenuCheck) {
    module.g_bUpdateMenuCheck = false;
    CAddIn addIn(module);
    EXPECT_FALSE(addIn.get_IsInstalled());
    EXPECT_FALSE(addIn.get_Hidden());
    EXPECT_TRUE(module.g_bUpdateMenuCheck);
    EXPECT_THAT(components.reports, IsEmpty());
    EXPECT_THAT(log->entries(), IsEmpty());
}

TEST_F(AddInLifecycle, LocatorIsToldFolderThenBaseNameBeforeItIsAskedForTheFile) {
    CAddIn addIn(module);
    addIn.InitializeApplication(host.app);
    EXPECT_THAT(log->startingWith("locator."),
                ElementsAre(std::string("locator.put Folder=") + FakeComponents::kFolder,
                            "locator.put BaseName=vokAutoSave_", "locator.get FileName"));
}

TEST_F(AddInLifecycle, InitializeApplicationLoadsTheLibraryAndSetsNameDescriptionAndSettingsKey) {
    CAddIn addIn(module);
    addIn.InitializeApplication(host.app);

    const auto handle = libraries.handleOf(FakeComponents::kEnglishLibrary);
    EXPECT_EQ(module.g_hResourceLib, handle);
    EXPECT_EQ(libraries.liveLoads(handle), 1);
    EXPECT_EQ(addIn.get_name(), kName);
    EXPECT_EQ(addIn.get_description(), kDescription);
    EXPECT_EQ(addIn.registryRoot(), RegistryRoot::CurrentUser);
    EXPECT_EQ(addIn.registryKey(), kSettingsKey);
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(AddInLifecycle, SettingsKeyNamesTheHostsOwnProgId) {
    host.framework->value("ProgId", std::string("Other.Application"));
    CAddIn addIn(module);
    addIn.InitializeApplication(host.app);
    EXPECT_EQ(addIn.registryKey(), "SOFTWARE\\Morvane\\Applications\\Other.Application\\PrefSets\\AddIns\\AutoSave");
}

TEST_F(AddInLifecycle, AProgIdWithAZeroCharacterIsRefusedAndLeavesTheKeyEmpty) {
    // Cut short at the zero, the key would be the host's own.
    host.framework->value("ProgId", std::string("Tessaline.Application\0x", 23));
    CAddIn addIn(module);
    addIn.InitializeApplication(host.app);
    EXPECT_THAT(components.labels(), ElementsAre("CAddIn:InitializeApplication()"));
    EXPECT_EQ(addIn.registryRoot(), RegistryRoot::None);
    EXPECT_EQ(addIn.registryKey(), "");
}

TEST_F(AddInLifecycle, MissingLibraryIsReportedOnceAndTheRestRunsWithHandleZero) {
    components.libraryPath = "C:\\nowhere\\vokAutoSave_XXX.dll";
    CAddIn addIn(module);
    addIn.InitializeApplication(host.app);

    ASSERT_EQ(components.reports.size(), 1u);
    const Report& r = components.reports[0];
    EXPECT_EQ(r.label, "CAddIn:InitializeApplication()--Failed to Load vokAutoSave_<>.dll Resource Lib");
    EXPECT_EQ(r.source, "");
    EXPECT_EQ(r.description, "");
    EXPECT_EQ(r.helpFile, "");
    EXPECT_EQ(r.helpContext, 0);
    EXPECT_EQ(r.number, 0);
    EXPECT_EQ(r.style, 48);
    EXPECT_EQ(r.flag1, 0);
    EXPECT_EQ(r.flag2, 0);

    EXPECT_EQ(module.g_hResourceLib, 0u);
    // Handle 0 is the host program's own string table.
    EXPECT_EQ(addIn.get_name(), "Host program");
    EXPECT_EQ(addIn.get_description(), "");
    EXPECT_EQ(addIn.registryKey(), kSettingsKey);
}

TEST_F(AddInLifecycle, UncreatableLocatorIsAnErrorThatLeavesNameAndKeyUnset) {
    components.locatorCreatable = false;
    CAddIn addIn(module);
    addIn.put_name("before");
    addIn.InitializeApplication(host.app);

    ASSERT_EQ(components.reports.size(), 1u);
    const Report& r = components.reports[0];
    EXPECT_EQ(r.label, "CAddIn:InitializeApplication()");
    EXPECT_EQ(r.number, 429);
    EXPECT_EQ(r.source, FakeComponents::kCannotCreate.source);
    EXPECT_EQ(r.description, FakeComponents::kCannotCreate.description);
    EXPECT_EQ(addIn.get_name(), "before");
    EXPECT_EQ(addIn.get_description(), "");
    EXPECT_EQ(addIn.registryRoot(), RegistryRoot::None);
    EXPECT_EQ(addIn.registryKey(), "");
    EXPECT_EQ(libraries.lookups, 0);
}

TEST_F(AddInLifecycle, HostWithoutOrvapplicationOrProgIdIsReportedAndLeavesTheKeyEmpty) {
    for (bool dropProgId : {false, true}) {
        SCOPED_TRACE(dropProgId ? "no ProgId" : "no orvapplication");
        FakeHost broken(log);
        if (dropProgId) broken.framework->remove("ProgId");
        else broken.app->remove("orvapplication");
        components.reports.clear();

        CAddIn addIn(module);
        addIn.InitializeApplication(broken.app);

        EXPECT_THAT(components.labels(), ElementsAre("CAddIn:InitializeApplication()"));
        EXPECT_EQ(components.reports[0].number, 438);
        // What came before the failing step stays done; the settings'
        // location is set only once it is complete.
        EXPECT_EQ(addIn.get_name(), kName);
        EXPECT_EQ(addIn.registryRoot(), RegistryRoot::None);
        EXPECT_EQ(addIn.registryKey(), "");

        // So the settings never land in the root of the user's hive: reads
        // give the defaults, writes fail with their reports.
        components.reports.clear();
        addIn.Install(host.app, nullptr);
        EXPECT_EQ(addIn.get_Minutes(), "10");
        EXPECT_EQ(components.reports.size(), 10u);
        EXPECT_THAT(registry.writes, IsEmpty());
        EXPECT_FALSE(registry.hasKey(RegistryRoot::CurrentUser, ""));
        addIn.UnInstall(host.app, nullptr);
    }
}

}  // namespace
