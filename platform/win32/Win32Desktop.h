#pragma once

#include "platform/Desktop.h"

#include <windows.h>

namespace win32 {

// The desktop through user32. The pointer shape is one per process: every
// Win32Desktop sets the same one, and the component's forms show it.
class Win32Desktop final : public autosave::Desktop {
public:
    // numberLocale: whose conventions numberFromText reads numbers by.
    explicit Win32Desktop(LCID numberLocale = LOCALE_USER_DEFAULT) noexcept : m_numberLocale(numberLocale) {}

    void setMousePointer(int shape) override;
    int mousePointer() const override;
    void postMessage(std::int32_t window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void placeBelow(std::int32_t window, std::int32_t insertAfter) override;
    std::uint32_t userDefaultLocale() override;
    void messageBox(const std::string& text, const std::string& title, std::uint32_t flags) override;
    void showHelp(std::int32_t caller, const std::string& helpFile, std::uint32_t context) override;
    std::optional<double> numberFromText(const std::string& text) override;

private:
    LCID m_numberLocale;
};

// The cursor the component's windows show for the current shape, or null
// while the shape is the default (each window then shows its own).
HCURSOR componentCursor() noexcept;

// A window handle from its 32-bit value; handles are sign-extended, as
// 32-bit code hands them to 64-bit code.
inline HWND windowFromValue(std::int32_t value) noexcept { return reinterpret_cast<HWND>(static_cast<INT_PTR>(value)); }
inline std::int32_t valueFromWindow(HWND window) noexcept {
    return static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(window));
}

}  // namespace win32
