#include "tessaline/MenuText.h"

namespace tessaline::menu_text {
namespace {

bool equal_ignoring_case(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// The caption as the user reads it, without the dots that say a dialog follows.
std::wstring shown(std::wstring_view caption) {
    std::wstring text = plain(caption);
    while (!text.empty() && (text.back() == L'.' || text.back() == L'\u2026' || text.back() == L' ')) text.pop_back();
    return text;
}

}  // namespace

std::wstring caption_at(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) return {};
    std::wstring text(info.cch + 1, L'\0');
    info.dwTypeData = text.data();
    info.cch = static_cast<UINT>(text.size());
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) return {};
    text.resize(info.cch);
    return text;
}

std::wstring plain(std::wstring_view caption) {
    caption = caption.substr(0, caption.find(L'\t'));
    std::wstring out;
    for (size_t i = 0; i < caption.size(); ++i) {
        // An access key in parentheses, "(&F)", is not part of the name.
        if (caption.compare(i, 2, L"(&") == 0 && i + 3 < caption.size() && caption[i + 2] != L'&' &&
            caption[i + 3] == L')') {
            i += 3;
            continue;
        }
        if (caption[i] == L'&') {
            // "&&" stands for one ampersand.
            if (i + 1 < caption.size() && caption[i + 1] == L'&') {
                out += L'&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

bool names(std::wstring_view key, std::wstring_view caption) {
    return equal_ignoring_case(key, caption) || equal_ignoring_case(plain(key), plain(caption));
}

bool find_shown(HMENU menu, std::wstring_view key, HMENU& found, int& position) {
    std::wstring wanted = shown(key);
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            if (find_shown(sub, key, found, position)) return true;
        } else if (equal_ignoring_case(shown(caption_at(menu, i)), wanted)) {
            found = menu;
            position = i;
            return true;
        }
    }
    return false;
}

int position_of_command(HMENU menu, UINT id) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (!GetSubMenu(menu, i) && GetMenuItemID(menu, i) == id) return i;
    }
    return -1;
}

int position_of_submenu(HMENU menu, HMENU submenu) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (GetSubMenu(menu, i) == submenu) return i;
    }
    return -1;
}

UINT command_named(HMENU bar, std::wstring_view key) {
    int menus = GetMenuItemCount(bar);
    for (int m = 0; m < menus; ++m) {
        HMENU popup = GetSubMenu(bar, m);
        if (!popup) continue;
        int items = GetMenuItemCount(popup);
        for (int i = 0; i < items; ++i) {
            if (!GetSubMenu(popup, i) && names(key, caption_at(popup, i))) return GetMenuItemID(popup, i);
        }
    }
    return 0;
}

}  // namespace tessaline::menu_text
