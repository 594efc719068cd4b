// Reading captions of real menu items and comparing them with the names
// add-ins use.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tessaline::menu_text {

// The caption of the item at position in menu as written, '&' included.
std::wstring caption_at(HMENU menu, int position);
// The caption as the user reads it: no '&' markers, no "(&X)" access-key
// suffix and no accelerator text.
std::wstring plain(std::wstring_view caption);
// A key names a caption when it equals the raw caption or the plain one,
// ignoring letter case.
bool names(std::wstring_view key, std::wstring_view caption);
// A command item anywhere under menu whose caption as shown is key: '&'
// markers, the access-key suffix, trailing dots and letter case aside.
// Gives its menu and position; false when there is none.
bool find_shown(HMENU menu, std::wstring_view key, HMENU& found, int& position);
// The command id of the first command item, in any menu of the bar, whose
// caption key names; 0 when there is none.
UINT command_named(HMENU bar, std::wstring_view key);
// Position of the command id directly in menu (not in its submenus); -1 when absent.
int position_of_command(HMENU menu, UINT id);
// Position of the submenu in menu; -1 when absent.
int position_of_submenu(HMENU menu, HMENU submenu);

}  // namespace tessaline::menu_text
