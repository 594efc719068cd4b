// Dialog fonts: the GUI font's face everywhere, and on the East-Asian
// locales of the table the matching character set and 9 points.
#include "fakes/ModuleFixture.h"

#include "engine/PromptDialog.h"
#include "addin/MI18NUtilities.h"

#include <gmock/gmock.h>

namespace {

using namespace fakes;
using ::testing::IsEmpty;

struct NoEvents final : autosave::FormEvents {};

// Windows' character sets and locale identifiers, as its headers define them.
constexpr int DEFAULT_CHARSET = 1;
constexpr int SHIFTJIS_CHARSET = 128;
constexpr std::uint32_t kEnglishUS = 0x0409;
constexpr std::uint32_t kJapanese = 0x0411;
constexpr std::uint32_t kKorean = 0x0412;
constexpr std::uint32_t kKoreanJohab = 0x0812;
constexpr std::uint32_t kChineseTaiwan = 0x0404;
constexpr std::uint32_t kChinesePRC = 0x0804;
constexpr std::uint32_t kChineseHongKong = 0x0C04;
constexpr std::uint32_t kChineseSingapore = 0x1004;

class DialogFont : public ModuleFixture {
protected:
    NoEvents events;
    std::unique_ptr<autosave::Form> form;

    HeadlessForm& load() {
        forms.guiFontFace = "Tahoma";
        form = forms.load(autosave::frmPrompt::layout(), events);
        return *forms.find("frmPrompt");
    }

    // The character set every control gets under the locale; each also gets
    // 9 points, the form itself 8 points and its own character set.
    int eastAsianCharset(std::uint32_t locale) {
        SCOPED_TRACE(locale);
        load();
        form->setFont({"Arial", 10, 77});
        desktop.locale = locale;
        autosave::SetInternationalizeFont(module, *form);
        const int charset = form->control("cmdSave").font().charset;
        for (autosave::Control* c : form->controls()) {
            EXPECT_EQ(c->font().charset, charset) << c->name();
            EXPECT_EQ(c->font().size, 9) << c->name();
        }
        EXPECT_EQ(form->font().size, 8);
        EXPECT_EQ(form->font().charset, 77);
        return charset;
    }
};

TEST_F(DialogFont, OtherLocalesGetTheFaceAndTheDefaultCharacterSetKeepingTheirSize) {
    HeadlessForm& f = load();
    f.get("cmdSave").setFont({"Arial", 12, 0});
    desktop.locale = kEnglishUS;
    autosave::SetInternationalizeFont(module, *form);
    EXPECT_EQ(form->font().name, "Tahoma");
    EXPECT_EQ(form->font().size, 8);
    auto save = f.get("cmdSave").font();
    EXPECT_EQ(save.name, "Tahoma");
    EXPECT_EQ(save.charset, DEFAULT_CHARSET);
    EXPECT_EQ(save.size, 12);
    EXPECT_THAT(components.reports, IsEmpty());
}

TEST_F(DialogFont, EastAsianLocalesGetTheirCharacterSetAndNinePoints) {
    // Which set each takes is checked on Wine against the system's own
    // locale data (platform_win32_test).
    for (std::uint32_t locale :
         {kJapanese, kKorean, kKoreanJohab, kChinesePRC, kChineseTaiwan, kChineseHongKong, kChineseSingapore})
        EXPECT_NE(eastAsianCharset(locale), DEFAULT_CHARSET);
}

TEST_F(DialogFont, OtherSubLanguagesFallIntoTheDefaultRow) {
    load();
    desktop.locale = 0x1404;  // Chinese, Macao
    autosave::SetInternationalizeFont(module, *form);
    EXPECT_EQ(form->control("cmdSave").font().charset, DEFAULT_CHARSET);
}

TEST_F(DialogFont, AControlWithoutAFontIsPassedOverSilently) {
    forms.fontless = {"cmdSave"};
    HeadlessForm& f = load();
    desktop.locale = kJapanese;
    autosave::SetInternationalizeFont(module, *form);
    EXPECT_EQ(f.get("cmdSave").fontChanges(), 0);
    EXPECT_EQ(f.get("cmdSkip").font().charset, SHIFTJIS_CHARSET);
    EXPECT_EQ(f.get("cmdCancel").font().charset, SHIFTJIS_CHARSET);
    EXPECT_THAT(components.reports, IsEmpty());
}

}  // namespace
