// What the Win32 forms tests share: the two dialogs' layouts as the add-in
// has them, an event recorder, and modal showings driven step by step.
#pragma once

#include "WineTest.h"

#include "engine/PromptDialog.h"
#include "platform/Forms.h"
#include "platform/win32/ControlNames.h"
#include "platform/win32/Variant.h"
#include "platform/win32/Win32Desktop.h"
#include "settings/SettingsDialog.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace forms_fixture {

using namespace autosave;

// --- layouts ---

inline ControlLayout control(const char* name, ControlKind kind, int left, int top, int width, int height, int tab,
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

inline FormLayout promptLayout() { return frmPrompt::layout(); }

// The settings dialog with one more option button outside its frame, to
// show that options are exclusive within their container only.
inline FormLayout settingsLayout() {
    FormLayout f = frmAutoSave::layout();
    f.controls.push_back(control("optElsewhere", ControlKind::OptionButton, 3000, 1300, 900, 195,
                                 static_cast<int>(f.controls.size()), "", false, 1));
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
inline Driver* g_driver = nullptr;

inline void CALLBACK driverTick(HWND, UINT, UINT_PTR, DWORD) {
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
inline bool showDriven(Form& form, std::deque<std::function<void()>> steps) {
    Driver driver{&form, std::move(steps)};
    Driver* outer = std::exchange(g_driver, &driver);
    UINT_PTR timer = SetTimer(nullptr, 0, 20, driverTick);
    form.showModal();
    KillTimer(nullptr, timer);
    g_driver = outer;
    ok(!driver.timedOut, "the showing of %s did not end by itself", form.caption().c_str());
    return !driver.timedOut;
}

inline HWND dialogOf(Form& form) { return win32::windowFromValue(form.windowHandle()); }
inline HWND item(Form& form, const char* name) { return win32::findControl(dialogOf(form), name); }
inline std::function<void()> post(std::function<HWND()> target, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return [=] { PostMessageW(target(), message, wParam, lParam); };
}
inline std::function<void()> clickOf(Form& form, const char* name) {
    return post([&form, name] { return item(form, name); }, BM_CLICK);
}

inline int idOf(Form& form, const char* name) { return GetDlgCtrlID(item(form, name)); }
inline bool checked(Form& form, const char* name) {
    return SendMessageW(item(form, name), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}  // namespace forms_fixture
