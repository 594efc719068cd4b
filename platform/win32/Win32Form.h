// One form as a Win32 dialog built at run time from its layout table (see
// Win32Forms.h for what the dialog looks like and how it behaves).
#pragma once

#include "platform/Forms.h"
#include "platform/win32/ControlNames.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Win32Control.h"
#include "platform/win32/Win32Desktop.h"

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace win32 {

class Win32Form final : public autosave::Form {
public:
    Win32Form(const autosave::FormLayout& layout, autosave::FormEvents& events, std::shared_ptr<unique_hwnd> owner);
    ~Win32Form() override;

    void create();

    HWND dialog() const { return m_dialog.get(); }
    autosave::FormEvents& events() { return m_events; }
    bool keyPreview() const { return m_layout.keyPreview; }

    std::string caption() const override { return narrow(m_dialog ? windowText(m_dialog.get()) : m_caption); }
    void setCaption(const std::string& caption) override {
        m_caption = widen(caption);
        if (m_dialog) SetWindowTextW(m_dialog.get(), m_caption.c_str());
    }

    autosave::Control& control(std::string_view name) override {
        for (auto& c : m_controls)
            if (sameName(c->name(), name)) return *c;
        runtimeError(730, "Control '" + std::string(name) + "' not found");
    }
    std::vector<autosave::Control*> controls() override {
        std::vector<autosave::Control*> all;
        for (auto& c : m_controls) all.push_back(c.get());
        return all;
    }

    autosave::Font font() const override { return m_font; }
    void setFont(const autosave::Font& font) override {
        unique_hfont handle = createFont(m_dialog.get(), font);
        if (m_dialog) SendMessageW(m_dialog.get(), WM_SETFONT, reinterpret_cast<WPARAM>(handle.get()), TRUE);
        m_hfont = std::move(handle);
        m_font = font;
    }

    void showModal() override;
    void hide() override {
        if (!m_visible) return;
        m_visible = false;
        if (m_dialog) ShowWindow(m_dialog.get(), SW_HIDE);
        // Wakes a loop waiting for messages when nothing else would.
        PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
    }
    bool visible() const override { return m_visible; }
    bool loaded() const override { return m_loaded; }
    void unload() override {
        if (!m_loaded) return;
        bool cancel = false;
        m_events.Form_QueryUnload(cancel, autosave::kUnloadFromCode);
        destroy();  // code's unload is never cancelled
    }

    std::int32_t windowHandle() const override { return valueFromWindow(m_dialog.get()); }
    std::string defaultGuiFontFace() override;

    Win32Control* byId(int id) {
        size_t index = static_cast<size_t>(id - kFirstControlId);
        return id >= kFirstControlId && index < m_controls.size() ? m_controls[index].get() : nullptr;
    }
    void optionSelected(Win32Control& selected);

    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void initialise(HWND window);
    void clicked(int id);
    void centre();
    void destroy();

    autosave::FormLayout m_layout;
    autosave::FormEvents& m_events;
    std::shared_ptr<unique_hwnd> m_owner;
    std::vector<std::unique_ptr<Win32Control>> m_controls;
    std::wstring m_caption;
    autosave::Font m_font{narrow(kDialogFace), kDialogPointSize, DEFAULT_CHARSET};
    unique_hfont m_hfont;
    std::vector<unique_atom> m_atoms;
    // Last, so the window goes before the fonts and atoms it uses.
    unique_hwnd m_dialog;
    bool m_loaded = true;
    bool m_visible = false;
    bool m_placed = false;
    bool m_activated = false;
};

}  // namespace win32
