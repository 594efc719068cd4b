#include "platform/win32/Win32Desktop.h"

#include "platform/AutomationError.h"
#include "platform/win32/Variant.h"

#include <oleauto.h>

#include <string>

namespace win32 {
namespace {

int g_pointerShape = autosave::kDefaultPointer;

constexpr UINT kHelpContextCommand = 0x000F;  // HH_HELP_CONTEXT

using HtmlHelpFunction = HWND(WINAPI*)(HWND caller, LPCWSTR file, UINT command, DWORD_PTR data);

// The help viewer from the system folder only, never from the host's folder,
// the current directory or PATH, where a planted copy would run; its own
// imports are looked up there too. Without the search flags (a system that
// lacks them) the full path, whose folder then comes first for its imports.
HMODULE loadHelpViewer() {
    wchar_t folder[MAX_PATH] = {};
    UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, n) + L"\\hhctrl.ocx";
    HMODULE viewer = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!viewer && GetLastError() == ERROR_INVALID_PARAMETER)
        viewer = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return viewer;
}

// The help viewer's entry point; the library stays loaded for the viewer's
// windows, which outlive the call.
HtmlHelpFunction htmlHelp() {
    static HtmlHelpFunction function = [] {
        HMODULE viewer = loadHelpViewer();
        FARPROC entry = viewer ? GetProcAddress(viewer, "HtmlHelpW") : nullptr;
        return reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(entry));
    }();
    return function;
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// "X:\..." or "\\server\share\...": a name the viewer cannot resolve against
// the current directory. Device and verbatim names ("\\.\", "\\?\") are no
// help files either.
bool isAbsolutePath(const std::string& path) {
    if (path.size() >= 3 && isLetter(path[0]) && path[1] == ':' && isSeparator(path[2])) return true;
    if (path.size() < 5 || !isSeparator(path[0]) || !isSeparator(path[1])) return false;
    const size_t serverEnd = path.find_first_of("\\/", 2);
    if (serverEnd == std::string::npos || serverEnd == 2) return false;
    const std::string server = path.substr(2, serverEnd - 2);
    if (server == "." || server == "?") return false;
    const size_t shareEnd = path.find_first_of("\\/", serverEnd + 1);
    return shareEnd != std::string::npos && shareEnd > serverEnd + 1;
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
    // A relative name would be found in the current directory, often the
    // folder a drawing came from, where a planted help file would open.
    if (!isAbsolutePath(helpFile)) autosave::raise(autosave::errors::kBadFileName, helpFile);
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
