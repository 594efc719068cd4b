#include "platform/win32/Win32Control.h"

#include "platform/AutomationError.h"
#include "platform/win32/Win32Form.h"

#include <cmath>

namespace win32 {

using autosave::ControlKind;

void runtimeError(std::int32_t number, std::string description) {
    throw autosave::AutomationError(number, std::move(description));
}
void notSupported() { autosave::raise(autosave::errors::kMemberNotSupported); }
void invalidValue() { autosave::raise(autosave::errors::kInvalidPropertyValue); }

std::wstring windowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

unique_hfont createFont(HWND window, const autosave::Font& font) {
    if (!(font.size > 0 && font.size < 2048) || font.charset < 0 || font.charset > 255) invalidValue();
    int dpi = GetDeviceCaps(unique_hdc_window(window).get(), LOGPIXELSY);
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(font.size * dpi / 72.0));
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = static_cast<BYTE>(font.charset);
    lstrcpynW(lf.lfFaceName, widen(font.name).c_str(), LF_FACESIZE);
    unique_hfont handle(CreateFontIndirectW(&lf));
    if (!handle) runtimeError(autosave::errors::kOutOfMemory, "Cannot create the font");
    return handle;
}

HWND Win32Control::window() const {
    HWND dialog = m_form.dialog();
    return dialog ? GetDlgItem(dialog, m_id) : nullptr;
}

void Win32Control::setValue(int value) {
    switch (m_layout.kind) {
    case ControlKind::CheckBox:
        if (value != 0 && value != 1) invalidValue();
        if (value == storedValue()) return;
        putCheck(value);
        m_form.events().Click(m_layout.name);
        return;
    case ControlKind::OptionButton:
        if (!value) {
            putCheck(0);
            return;
        }
        if (storedValue()) return;
        putCheck(1);
        m_form.optionSelected(*this);
        m_form.events().Click(m_layout.name);
        return;
    case ControlKind::Button:
        // As a user's click would.
        if (value) m_form.events().Click(m_layout.name);
        return;
    default: notSupported();
    }
}

void Win32Control::setFocus() {
    HWND w = window();
    if (m_layout.kind == ControlKind::Label || m_layout.kind == ControlKind::Frame || !w || !m_enabled ||
        !m_form.visible())
        runtimeError(5, "Invalid procedure call or argument");
    // Through the dialog manager, so that the default button follows.
    SendMessageW(m_form.dialog(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(w), TRUE);
}

}  // namespace win32
