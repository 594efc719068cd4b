// In-memory dialog templates (DLGTEMPLATEEX) and the mapping from twips to
// dialog units.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace win32 {

// Twips (1/1440 inch) to dialog units of a font whose average character is
// baseX pixels wide and baseY pixels high, on a screen of dpiX x dpiY:
//     pixels = twips * dpi / 1440
//     dlu x  = pixels * 4 / baseX,  dlu y = pixels * 8 / baseY
// computed in one step and rounded to the nearest unit, so a size lands
// within half a unit (a pixel or two) of its twips. At 96 dpi with an 8-point
// font of base units 6 x 13: 1440 twips = 96 px = 64 x 59 dialog units.
struct DialogUnits {
    int baseX = 6, baseY = 13;
    int dpiX = 96, dpiY = 96;

    short x(int twips) const { return static_cast<short>(MulDiv(twips, dpiX * 4, 1440 * baseX)); }
    short y(int twips) const { return static_cast<short>(MulDiv(twips, dpiY * 8, 1440 * baseY)); }

    // The base units the dialog manager uses for a font: its character
    // height, and the average width of the 52 Latin letters, rounded.
    static DialogUnits measure(const wchar_t* face, int pointSize);
};

// Standard control classes by their template ordinals.
enum class ControlClass : WORD { Button = 0x0080, Edit = 0x0081, Static = 0x0082 };

struct DialogItem {
    ControlClass cls;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;  // dialog units
    DWORD id;
    std::wstring text;
};

struct DialogDescription {
    DWORD style;
    DWORD exStyle;
    short cx, cy;              // client area, dialog units
    std::wstring windowClass;  // empty: the standard dialog class
    std::wstring title;
    WORD pointSize;
    std::wstring face;
    std::vector<DialogItem> items;
};

// The template as DWORD-aligned words, ready for CreateDialogIndirectParamW.
std::vector<WORD> buildDialogTemplate(const DialogDescription& dialog);

}  // namespace win32
