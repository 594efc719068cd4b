#include "platform/win32/Win32Desktop.h"

#include "host/AutomationError.h"

namespace win32 {
namespace {

int g_pointerShape = autosave::kDefaultPointer;

}  // namespace

HCURSOR componentCursor() noexcept {
    return g_pointerShape == autosave::kHourglassPointer ? LoadCursorW(nullptr, IDC_WAIT) : nullptr;
}

void Win32Desktop::setMousePointer(int shape) {
    if (shape != autosave::kDefaultPointer && shape != autosave::kHourglassPointer)
        throw autosave::AutomationError(380, "Invalid property value");
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

}  // namespace win32
