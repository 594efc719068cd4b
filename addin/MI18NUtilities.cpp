#include "addin/MI18NUtilities.h"

namespace autosave {
namespace {

constexpr int kDefaultCharset = 1;
constexpr double kEastAsianPointSize = 9;

struct LocaleFont {
    std::uint32_t locale;
    int charset;
};

// Compared whole: other sub-languages of these languages take the default.
constexpr LocaleFont kLocaleFonts[] = {
    {1028, 136},  // Chinese, Taiwan: Big5
    {1041, 128},  // Japanese: Shift-JIS
    {1042, 129},  // Korean: Hangul
    {2066, 130},  // Korean, Johab
    {2052, 134},  // Chinese, PRC: GB2312
    {3076, 136},  // Chinese, Hong Kong: Big5
    {4100, 136},  // Chinese, Singapore: Big5, as the host's own dialogs use
};

const LocaleFont* eastAsianFont(std::uint32_t locale) {
    for (const auto& row : kLocaleFonts)
        if (row.locale == locale) return &row;
    return nullptr;
}

}  // namespace

void SetInternationalizeFont(ModuleState& module, Form& form) {
    // The device context work (stock font in, face out, old font back,
    // context released) is the form's, on every path.
    guarded(module.errors, "MI18NUtilities:SetInternationalizeFont()", [&] {
        const std::string face = form.defaultGuiFontFace();
        Font own = form.font();
        own.name = face;
        own.size = 8;  // the character set of the form itself stays as it is
        form.setFont(own);

        const LocaleFont* eastAsian = eastAsianFont(module.services.desktop.userDefaultLocale());
        for (Control* control : form.controls()) {
            Font font;
            try {
                font = control->font();
                font.name = face;
                control->setFont(font);
            } catch (...) {
                continue;  // a control without a font keeps none
            }
            font.charset = eastAsian ? eastAsian->charset : kDefaultCharset;
            if (eastAsian) font.size = kEastAsianPointSize;
            control->setFont(font);
        }
    });
}

}  // namespace autosave
