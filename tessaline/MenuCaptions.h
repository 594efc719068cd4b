// The host's own menu bar, one table per language so that translations sit in
// one place. Each menu's caption row (command 0) is followed by its items.
// The name of the menu that receives add-in commands must equal the add-in's
// IDS_MENU_NAME (addin/StringIds.h) in its language library once '&' markers
// are dropped.
#pragma once

#include <windows.h>

#include <span>
#include <string_view>

namespace tessaline {

inline constexpr UINT kCmdFileSave = 57603;  // 0xE103, the id add-ins know as File-Save
inline constexpr UINT kCmdFileExit = 57665;  // 0xE141
inline constexpr UINT kCmdToolsRedraw = 32771;
inline constexpr UINT kCmdHelpAbout = 57664;  // 0xE140

// Commands bound to add-in classes are numbered from here.
inline constexpr UINT kFirstAddInCommand = 40000;

struct MenuCaption {
    UINT command;  // 0: the caption of a new top-level menu
    const wchar_t* text;
};

inline constexpr MenuCaption kMenuCaptionsENU[] = {
    {0, L"&File"},
    {kCmdFileSave, L"&Save"},
    {kCmdFileExit, L"E&xit"},
    {0, L"&Tools"},
    {kCmdToolsRedraw, L"&Redraw"},
    {0, L"&Help"},
    {kCmdHelpAbout, L"&About Tessaline..."},
};

inline constexpr MenuCaption kMenuCaptionsDEU[] = {
    {0, L"&Datei"},
    {kCmdFileSave, L"&Speichern"},
    {kCmdFileExit, L"&Beenden"},
    {0, L"E&xtras"},
    {kCmdToolsRedraw, L"&Neu zeichnen"},
    {0, L"&Hilfe"},
    {kCmdHelpAbout, L"&Info über Tessaline..."},
};

// Japanese captions carry their access key as a "(&X)" suffix, which the
// plain menu name leaves out.
inline constexpr MenuCaption kMenuCaptionsJPN[] = {
    {0, L"ファイル(&F)"},
    {kCmdFileSave, L"上書き保存(&S)"},
    {kCmdFileExit, L"終了(&X)"},
    {0, L"ツール(&T)"},
    {kCmdToolsRedraw, L"再描画(&R)"},
    {0, L"ヘルプ(&H)"},
    {kCmdHelpAbout, L"バージョン情報(&A)..."},
};

struct MenuLanguage {
    const wchar_t* abbreviation;  // as LOCALE_SABBREVLANGNAME gives it
    std::span<const MenuCaption> captions;
    const wchar_t* aboutTitle;  // title of the About box
};

inline constexpr MenuLanguage kMenuLanguages[] = {
    {L"ENU", kMenuCaptionsENU, L"About Tessaline"},
    {L"DEU", kMenuCaptionsDEU, L"Info über Tessaline"},
    {L"JPN", kMenuCaptionsJPN, L"バージョン情報"},
};

// The table for a three-letter abbreviation (any letter case); English when
// there is none for it.
inline const MenuLanguage& menu_language(std::wstring_view abbreviation) noexcept {
    for (const auto& language : kMenuLanguages) {
        if (CompareStringOrdinal(abbreviation.data(), static_cast<int>(abbreviation.size()), language.abbreviation, -1,
                                 TRUE) == CSTR_EQUAL)
            return language;
    }
    return kMenuLanguages[0];
}

// The abbreviation of the user's interface language, "ENU" when unknown.
inline std::wstring_view user_ui_language(wchar_t (&buffer)[16]) noexcept {
    LCID locale = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
    if (GetLocaleInfoW(locale, LOCALE_SABBREVLANGNAME, buffer, 16) == 0 || buffer[0] == L'\0') return L"ENU";
    return buffer;
}

inline constexpr wchar_t kMenuBarName[] = L"Menu Bar";
inline constexpr wchar_t kWindowTitle[] = L"Tessaline";

}  // namespace tessaline
