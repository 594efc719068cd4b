// The Win32 forms' fonts and the desktop on Wine: real fonts owned by the
// form, the process-wide pointer, messages and restacking by 32-bit handles.
#include "ErrorNumber.h"
#include "FormsFixture.h"
#include "WineTest.h"

#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Forms.h"

#include <windows.h>

#include <string>

using namespace forms_fixture;

WINE_TEST(fonts_are_real_and_owned_by_the_form) {
    win32::Win32Forms forms;
    Recorder events;
    auto form = forms.load(promptLayout(), events);
    HWND dialog = dialogOf(*form);
    HWND save = item(*form, "cmdSave");
    HDC dc = GetDC(dialog);
    const int dpiY = GetDeviceCaps(dc, LOGPIXELSY);

    form->control("cmdSave").setFont(Font{"Tahoma", 9, 128});
    auto first = reinterpret_cast<HFONT>(SendMessageW(save, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    ok(GetObjectW(first, sizeof lf, &lf) == sizeof lf, "no font on the control");
    ok(lf.lfCharSet == 128 && lf.lfHeight == -MulDiv(9, dpiY, 72) && lstrcmpW(lf.lfFaceName, L"Tahoma") == 0,
       "font %ls/%ld/%d", lf.lfFaceName, lf.lfHeight, lf.lfCharSet);
    Font back = form->control("cmdSave").font();
    ok(back.name == "Tahoma" && back.size == 9 && back.charset == 128, "font() %s", back.name.c_str());
    ok(form->control("cmdSkip").font().size == 8, "another control's font changed");

    form->control("cmdSave").setFont(Font{"Tahoma", 8, 1});
    ok(GetObjectType(first) == 0, "the replaced font was not deleted");

    form->setFont(Font{"Tahoma", 8, 1});
    auto formFont = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    ok(GetObjectW(formFont, sizeof lf, &lf) == sizeof lf && lf.lfHeight == -MulDiv(8, dpiY, 72), "form font height %ld",
       lf.lfHeight);
    ok(errorNumber([&] { form->setFont(Font{"Tahoma", 0, 1}); }) == 380, "size 0 accepted");

    // The face through the form's own device context, which keeps its font.
    auto marker = CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Courier New");
    HGDIOBJ before = SelectObject(dc, marker);
    std::string face = form->defaultGuiFontFace();
    ok(GetDC(dialog) == dc, "the form has no device context of its own");
    ok(GetCurrentObject(dc, OBJ_FONT) == marker, "the previous font was not selected back");
    ok(GetObjectType(GetStockObject(DEFAULT_GUI_FONT)) == OBJ_FONT, "the stock font was deleted");
    HDC probe = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(probe, GetStockObject(DEFAULT_GUI_FONT));
    wchar_t expected[80] = {};
    GetTextFaceW(probe, 80, expected);
    SelectObject(probe, old);
    DeleteDC(probe);
    ok(!face.empty() && face == win32::narrow(expected), "face '%s', expected '%ls'", face.c_str(), expected);
    SelectObject(dc, before);
    DeleteObject(marker);

    // Fonts go with the form.
    auto last = reinterpret_cast<HFONT>(SendMessageW(save, WM_GETFONT, 0, 0));
    form.reset();
    ok(GetObjectType(last) == 0 && GetObjectType(formFont) == 0, "fonts outlived their form");
}

WINE_TEST(pointer_shape_is_process_wide_and_forms_show_it) {
    win32::Win32Desktop desktop, another;
    win32::Win32Forms forms;
    Recorder events;
    auto form = forms.load(promptLayout(), events);
    HWND save = item(*form, "cmdSave");
    HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT), arrow = LoadCursorW(nullptr, IDC_ARROW);

    desktop.setMousePointer(kHourglassPointer);
    ok(GetCursor() == wait && another.mousePointer() == kHourglassPointer, "hourglass not set");
    SetCursor(arrow);
    SendMessageW(save, WM_SETCURSOR, reinterpret_cast<WPARAM>(save), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    ok(GetCursor() == wait, "the form shows its own pointer under the hourglass");

    another.setMousePointer(kDefaultPointer);
    ok(GetCursor() == arrow && desktop.mousePointer() == kDefaultPointer, "default pointer not set");
    SetCursor(wait);
    SendMessageW(save, WM_SETCURSOR, reinterpret_cast<WPARAM>(save), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    ok(GetCursor() == arrow, "the hourglass stayed after the default came back");
    ok(errorNumber([&] { desktop.setMousePointer(13); }) == 380, "unknown shape accepted");
}

WINE_TEST(desktop_posts_and_restacks_by_32_bit_handles) {
    win32::Win32Desktop desktop;
    win32::Win32Forms forms;
    Recorder events;
    auto form = forms.load(promptLayout(), events);
    HWND dialog = dialogOf(*form);
    desktop.postMessage(form->windowHandle(), WM_APP + 7, 57603, -2);
    MSG msg{};
    ok(PeekMessageW(&msg, dialog, WM_APP + 7, WM_APP + 7, PM_REMOVE) && msg.wParam == 57603 && msg.lParam == -2,
       "posted message not found as sent");

    auto popup = [] {
        return CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, nullptr, nullptr, nullptr,
                               nullptr);
    };
    win32::unique_hwnd lower(popup()), upper(popup());
    // Without SWP_NOACTIVATE the window is activated, and the system lifts
    // an activated window to the top, so the activation is what shows.
    SetActiveWindow(upper.get());
    desktop.placeBelow(win32::valueFromWindow(lower.get()), win32::valueFromWindow(upper.get()));
    ok(GetActiveWindow() == lower.get(), "the restacked window was not activated");
    ok(reinterpret_cast<INT_PTR>(win32::windowFromValue(-0x7ffffff0)) == -0x7ffffff0, "handles are sign-extended");
}

WINE_TEST_MAIN
