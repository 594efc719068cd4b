// One control of a Win32 form: its state lives here while the dialog has no
// window, and in the control's window while it has one.
#pragma once

#include "platform/Forms.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace win32 {

class Win32Form;

inline constexpr wchar_t kDialogFace[] = L"MS Shell Dlg";
inline constexpr int kDialogPointSize = 8;

// The errors a form or control raises on a call it cannot honour.
[[noreturn]] void runtimeError(std::int32_t number, std::string description);
[[noreturn]] void notSupported();
[[noreturn]] void invalidValue();

std::wstring windowText(HWND window);
// The font at the window's resolution; a size or character set out of range
// is an invalid value.
unique_hfont createFont(HWND window, const autosave::Font& font);

class Win32Control final : public autosave::Control {
public:
    Win32Control(Win32Form& form, const autosave::ControlLayout& layout, int id)
        : m_form(form), m_layout(layout), m_id(id), m_text(widen(layout.text)), m_value(layout.value) {}

    const std::string& name() const override { return m_layout.name; }
    autosave::ControlKind kind() const override { return m_layout.kind; }
    int id() const { return m_id; }
    const autosave::ControlLayout& layout() const { return m_layout; }
    HWND window() const;

    std::string caption() const override {
        HWND w = window();
        return narrow(w ? windowText(w) : m_text);
    }
    void setCaption(const std::string& caption) override {
        m_text = widen(caption);
        if (HWND w = window()) SetWindowTextW(w, m_text.c_str());
    }
    bool enabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override {
        m_enabled = enabled;
        if (HWND w = window()) EnableWindow(w, enabled);
    }

    int value() const override {
        switch (m_layout.kind) {
        case autosave::ControlKind::CheckBox:
        case autosave::ControlKind::OptionButton: return storedValue();
        case autosave::ControlKind::Button: return 0;
        default: notSupported();
        }
    }
    void setValue(int value) override;

    std::string text() const override { return caption(); }
    void setText(const std::string& text) override { setCaption(text); }

    void select(int start, int length) override {
        if (m_layout.kind != autosave::ControlKind::TextBox) notSupported();
        if (start < 0 || length < 0) invalidValue();
        if (HWND w = window())
            SendMessageW(w, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
    }
    void setFocus() override;
    bool hasFocus() const override {
        HWND w = window();
        return w && GetFocus() == w;
    }

    autosave::Font font() const override { return m_font; }
    void setFont(const autosave::Font& font) override {
        HWND w = window();
        unique_hfont handle = createFont(w, font);
        if (w) SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(handle.get()), TRUE);
        // The old font goes only after the control has let go of it.
        m_hfont = std::move(handle);
        m_font = font;
    }

    // The check state as the window shows it, and as last seen by events.
    int storedValue() const {
        if (HWND w = window()) return SendMessageW(w, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        return m_value;
    }
    int lastSeenValue() const { return m_value; }
    void putCheck(int value) {
        m_value = value;
        if (HWND w = window()) SendMessageW(w, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    // Pushes the state kept while there was no window into a new one.
    void applyTo(HWND w) {
        if (m_layout.kind == autosave::ControlKind::CheckBox || m_layout.kind == autosave::ControlKind::OptionButton)
            SendMessageW(w, BM_SETCHECK, m_value ? BST_CHECKED : BST_UNCHECKED, 0);
        if (m_hfont) SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(m_hfont.get()), FALSE);
        if (!m_enabled) EnableWindow(w, FALSE);
    }

private:
    Win32Form& m_form;
    autosave::ControlLayout m_layout;
    int m_id;
    std::wstring m_text;
    bool m_enabled = true;
    int m_value;
    autosave::Font m_font{narrow(kDialogFace), kDialogPointSize, DEFAULT_CHARSET};
    unique_hfont m_hfont;
};

}  // namespace win32
