#include "platform/win32/ControlNames.h"

#include "platform/win32/Variant.h"

#include <algorithm>

namespace win32 {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

std::string controlName(HWND window) {
    const wchar_t* prop = GetParent(window) && (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) ? kControlNameProp
                                                                                              : kFormNameProp;
    auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(window, prop)));
    if (!atom) return {};
    wchar_t name[256] = {};
    UINT length = GlobalGetAtomNameW(atom, name, 256);
    return narrow(std::wstring_view(name, length));
}

HWND findControl(HWND form, std::string_view name) {
    for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (sameName(controlName(child), name)) return child;
    return nullptr;
}

}  // namespace win32
