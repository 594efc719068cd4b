#include "platform/win32/Win32Desktop.h"

#include "platform/AutomationError.h"
#include "platform/win32/Variant.h"

#include <oleauto.h>

namespace win32 {
namespace {

int g_pointerShape = autosave::kDefaultPointer;

constexpr UINT kHelpContextCommand = 0x000F;  // HH_HELP_CONTEXT

using HtmlHelpFunction = HWND(WINAPI*)(HWND caller, LPCWSTR file, UINT command, DWORD_PTR data);

// The help viewer's entry point; the library stays loaded for the viewer's
// windows, which outlive the call.
HtmlHelpFunction htmlHelp() {
    static HtmlHelpFunction function = [] {
        HMODULE viewer = LoadLibraryW(L"hhctrl.ocx");
        FARPROC entry = viewer ? GetProcAddress(viewer, "HtmlHelpW") : nullptr;
        return reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(entry));
    }();
    return function;
}

}  // namespace

HCURSOR componentCursor() noexcept {
    return g_pointerShape == autosave::kHourglassPointer ? LoadCursorW(nullptr, IDC_WAIT) : nullptr;
}

void Win32Desktop::setMousePointer(int shape) {
    if (shape != autosave::kDefaultPointer && shape != autosave::kHourglassPointer)
        autosave::raise(autosave::errors::kInvalidPropertyValue);
    g_pointerShape = shape;
    // Shown at once; the component's windows keep showing it on WM_SETCURSOR.
    SetCursor(LoadCursorW(nullptr, shape == autosave::kHourglassPointer ? IDC_WAIT : IDC_ARROW));
}

int Win32Desktop::mousePointer() const { return g_pointerShape; }

void Win32Desktop::postMessage(std::int32_t window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) {
    PostMessageW(windowFromValue(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

void Win32Desktop::placeBelow(std::int32_t window, std::int32_t insertAfter) {
    SetWindowPos(windowFromValue(window), windowFromValue(insertAfter), 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

std::uint32_t Win32Desktop::userDefaultLocale() { return GetUserDefaultLCID(); }

void Win32Desktop::messageBox(const std::string& text, const std::string& title, std::uint32_t flags) {
    // Owned by the window the user was working in, as a message box of a
    // dialog's handler is, so that window waits for it.
    MessageBoxW(GetActiveWindow(), widen(text).c_str(), widen(title).c_str(), flags);
}

void Win32Desktop::showHelp(std::int32_t caller, const std::string& helpFile, std::uint32_t context) {
    HtmlHelpFunction viewer = htmlHelp();
    if (!viewer) autosave::raise(autosave::errors::kFileNotFound, "hhctrl.ocx");
    viewer(windowFromValue(caller), widen(helpFile).c_str(), kHelpContextCommand, context);
}

std::optional<double> Win32Desktop::numberFromText(const std::string& text) {
    unique_bstr wide = make_bstr(text);
    double value = 0;
    if (FAILED(VarR8FromStr(wide.get(), m_numberLocale, 0, &value))) return std::nullopt;
    return value;
}

}  // namespace win32
