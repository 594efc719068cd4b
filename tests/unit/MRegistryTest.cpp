// The help file name the host registers under the machine-wide key.
#include "fakes/ModuleFixture.h"

#include "addin/MRegistry.h"

#include <gmock/gmock.h>

namespace {

using namespace fakes;
using autosave::GetHelpFileNameFromRegistry;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kHelpKey = "Software\\Morvane\\Applications\\Tessaline.Application\\Help\\HelpFile";

class HelpFileName : public ModuleFixture {
protected:
    void registerHelp(const std::string& file, const std::string& key = kHelpKey) {
        registry.set(RegistryRoot::LocalMachine, key, "", file);
    }
};

TEST_F(HelpFileName, NothingRegisteredGivesTheBareExtension) {
    EXPECT_EQ(GetHelpFileNameFromRegistry(module, "Tessaline.Application"), ".chm");
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(HelpFileName, ExtensionIsAddedOnlyWhenTheNameHasNoDotAnywhere) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Help\\AutoSave", "C:\\Help\\AutoSave.chm"},
        {"C:\\Help\\AutoSave.hlp", "C:\\Help\\AutoSave.hlp"},
        {"C:\\Help.v4\\AutoSave", "C:\\Help.v4\\AutoSave"},
        {"AutoSave.", "AutoSave."},
    };
    for (const auto& [stored, expected] : cases) {
        SCOPED_TRACE(stored);
        registerHelp(stored);
        EXPECT_EQ(GetHelpFileNameFromRegistry(module, "Tessaline.Application"), expected);
    }
}

TEST_F(HelpFileName, KeyFollowsTheProgramIdentifierUnderTheMachineRoot) {
    registerHelp("other.chm", "Software\\Morvane\\Applications\\Other.Application\\Help\\HelpFile");
    registerHelp("tessaline.chm");
    registry.set(RegistryRoot::CurrentUser, "Software\\Morvane\\Applications\\User.Application\\Help\\HelpFile", "",
                 "user.chm");

    EXPECT_EQ(GetHelpFileNameFromRegistry(module, "Other.Application"), "other.chm");
    EXPECT_EQ(GetHelpFileNameFromRegistry(module, ""), "tessaline.chm");
    EXPECT_EQ(GetHelpFileNameFromRegistry(module, "User.Application"), ".chm");
}

TEST_F(HelpFileName, ZeroByteValueIsReportedByTheReaderAndGivesTheBareExtension) {
    registry.setEmptyData(RegistryRoot::LocalMachine, kHelpKey, "");
    EXPECT_EQ(GetHelpFileNameFromRegistry(module, ""), ".chm");
    EXPECT_THAT(components.labels(), ElementsAre("MRegistry::GetRegistryValueString()"));
}

TEST_F(HelpFileName, AProgramIdentifierWithAZeroCharacterIsRefused) {
    // Cut short at the zero, the path would name another key.
    EXPECT_EQ(GetHelpFileNameFromRegistry(module, std::string("Tessaline\0x", 11)), "");
    EXPECT_THAT(components.labels(), ElementsAre("MRegistry::GetHelpFileNameFromRegistry()"));
}

TEST_F(HelpFileName, ReadingNeverCreatesTheKey) {
    GetHelpFileNameFromRegistry(module, "");
    EXPECT_FALSE(registry.hasKey(RegistryRoot::LocalMachine, kHelpKey));
    EXPECT_THAT(registry.writes, IsEmpty());
}

}  // namespace
