// The settings menu item: creation by UIInitialize, removal by UIUnInitialize.
#include "fakes/ModuleFixture.h"
#include "addin/StringIds.h"

#include <gmock/gmock.h>

namespace {

using namespace fakes;
using autosave::CAddIn;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kCaption = kName + kCaptionSuffix;

class MenuEntry : public ModuleFixture {
protected:
    MenuEntry() { addIn.InitializeApplication(host.app); }
    void install() { addIn.Install(host.app, nullptr); }

    CAddIn addIn{module};
};

TEST_F(MenuEntry, NothingIsAddedBeforeInstall) {
    log->clear();
    addIn.UIInitialize(host.app, nullptr);
    EXPECT_EQ(addIn.menuCommand(), nullptr);
    EXPECT_THAT(log->containing("AddCommand"), IsEmpty());
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(MenuEntry, ItemIsAddedToTheNamedMenuWithNamePlusSuffixBoundToTheCommandClass) {
    install();
    addIn.UIInitialize(host.app, nullptr);

    EXPECT_THAT(log->containing("AddCommand"),
                ElementsAre("Tools.items.call AddCommand(" + kCaption + ",vokAutoSave412.CCommand)"));
    EXPECT_THAT(host.captions(kMenu), ElementsAre(kCaption));
    EXPECT_THAT(host.captions("File"), IsEmpty());
    ASSERT_NE(addIn.menuCommand(), nullptr);
    EXPECT_EQ(autosave::toText(addIn.menuCommand()->get("Caption")), kCaption);
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(MenuEntry, CaptionFollowsTheNamePropertyAndIsTheNameAloneWithoutSuffix) {
    libraries.addLibrary("C:\\lib\\noSuffix.dll", {{IDS_NAME, kName}, {IDS_MENU_NAME, kMenu}});
    components.libraryPath = "C:\\lib\\noSuffix.dll";
    addIn.InitializeApplication(host.app);
    install();
    addIn.put_name("Renamed");
    addIn.UIInitialize(host.app, nullptr);
    EXPECT_THAT(host.captions(kMenu), ElementsAre("Renamed"));
}

TEST_F(MenuEntry, ExistingItemWithTheCaptionIsAdoptedNotDuplicated) {
    install();
    auto existing = host.addItem(kMenu, kCaption);
    addIn.UIInitialize(host.app, nullptr);

    EXPECT_EQ(addIn.menuCommand(), existing);
    EXPECT_THAT(log->containing("AddCommand"), IsEmpty());
    EXPECT_THAT(host.captions(kMenu), ElementsAre(kCaption));

    // A repeated UIInitialize adopts the item it made itself.
    addIn.UIInitialize(host.app, nullptr);
    EXPECT_THAT(host.captions(kMenu), ElementsAre(kCaption));
}

TEST_F(MenuEntry, NoMenuOfThatNameMeansNoItemAndNoReport) {
    host.removeMenu(kMenu);
    install();
    addIn.UIInitialize(host.app, nullptr);
    EXPECT_EQ(addIn.menuCommand(), nullptr);
    EXPECT_THAT(log->containing("AddCommand"), IsEmpty());
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(MenuEntry, RemovalDeletesTheItemWhileItsMenuIsOnTheMenuBar) {
    install();
    addIn.UIInitialize(host.app, nullptr);
    auto item = addIn.menuCommand();
    addIn.UIUnInitialize(host.app, nullptr, false);

    EXPECT_EQ(addIn.menuCommand(), nullptr);
    EXPECT_THAT(host.captions(kMenu), IsEmpty());
    EXPECT_THAT(log->containing(".call Delete"), ElementsAre("item:" + kCaption + ".call Delete()"));
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(MenuEntry, RemovalOnlyDropsTheItemWhenItsMenuLeftTheMenuBar) {
    install();
    addIn.UIInitialize(host.app, nullptr);
    host.removeMenu(kMenu);
    addIn.UIUnInitialize(host.app, nullptr, true);

    EXPECT_EQ(addIn.menuCommand(), nullptr);
    EXPECT_THAT(log->containing("Delete"), IsEmpty());
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(MenuEntry, RemovalWithoutAnItemMakesNoHostCall) {
    install();
    log->clear();
    addIn.UIUnInitialize(host.app, nullptr, false);
    EXPECT_THAT(log->entries(), IsEmpty());
}

TEST_F(MenuEntry, FailingHostCallDuringRemovalIsReportedAndKeepsTheItem) {
    install();
    addIn.UIInitialize(host.app, nullptr);
    auto item = std::dynamic_pointer_cast<FakeObject>(addIn.menuCommand());
    ASSERT_NE(item, nullptr);
    item->fail("Delete", {70, "Tessaline", "Permission denied", {}, 0});

    addIn.UIUnInitialize(host.app, nullptr, false);

    ASSERT_THAT(components.labels(), ElementsAre("CAddIn:UIUnInitialize()"));
    EXPECT_EQ(components.reports[0].number, 70);
    EXPECT_EQ(addIn.menuCommand(), item);
}

TEST_F(MenuEntry, FailingAddCommandIsReportedAndSetsNoItem) {
    install();
    host.menuItems(kMenu)->fail("AddCommand", {5, "Tessaline", "Invalid procedure call or argument", {}, 0});
    addIn.UIInitialize(host.app, nullptr);
    EXPECT_THAT(components.labels(), ElementsAre("CAddIn:CreateMenuEntry()"));
    EXPECT_EQ(addIn.menuCommand(), nullptr);
}

}  // namespace
