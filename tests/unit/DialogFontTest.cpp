// Dialog fonts: the GUI font's face everywhere, and on the East-Asian
// locales of the table the matching character set and 9 points.
#include "fakes/ModuleFixture.h"

#include "engine/PromptDialog.h"
#include "settings/MI18NUtilities.h"

#include <gmock/gmock.h>

namespace {

using namespace fakes;
using ::testing::IsEmpty;

struct NoEvents final : autosave::FormEvents {};

class DialogFont : public ModuleFixture {
protected:
    NoEvents events;
    std::unique_ptr<autosave::Form> form;

    HeadlessForm& load() {
        forms.guiFontFace = "Tahoma";
        form = forms.load(autosave::frmPrompt::layout(), events);
        return *forms.find("frmPrompt");
    }
};

TEST_F(DialogFont, OtherLocalesGetTheFaceAndTheDefaultCharacterSetKeepingTheirSize) {
    HeadlessForm& f = load();
    f.get("cmdSave").setFont({"Arial", 12, 0});
    desktop.locale = 1033;
    autosave::SetInternationalizeFont(module, *form);
    EXPECT_EQ(form->font().name, "Tahoma");
    EXPECT_EQ(form->font().size, 8);
    auto save = f.get("cmdSave").font();
    EXPECT_EQ(save.name, "Tahoma");
    EXPECT_EQ(save.charset, 1);
    EXPECT_EQ(save.size, 12);
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(DialogFont, EastAsianLocalesGetTheirCharacterSetAndNinePoints) {
    const std::pair<std::uint32_t, int> table[] = {{1028, 136}, {1041, 128}, {1042, 129}, {2066, 130},
                                                   {2052, 134}, {3076, 136}, {4100, 136}};
    for (auto [locale, charset] : table) {
        SCOPED_TRACE(locale);
        HeadlessForm& f = load();
        form->setFont({"Arial", 10, 77});
        desktop.locale = locale;
        autosave::SetInternationalizeFont(module, *form);
        for (autosave::Control* c : form->controls()) {
            EXPECT_EQ(c->font().charset, charset) << c->name();
            EXPECT_EQ(c->font().size, 9) << c->name();
        }
        // The form itself: 8 points, its character set untouched.
        EXPECT_EQ(form->font().size, 8);
        EXPECT_EQ(form->font().charset, 77);
        (void)f;
    }
}

TEST_F(DialogFont, OtherSubLanguagesFallIntoTheDefaultRow) {
    load();
    desktop.locale = 0x0C04 + 0x1000;  // not in the table, though Chinese
    autosave::SetInternationalizeFont(module, *form);
    EXPECT_EQ(form->control("cmdSave").font().charset, 1);
}

TEST_F(DialogFont, AControlWithoutAFontIsPassedOverSilently) {
    forms.fontless = {"cmdSave"};
    HeadlessForm& f = load();
    desktop.locale = 1041;
    autosave::SetInternationalizeFont(module, *form);
    EXPECT_EQ(f.get("cmdSave").fontChanges(), 0);
    EXPECT_EQ(f.get("cmdSkip").font().charset, 128);
    EXPECT_EQ(f.get("cmdCancel").font().charset, 128);
    EXPECT_THAT(components.reports, IsEmpty());
}

}  // namespace
