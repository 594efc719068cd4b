// The Win32 forms on Wine: dialogs built from the add-in's layout tables and
// driven the way a user or another program would (window messages to
// controls found by ID and name): their geometry, clicks, keys, closing and
// nested showings.
#include "ErrorNumber.h"
#include "FormsFixture.h"
#include "WineTest.h"

#include "platform/AutomationError.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/ControlNames.h"
#include "platform/win32/Win32Forms.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace forms_fixture;

namespace {

// --- another process that clicks a control by its layout name ---

std::wstring selfPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

int clickFromOutside(const char* formValue, const char* name) {
    HWND form = win32::windowFromValue(static_cast<std::int32_t>(std::strtol(formValue, nullptr, 10)));
    HWND button = win32::findControl(form, name);
    if (!button) return 2;
    if (GetDlgCtrlID(button) < win32::kFirstControlId || win32::controlName(button) != name) return 3;
    if (win32::controlName(form) != "frmPrompt") return 4;
    return PostMessageW(button, BM_CLICK, 0, 0) ? 0 : 5;
}

win32::unique_handle startClicker(Form& form, const char* name) {
    std::wstring command = L"\"" + selfPath() + L"\" --click " + std::to_wstring(form.windowHandle()) + L" " +
                           win32::widen(name);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return {};
    CloseHandle(pi.hThread);
    return win32::unique_handle(pi.hProcess);
}

}  // namespace

// --- the dialog as built from the layout ---

WINE_TEST(prompt_dialog_window_and_controls) {
    win32::Win32Forms forms;
    Recorder events;
    FormLayout layout = promptLayout();
    auto form = forms.load(layout, events);
    HWND dialog = dialogOf(*form);
    ok(IsWindow(dialog), "no dialog window");
    ok(!form->visible() && !IsWindowVisible(dialog), "a loaded form is hidden");
    ok(events.events.empty(), "events while loading: %s", events.joined().c_str());

    LONG style = GetWindowLongW(dialog, GWL_STYLE);
    ok((style & (WS_CAPTION | WS_SYSMENU | DS_MODALFRAME)) == (WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
       "frame style 0x%08lx", style);
    ok(!(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)), "resizable or min/max box: 0x%08lx", style);
    HWND owner = GetWindow(dialog, GW_OWNER);
    ok(owner && !IsWindowVisible(owner), "kept off the taskbar by a hidden owner");
    ok(!(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW), "WS_EX_APPWINDOW forces a taskbar button");
    ok(win32::controlName(dialog) == "frmPrompt", "form name '%s'", win32::controlName(dialog).c_str());

    const char* expectedClass[] = {"Static", "Button", "Button", "Button"};
    for (size_t i = 0; i < layout.controls.size(); ++i) {
        HWND c = GetDlgItem(dialog, win32::kFirstControlId + static_cast<int>(i));
        const std::string& name = layout.controls[i].name;
        ok(c != nullptr, "no control with ID %d", win32::kFirstControlId + static_cast<int>(i));
        ok(win32::controlName(c) == name, "ID %zu names '%s'", i, win32::controlName(c).c_str());
        wchar_t cls[32] = {};
        GetClassNameW(c, cls, 32);
        ok(lstrcmpiW(cls, win32::widen(expectedClass[i]).c_str()) == 0, "%s is a %ls", name.c_str(), cls);
        if (i > 0) ok((GetWindowLongW(c, GWL_STYLE) & 0x0F) == BS_PUSHBUTTON, "%s is a default button", name.c_str());
    }
    ok(win32::findControl(dialog, "CMDSKIP") == GetDlgItem(dialog, 1002), "names ignore letter case");
    ok(win32::findControl(dialog, "cmdHelp") == nullptr, "a name the layout lacks was found");

    form->control("cmdSave").setCaption("&Save");
    ok(GetDlgItem(dialog, 1001) && form->control("CMDSAVE").caption() == "&Save", "caption through the window");
    wchar_t text[16] = {};
    GetWindowTextW(GetDlgItem(dialog, 1001), text, 16);
    ok(lstrcmpW(text, L"&Save") == 0, "window text '%ls'", text);
    form->setCaption("AutoSave");
    GetWindowTextW(dialog, text, 16);
    ok(lstrcmpW(text, L"AutoSave") == 0, "title '%ls'", text);
    ok(errorNumber([&] { form->control("cmdHelp"); }) == 730, "unknown control name");
    ok(errorNumber([&] { form->control("lblSaveChanges").setValue(1); }) == 438, "a label has no value");
    ok(errorNumber([&] { form->control("cmdSave").setFocus(); }) == 5, "focus on a hidden form");

    // Tab walks the buttons in tab order; the label takes no focus.
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    ok(first == GetDlgItem(dialog, 1001), "first tab stop is ID %d", GetDlgCtrlID(first));
    ok(GetNextDlgTabItem(dialog, first, FALSE) == GetDlgItem(dialog, 1002), "Save, then Skip");
    ok(GetNextDlgTabItem(dialog, GetDlgItem(dialog, 1002), FALSE) == GetDlgItem(dialog, 1003), "Skip, then Cancel");
}

WINE_TEST(twips_map_to_pixels_through_dialog_units) {
    win32::Win32Forms forms;
    Recorder events;
    HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    auto within = [](LONG got, int twips, int dpi) { return std::abs(got - MulDiv(twips, dpi, 1440)) <= 2; };

    for (const FormLayout& layout : {promptLayout(), settingsLayout()}) {
        auto form = forms.load(layout, events);
        HWND dialog = dialogOf(*form);
        RECT client{};
        GetClientRect(dialog, &client);
        ok(within(client.right, layout.clientWidth, dpiX) && within(client.bottom, layout.clientHeight, dpiY),
           "%s: client %ldx%ld for %dx%d twips at %d dpi", layout.name.c_str(), client.right, client.bottom,
           layout.clientWidth, layout.clientHeight, dpiX);
        for (const ControlLayout& c : layout.controls) {
            int left = c.left, top = c.top;
            if (!c.container.empty())
                for (const ControlLayout& frame : layout.controls)
                    if (frame.name == c.container) left += frame.left, top += frame.top;
            RECT r{};
            GetWindowRect(item(*form, c.name.c_str()), &r);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
            ok(within(r.left, left, dpiX) && within(r.top, top, dpiY) && within(r.right - r.left, c.width, dpiX) &&
                   within(r.bottom - r.top, c.height, dpiY),
               "%s: %ld,%ld %ldx%ld", c.name.c_str(), r.left, r.top, r.right - r.left, r.bottom - r.top);
        }
    }
}

// --- clicks, showings, closing ---

WINE_TEST(click_from_another_process_and_hide_ends_the_showing) {
    win32::Win32Forms forms;
    Recorder events;
    auto form = forms.load(promptLayout(), events);
    events.onClick = [&](const std::string&) { form->hide(); };
    form->control("cmdSkip").setEnabled(false);

    win32::unique_handle clicker;
    showDriven(*form, {[&] { clicker = startClicker(*form, "cmdSkip"); },
                       [&] {
                           DWORD code = 99;
                           WaitForSingleObject(clicker.get(), 10000);
                           GetExitCodeProcess(clicker.get(), &code);
                           ok(code == 0, "the first clicking process failed with %lu", code);
                       },
                       [&] { clicker = startClicker(*form, "cmdCancel"); }});
    DWORD exitCode = 99;
    WaitForSingleObject(clicker.get(), 10000);
    GetExitCodeProcess(clicker.get(), &exitCode);
    ok(exitCode == 0, "the clicking process failed with %lu", exitCode);
    ok(events.joined() == "Activate, Click cmdCancel", "events: %s", events.joined().c_str());
    ok(!form->visible() && form->loaded() && !IsWindowVisible(dialogOf(*form)), "hidden, still loaded");

    // Shown again: activated again, the disabled button still dead to clicks.
    form->control("cmdSkip").setEnabled(true);
    events.events.clear();
    showDriven(*form, {clickOf(*form, "cmdSkip")});
    ok(events.joined() == "Activate, Click cmdSkip", "second showing: %s", events.joined().c_str());
}

WINE_TEST(close_box_asks_and_unloads_unless_cancelled) {
    win32::Win32Forms forms;
    Recorder events;
    auto form = forms.load(promptLayout(), events);
    HWND dialog = dialogOf(*form);
    int asked = 0;
    events.onQueryUnload = [&](bool& cancel, int) { cancel = ++asked == 1; };

    showDriven(*form, {post([&] { return dialogOf(*form); }, WM_SYSCOMMAND, SC_CLOSE),
                       [&] { ok(form->visible() && form->loaded(), "a cancelled close closed the form"); },
                       post([&] { return dialogOf(*form); }, WM_CLOSE)});
    ok(events.joined() == "Activate, QueryUnload 0, QueryUnload 0", "events: %s", events.joined().c_str());
    ok(!form->loaded() && !form->visible(), "the close box did not unload");
    ok(!IsWindow(dialog) && form->windowHandle() == 0, "the window outlived the unload");
    ok(errorNumber([&] { form->showModal(); }) == 364, "showing an unloaded form");
    ok(form->control("cmdSave").caption().empty(), "an unloaded form's controls are readable");

    // By code: asked with mode 1, and a cancel does not hold it.
    Recorder second;
    auto other = forms.load(promptLayout(), second);
    second.onQueryUnload = [](bool& cancel, int) { cancel = true; };
    HWND otherDialog = dialogOf(*other);
    other->unload();
    ok(second.joined() == "QueryUnload 1", "unload by code: %s", second.joined().c_str());
    ok(!other->loaded() && !IsWindow(otherDialog), "unload by code was cancelled");
}

WINE_TEST(escape_and_enter_do_nothing_unless_the_logic_says_so) {
    win32::Win32Forms forms;
    Recorder events;
    FormLayout layout = promptLayout();
    layout.controls.push_back(control("txtName", ControlKind::TextBox, 150, 450, 1000, 300, 4, "", false, 0, "x"));
    auto form = forms.load(layout, events);
    events.onClick = [&](const std::string& name) {
        if (name == "cmdCancel") form->hide();
    };
    auto focused = [] { return GetFocus(); };
    showDriven(*form,
               {[&] { ok(form->control("cmdSave").hasFocus(), "first focus is not on cmdSave"); },
                post(focused, WM_KEYDOWN, VK_ESCAPE), post(focused, WM_KEYUP, VK_ESCAPE),
                [&] { form->control("txtName").setFocus(); }, post(focused, WM_KEYDOWN, VK_RETURN),
                post(focused, WM_KEYUP, VK_RETURN), [&] { form->control("cmdSkip").setFocus(); },
                post(focused, WM_KEYDOWN, VK_RETURN), post(focused, WM_KEYUP, VK_RETURN), clickOf(*form, "cmdCancel")});
    ok(events.joined() == "Activate, Click cmdSkip, Click cmdCancel", "events: %s", events.joined().c_str());
    ok(form->loaded(), "Escape unloaded the form");

    // With a default button, Enter in a text box presses it.
    Recorder withDefault;
    FormLayout settings = settingsLayout();
    settings.keyPreview = false;
    auto dialog = forms.load(settings, withDefault);
    withDefault.onActivate = [&] { dialog->control("txtMinutes").setFocus(); };
    withDefault.onClick = [&](const std::string&) { dialog->hide(); };
    showDriven(*dialog, {post(focused, WM_KEYDOWN, VK_RETURN)});
    ok(withDefault.joined() == "Activate, Click cmdOK", "default button: %s", withDefault.joined().c_str());
}

WINE_TEST(key_preview_sees_keys_before_the_control) {
    win32::Win32Forms forms;
    Recorder events;
    auto form = forms.load(settingsLayout(), events);
    auto text = [&] { return item(*form, "txtMinutes"); };
    auto selection = [&] {
        DWORD start = 0, end = 0;
        SendMessageW(text(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return std::to_string(start) + "-" + std::to_string(end);
    };
    std::string selectionAtKey, selectionAfter;
    events.onActivate = [&] { form->control("txtMinutes").setFocus(); };
    events.onKey = [&](int key) {
        if (key == VK_END) selectionAtKey = selection();
        if (key == VK_ESCAPE) form->hide();
    };
    showDriven(*form,
               {[&] { form->control("txtMinutes").select(0, 2); }, post(text, WM_KEYDOWN, VK_END),
                [&] { selectionAfter = selection(); }, post(text, WM_KEYDOWN, 'Z'), post(text, WM_KEYDOWN, VK_ESCAPE)});
    ok(events.joined() == "Activate, KeyDown 35 0, KeyDown 90 0, KeyDown 27 0", "events: %s", events.joined().c_str());
    ok(selectionAtKey == "0-2", "the control had the key before the form: %s", selectionAtKey.c_str());
    ok(selectionAfter == "2-2", "the key did not go on to the control: %s", selectionAfter.c_str());
    ok(form->loaded() && !form->visible(), "Escape through the key handler");
}

WINE_TEST(check_boxes_and_option_buttons_click_only_on_change) {
    win32::Win32Forms forms;
    Recorder events;
    auto form = forms.load(settingsLayout(), events);
    Control& prompt = form->control("cbPrompt");
    ok(prompt.value() == 1 && checked(*form, "cbPrompt"), "design-time check");
    prompt.setValue(1);
    ok(events.events.empty(), "unchanged value clicked: %s", events.joined().c_str());
    prompt.setValue(0);
    prompt.setValue(0);
    ok(events.joined() == "Click cbPrompt" && !checked(*form, "cbPrompt"), "by code: %s", events.joined().c_str());
    ok(errorNumber([&] { prompt.setValue(2); }) == 380, "a check box is 0 or 1");

    Control& all = form->control("optSaveAll");
    Control& active = form->control("optSaveActive");
    events.events.clear();
    all.setValue(1);
    ok(events.joined() == "Click optSaveAll", "option by code: %s", events.joined().c_str());
    ok(active.value() == 0 && !checked(*form, "optSaveActive") && checked(*form, "optSaveAll"), "not exclusive");
    ok(form->control("optElsewhere").value() == 1, "an option of another container was cleared");

    events.events.clear();
    auto dialog = [&] { return dialogOf(*form); };
    showDriven(*form,
               {clickOf(*form, "cbPrompt"), clickOf(*form, "optSaveAll"), clickOf(*form, "optSaveActive"),
                // A notification without a change of state is no click.
                post(dialog, WM_COMMAND, MAKEWPARAM(idOf(*form, "cbPrompt"), BN_CLICKED)),
                post(dialog, WM_COMMAND, MAKEWPARAM(idOf(*form, "optSaveActive"), BN_CLICKED)), [&] { form->hide(); }});
    ok(events.joined() == "Activate, Click cbPrompt, Click optSaveActive", "by the user: %s", events.joined().c_str());
    ok(prompt.value() == 1 && active.value() == 1 && all.value() == 0, "values %d %d %d", prompt.value(),
       active.value(), all.value());
    ok(form->control("optElsewhere").value() == 1 && checked(*form, "optElsewhere"), "other container cleared");
}

WINE_TEST(nested_showings_and_handler_errors) {
    win32::Win32Forms forms;
    Recorder outerEvents, innerEvents;
    auto outer = forms.load(promptLayout(), outerEvents);
    auto inner = forms.load(promptLayout(), innerEvents);
    std::vector<std::string> order;
    innerEvents.onClick = [&](const std::string& name) {
        order.push_back("inner " + name);
        inner->hide();
    };
    outerEvents.onClick = [&](const std::string& name) {
        order.push_back("outer " + name);
        if (name == "cmdSave") {
            showDriven(*inner, {clickOf(*inner, "cmdSkip")});
            order.push_back("inner returned");
        } else {
            outer->hide();
        }
    };
    showDriven(*outer, {clickOf(*outer, "cmdSave"), clickOf(*outer, "cmdCancel")});
    std::string all;
    for (auto& o : order) all += o + "; ";
    ok(all == "outer cmdSave; inner cmdSkip; inner returned; outer cmdCancel; ", "order: %s", all.c_str());

    // An error in a handler ends the showing and reaches the caller.
    outerEvents.onClick = [](const std::string&) { throw AutomationError(91, "Object variable not set"); };
    std::int32_t number = errorNumber([&] {
        Driver driver{outer.get(), {clickOf(*outer, "cmdSkip")}};
        g_driver = &driver;
        UINT_PTR timer = SetTimer(nullptr, 0, 20, driverTick);
        try {
            outer->showModal();
        } catch (...) {
            KillTimer(nullptr, timer);
            g_driver = nullptr;
            throw;
        }
        KillTimer(nullptr, timer);
        g_driver = nullptr;
    });
    ok(number == 91, "handler error: %d", number);
    ok(!outer->visible() && outer->loaded(), "the form stayed shown after the error");
}

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--click") == 0) return clickFromOutside(argv[2], argv[3]);
    return winetest::run_all();
}
