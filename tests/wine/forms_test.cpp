// The Win32 forms and desktop on Wine: dialogs built from layout tables and
// driven the way a user or another program would (window messages to
// controls found by ID and name), their geometry and fonts, and the
// process-wide pointer.
#include "ErrorNumber.h"
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
#include <deque>
#include <functional>
#include <string>
#include <vector>

using namespace autosave;

namespace {

// --- layouts ---

ControlLayout control(const char* name, ControlKind kind, int left, int top, int width, int height, int tab,
                      const char* container = "", bool isDefault = false, int value = 0, const char* text = "") {
    ControlLayout c;
    c.name = name;
    c.kind = kind;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.tabIndex = tab;
    c.container = container;
    c.defaultButton = isDefault;
    c.value = value;
    c.text = text;
    return c;
}

FormLayout form(const char* name, int width, int height, bool keyPreview) {
    FormLayout f;
    f.name = name;
    f.clientWidth = width;
    f.clientHeight = height;
    f.keyPreview = keyPreview;
    return f;
}

FormLayout promptLayout() {
    FormLayout f = form("frmPrompt", 4575, 1230, false);
    f.controls = {control("lblSaveChanges", ControlKind::Label, 150, 150, 4275, 495, 0),
                  control("cmdSave", ControlKind::Button, 930, 810, 1125, 315, 1),
                  control("cmdSkip", ControlKind::Button, 2130, 810, 1125, 315, 2),
                  control("cmdCancel", ControlKind::Button, 3330, 810, 1125, 315, 3)};
    return f;
}

// Layout order differs from tab order on purpose, as in the settings dialog.
FormLayout settingsLayout() {
    FormLayout f = form("frmAutoSave", 4155, 2610, true);
    f.controls = {
        control("cmdOK", ControlKind::Button, 2880, 120, 1125, 315, 0, "", true),
        control("cmdCancel", ControlKind::Button, 2880, 510, 1125, 315, 1),
        control("cbAutomaticSave", ControlKind::CheckBox, 150, 150, 2600, 255, 3, "", false, 1),
        control("txtMinutes", ControlKind::TextBox, 420, 450, 555, 315, 4, "", false, 0, "10"),
        control("optSaveActive", ControlKind::OptionButton, 120, 300, 3600, 195, 5, "grpSaveOptions", false, 1),
        control("optSaveAll", ControlKind::OptionButton, 120, 600, 3600, 195, 6, "grpSaveOptions"),
        control("cbPrompt", ControlKind::CheckBox, 150, 855, 2600, 255, 7, "", false, 1),
        control("lblMinutes", ControlKind::Label, 1050, 510, 1680, 255, 8),
        control("grpSaveOptions", ControlKind::Frame, 150, 1575, 3855, 975, 9),
        control("optElsewhere", ControlKind::OptionButton, 3000, 1300, 900, 195, 10, "", false, 1)};
    return f;
}

// --- events ---

struct Recorder final : FormEvents {
    std::vector<std::string> events;
    std::function<void(const std::string&)> onClick;
    std::function<void(bool&, int)> onQueryUnload;
    std::function<void(int)> onKey;
    std::function<void()> onActivate;

    void Form_Activate() override {
        events.push_back("Activate");
        if (onActivate) onActivate();
    }
    void Form_KeyDown(int key, int shift) override {
        events.push_back("KeyDown " + std::to_string(key) + " " + std::to_string(shift));
        if (onKey) onKey(key);
    }
    void Form_QueryUnload(bool& cancel, int mode) override {
        events.push_back("QueryUnload " + std::to_string(mode));
        if (onQueryUnload) onQueryUnload(cancel, mode);
    }
    void Click(const std::string& name) override {
        events.push_back("Click " + name);
        if (onClick) onClick(name);
    }
    std::string joined() const {
        std::string all;
        for (auto& e : events) all += (all.empty() ? "" : ", ") + e;
        return all;
    }
};

// --- driving a modal showing ---

// Steps run one per timer tick inside the modal loop; what a step posts is
// handled before the next tick. A showing that outlasts its steps by far is
// ended, and the test fails, rather than hanging.
struct Driver {
    Form* form = nullptr;
    std::deque<std::function<void()>> steps;
    int idleTicks = 0;
    bool timedOut = false;
};
Driver* g_driver = nullptr;

void CALLBACK driverTick(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_driver) return;
    if (!g_driver->steps.empty()) {
        auto step = std::move(g_driver->steps.front());
        g_driver->steps.pop_front();
        step();
    } else if (++g_driver->idleTicks > 500) {
        g_driver->timedOut = true;
        g_driver->form->hide();
    }
}

// Shows `form` modally while `steps` run; false if the showing had to be cut off.
bool showDriven(Form& form, std::deque<std::function<void()>> steps) {
    Driver driver{&form, std::move(steps)};
    Driver* outer = std::exchange(g_driver, &driver);
    UINT_PTR timer = SetTimer(nullptr, 0, 20, driverTick);
    form.showModal();
    KillTimer(nullptr, timer);
    g_driver = outer;
    ok(!driver.timedOut, "the showing of %s did not end by itself", form.caption().c_str());
    return !driver.timedOut;
}

HWND dialogOf(Form& form) { return win32::windowFromValue(form.windowHandle()); }
HWND item(Form& form, const char* name) { return win32::findControl(dialogOf(form), name); }
std::function<void()> post(std::function<HWND()> target, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return [=] { PostMessageW(target(), message, wParam, lParam); };
}
std::function<void()> clickOf(Form& form, const char* name) {
    return post([&form, name] { return item(form, name); }, BM_CLICK);
}

bool checked(Form& form, const char* name) { return SendMessageW(item(form, name), BM_GETCHECK, 0, 0) == BST_CHECKED; }

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
    showDriven(*form, {clickOf(*form, "cbPrompt"), clickOf(*form, "optSaveAll"), clickOf(*form, "optSaveActive"),
                       // A notification without a change of state is no click.
                       post(dialog, WM_COMMAND, MAKEWPARAM(1006, BN_CLICKED)),
                       post(dialog, WM_COMMAND, MAKEWPARAM(1004, BN_CLICKED)), [&] { form->hide(); }});
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

// --- fonts and the pointer ---

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

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--click") == 0) return clickFromOutside(argv[2], argv[3]);
    return winetest::run_all();
}
