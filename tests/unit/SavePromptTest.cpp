// The save prompt in both passes: what each answer does, Skip's enabled
// state, the texts, and the close box that unloads the form.
#include "EngineFixture.h"

#include <gmock/gmock.h>

namespace {

using namespace fakes;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SavePrompt : public EngineFixture {
protected:
    // The user answers the next prompts with these buttons (or the close
    // box, or Enter), in order, and notes what the dialog showed.
    void answer(std::vector<std::string> buttons) {
        for (auto& button : buttons)
            forms.script.push_back([this, button](HeadlessForm& form) {
                questions.push_back(form.get("lblSaveChanges").caption());
                skipEnabled.push_back(form.get("cmdSkip").enabled());
                pointerWhenShown.push_back(desktop.pointer);
                statusWhenShown.push_back(statusBar());
                focusWhenShown.push_back(form.focusedControl());
                if (button == "close box") form.closeBox();
                else if (button == "Enter") form.pressKey(13);
                else form.click(button);
            });
    }
    std::vector<std::string> questions;
    std::vector<bool> skipEnabled;
    std::vector<int> pointerWhenShown;
    std::vector<std::string> statusWhenShown;
    std::vector<std::string> focusWhenShown;
};

TEST_F(SavePrompt, ActiveDocumentSaveOffersNoSkipAndPostsTheCommand) {
    install({{"Prompt", "On"}});
    host.openDocument("A.tsd", /*modified=*/false);
    answer({"cmdSave"});
    idleAt(kInterval + 1);
    EXPECT_THAT(questions, ElementsAre("Save A.tsd?"));
    EXPECT_THAT(skipEnabled, ElementsAre(false));
    EXPECT_TRUE(fileSavePosted());
    EXPECT_TRUE(module.g_bSaveByCommand);
    EXPECT_EQ(statusBar(), "Saving A.tsd...");
    EXPECT_EQ(desktop.pointer, autosave::kHourglassPointer);
}

TEST_F(SavePrompt, ActiveDocumentCancelSavesNothing) {
    install({});  // Prompt is "On" by default
    host.openDocument("A.tsd");
    answer({"cmdCancel"});
    idleAt(kInterval + 1);
    EXPECT_TRUE(desktop.posted.empty());
    EXPECT_TRUE(module.g_bCancelPrompts);
    EXPECT_THAT(components.reports, IsEmpty());
}

class PromptText : public SavePrompt, public ::testing::WithParamInterface<const char*> {};

TEST_P(PromptText, OnlyExactlyOnAsksInEitherPass) {
    install({{"Prompt", GetParam()}, {"Documents", "All"}});
    host.openDocument("B.tsd");
    host.openDocument("A.tsd");
    idleAt(kInterval + 1);
    addIn.put_Documents("Active");
    idleAt(2 * kInterval + 2);
    EXPECT_EQ(forms.loadCount("frmPrompt"), 0);
    EXPECT_THAT(host.saved, ElementsAre("B.tsd"));
    EXPECT_EQ(desktop.posted.size(), 2u);  // A, in each pass
    EXPECT_THAT(components.reports, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(SavePrompt, PromptText, ::testing::Values("on", "ON", "Off", ""));

TEST_F(SavePrompt, ThePromptIsNeverShownUnderTheHourglass) {
    install({{"Documents", "All"}});
    host.saveRaisesEvent = false;
    host.openDocument("A.tsd");
    host.openDocument("B.tsd");
    host.activate("A.tsd");
    answer({"cmdSave", "cmdSave"});
    idleAt(kInterval + 1);
    EXPECT_THAT(pointerWhenShown, ElementsAre(autosave::kDefaultPointer, autosave::kDefaultPointer));
    EXPECT_THAT(statusWhenShown, ElementsAre("", ""));
    // A's command is pending, so B's save brings no message back.
    EXPECT_EQ(statusBar(), "");
}

TEST_F(SavePrompt, AllDocumentsSaveSkipSave) {
    install({{"Documents", "All"}});
    auto a = host.openDocument("A.tsd");
    host.openDocument("B.tsd");
    host.openDocument("C.tsd");
    host.activate("A.tsd");
    answer({"cmdSave", "cmdSkip", "cmdSave"});
    idleAt(kInterval + 1);
    EXPECT_THAT(questions, ElementsAre("Save A.tsd?", "Save B.tsd?", "Save C.tsd?"));
    EXPECT_THAT(skipEnabled, ElementsAre(true, true, true));
    EXPECT_TRUE(fileSavePosted());                  // A, the active one
    EXPECT_THAT(host.saved, ElementsAre("C.tsd"));  // B skipped
}

TEST_F(SavePrompt, AllDocumentsCancelEndsThePass) {
    install({{"Documents", "All"}});
    host.openDocument("A.tsd");
    host.openDocument("B.tsd");
    host.openDocument("C.tsd");
    host.activate("C.tsd");
    answer({"cmdSave", "cmdCancel"});
    idleAt(kInterval + 1);
    EXPECT_THAT(questions, ElementsAre("Save A.tsd?", "Save B.tsd?"));
    EXPECT_THAT(host.saved, ElementsAre("A.tsd"));
    EXPECT_TRUE(desktop.posted.empty());
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(SavePrompt, WhatChangesWhileThePromptIsUpIsSeenAfterIt) {
    install({{"Documents", "All"}});
    host.openDocument("A.tsd");
    host.openDocument("B.tsd");
    host.openDocument("C.tsd");
    host.activate("C.tsd");
    // B is closed while A's prompt is up: it is not visited afterwards.
    forms.script.push_back([this](HeadlessForm& form) {
        host.close("B.tsd");
        form.click("cmdSave");
    });
    answer({"cmdSkip"});
    idleAt(kInterval + 1);
    EXPECT_THAT(questions, ElementsAre("Save C.tsd?"));
    EXPECT_THAT(host.saved, ElementsAre("A.tsd"));

    // The host uninstalls the add-in while A's prompt is up: the prompt goes
    // away unanswered and the pass stops there.
    host.openDocument("B.tsd");
    host.activate("A.tsd");
    host.saved.clear();
    forms.script.push_back([this](HeadlessForm&) {
        addIn.UIUnInitialize(host.app, nullptr, false);
        addIn.UnInstall(host.app, nullptr);
    });
    idleAt(2 * kInterval + 2);
    EXPECT_FALSE(addIn.get_IsInstalled());
    EXPECT_TRUE(host.saved.empty());
    EXPECT_FALSE(fileSavePosted());
    EXPECT_TRUE(forms.script.empty());
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(SavePrompt, ACancelEndsOnlyItsOwnPass) {
    install({{"Documents", "All"}});
    host.openDocument("A.tsd");
    host.openDocument("B.tsd");
    answer({"cmdCancel", "cmdSkip", "cmdSave"});
    idleAt(kInterval + 1);
    idleAt(2 * kInterval + 2);
    EXPECT_THAT(questions, ElementsAre("Save A.tsd?", "Save A.tsd?", "Save B.tsd?"));
    EXPECT_TRUE(fileSavePosted());  // B, the active one
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(SavePrompt, EachShowingStartsWithTheFocusOnSave) {
    install({{"Documents", "All"}});
    host.openDocument("A.tsd");
    host.openDocument("B.tsd");
    host.openDocument("C.tsd");
    answer({"cmdSkip", "Enter", "Enter"});
    idleAt(kInterval + 1);
    EXPECT_THAT(focusWhenShown, ElementsAre("cmdSave", "cmdSave", "cmdSave"));
    EXPECT_THAT(host.saved, ElementsAre("B.tsd"));
    EXPECT_TRUE(fileSavePosted());  // C, the active one
}

TEST_F(SavePrompt, SkipNeedsASecondOpenDocumentModifiedOrNot) {
    install({{"Documents", "All"}});
    host.openDocument("A.tsd");
    answer({"cmdCancel", "cmdSkip"});  // Skip cannot be pressed the first time
    idleAt(kInterval + 1);
    host.openDocument("B.tsd", /*modified=*/false);
    idleAt(2 * kInterval + 2);
    EXPECT_THAT(skipEnabled, ElementsAre(false, true));
    EXPECT_THAT(questions, ElementsAre("Save A.tsd?", "Save A.tsd?"));  // B is not modified
}

TEST_F(SavePrompt, FirstShowingLoadsTheTextsAndTheCloseBoxActsAsSkipAndReloads) {
    install({{"Documents", "All"}});
    host.openDocument("A.tsd");
    host.openDocument("B.tsd");
    answer({"close box", "cmdSave"});
    idleAt(kInterval + 1);
    EXPECT_THAT(questions, ElementsAre("Save A.tsd?", "Save B.tsd?"));
    EXPECT_THAT(host.saved, IsEmpty());  // A: as Skip; B is active, so a command
    EXPECT_TRUE(fileSavePosted());
    EXPECT_EQ(forms.loadCount("frmPrompt"), 2);
    HeadlessForm* form = forms.find("frmPrompt");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->caption(), kName);
    EXPECT_EQ(form->get("cmdSave").caption(), "Save");
    EXPECT_EQ(form->get("cmdSkip").caption(), "Skip");
    EXPECT_EQ(form->get("cmdCancel").caption(), "Cancel");
    EXPECT_FALSE(form->visible());
}

TEST_F(SavePrompt, OneHiddenFormServesEveryPrompt) {
    install({});
    host.openDocument("A.tsd");
    answer({"cmdCancel", "cmdCancel"});
    idleAt(kInterval + 1);
    idleAt(2 * kInterval + 2);
    EXPECT_EQ(forms.loadCount("frmPrompt"), 1);
    EXPECT_EQ(forms.find("frmPrompt")->showCount(), 2);
}

TEST_F(SavePrompt, SaveAfterTheDocumentWasDroppedStartsNoSave) {
    install({});
    auto a = host.openDocument("A.tsd");
    forms.script.push_back([&](HeadlessForm& form) {
        // The document closes while the question is open.
        host.events->fire([&](autosave::ApplicationEvents& e) {
            bool toBeSaved = false, cancel = false;
            e.g_ApplicationEvents_BeforeDocumentClose(a, toBeSaved, cancel);
        });
        form.click("cmdSave");
    });
    idleAt(kInterval + 1);
    EXPECT_EQ(module.g_CurrentDocument, nullptr);
    EXPECT_TRUE(desktop.posted.empty());
    EXPECT_THAT(components.reports, IsEmpty());
    EXPECT_EQ(desktop.pointer, autosave::kDefaultPointer);
    EXPECT_EQ(statusBar(), "");
}

}  // namespace
