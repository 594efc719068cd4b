// The language library's life across CAddIn objects, and string lookups.
#include "fakes/ModuleFixture.h"

#include "addin/MRegistry.h"
#include "addin/StringIds.h"

#include <gmock/gmock.h>

namespace {

using namespace fakes;
using autosave::CAddIn;
using autosave::GetResourceString;
using ::testing::IsEmpty;

using ResourceLibrary = ModuleFixture;

TEST_F(ResourceLibrary, EachObjectFreesOnlyItsOwnLoadAndTheHandleOutlivesThem) {
    const auto handle = libraries.handleOf(FakeComponents::kEnglishLibrary);
    auto first = std::make_unique<CAddIn>(module);
    auto second = std::make_unique<CAddIn>(module);
    first->InitializeApplication(host.app);
    second->InitializeApplication(host.app);
    ASSERT_EQ(libraries.liveLoads(handle), 2);

    first.reset();
    EXPECT_EQ(libraries.liveLoads(handle), 1);
    EXPECT_EQ(GetResourceString(module, module.g_hResourceLib, IDS_NAME), kName);
    second->Install(host.app, nullptr);
    second->UIInitialize(host.app, nullptr);
    EXPECT_NE(second->menuCommand(), nullptr);

    second.reset();
    EXPECT_EQ(libraries.liveLoads(handle), 0);
    EXPECT_EQ(module.g_hResourceLib, handle);

    // The stale handle must never reach the loader (the fake fails the test if it does).
    const int lookups = libraries.lookups;
    EXPECT_EQ(GetResourceString(module, module.g_hResourceLib, IDS_NAME), "");
    EXPECT_EQ(libraries.lookups, lookups);
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(ResourceLibrary, ObjectThatNeverLoadedFreesNothing) {
    CAddIn loaded(module);
    loaded.InitializeApplication(host.app);
    { CAddIn idle(module); }
    EXPECT_EQ(libraries.frees, 0);
    EXPECT_EQ(libraries.liveLoads(module.g_hResourceLib), 1);
}

TEST_F(ResourceLibrary, RepeatedInitializeApplicationHoldsOneLoad) {
    {
        CAddIn addIn(module);
        addIn.InitializeApplication(host.app);
        addIn.InitializeApplication(host.app);
        EXPECT_EQ(libraries.liveLoads(module.g_hResourceLib), 1);
    }
    EXPECT_EQ(libraries.liveLoads(module.g_hResourceLib), 0);
}

TEST_F(ResourceLibrary, LibraryLoadedAgainAfterAllWereFreedIsUsableAgain) {
    {
        CAddIn gone(module);
        gone.InitializeApplication(host.app);
    }
    CAddIn again(module);
    again.InitializeApplication(host.app);
    EXPECT_EQ(again.get_name(), kName);
    EXPECT_EQ(GetResourceString(module, module.g_hResourceLib, IDS_DESCRIPTION), kDescription);
}

TEST_F(ResourceLibrary, LookupGivesEmptyForMissingNumbersAndAtMost499Characters) {
    const std::string longText(600, 'x');
    libraries.addLibrary("C:\\lib\\long.dll",
                         {{IDS_DOCUMENTS_TO_SAVE, longText}, {IDS_ACTIVE_DOCUMENT, std::string(499, 'y')}});
    components.libraryPath = "C:\\lib\\long.dll";
    CAddIn addIn(module);
    addIn.InitializeApplication(host.app);

    EXPECT_EQ(GetResourceString(module, module.g_hResourceLib, 131), "");
    EXPECT_EQ(GetResourceString(module, module.g_hResourceLib, IDS_DOCUMENTS_TO_SAVE), longText.substr(0, 499));
    EXPECT_EQ(GetResourceString(module, module.g_hResourceLib, IDS_ACTIVE_DOCUMENT), std::string(499, 'y'));
    // Handle 0 goes to the loader unchanged: the host program's own table.
    EXPECT_EQ(GetResourceString(module, 0, IDS_NAME), "Host program");
    EXPECT_THAT(components.reports, IsEmpty());
}

}  // namespace
