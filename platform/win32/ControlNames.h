// How a form's windows are found from outside, also from another process:
// a control's ID is kFirstControlId + its index in the layout, its window
// text is its caption, and its property kControlNameProp holds a global
// atom whose name is the control's layout name (the dialog's own property
// kFormNameProp holds the form's name).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace win32 {

inline constexpr int kFirstControlId = 1000;
inline constexpr wchar_t kControlNameProp[] = L"ControlName";
inline constexpr wchar_t kFormNameProp[] = L"FormName";

// Layout names compare without regard to letter case.
bool sameName(std::string_view a, std::string_view b);

// The layout name a control's window (or a form's dialog) carries; empty
// when it carries none.
std::string controlName(HWND window);
// The child of `form` with that layout name, or null.
HWND findControl(HWND form, std::string_view name);

}  // namespace win32
