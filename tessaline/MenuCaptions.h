// The host's own menu bar, in one table so that it can be translated in one
// place. Each menu's caption row (command 0) is followed by its items.
#pragma once

#include <windows.h>

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

inline constexpr MenuCaption kMenuCaptions[] = {
    {0, L"&File"},
    {kCmdFileSave, L"&Save\tCtrl+S"},
    {kCmdFileExit, L"E&xit"},
    {0, L"&Tools"},
    {kCmdToolsRedraw, L"&Redraw"},
    {0, L"&Help"},
    {kCmdHelpAbout, L"&About Tessaline..."},
};

inline constexpr wchar_t kMenuBarName[] = L"Menu Bar";
inline constexpr wchar_t kWindowTitle[] = L"Tessaline";

}  // namespace tessaline
