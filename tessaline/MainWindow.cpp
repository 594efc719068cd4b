#include "tessaline/MainWindow.h"

#include "tessaline/MenuCaptions.h"

#include <commctrl.h>

namespace tessaline {
namespace {

constexpr wchar_t kClassName[] = L"TessalineFrame";
constexpr UINT_PTR kIdleTimer = 1;
constexpr UINT kIdleTimerMs = 200;
constexpr UINT_PTR kTickTimer = 2;
constexpr UINT kTickTimerMs = 50;
constexpr int kStatusBarId = 100;
constexpr int kListId = 101;

bool register_class() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), kClassName, &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0;
}

}  // namespace

const char* source_name(CommandSource source) noexcept {
    switch (source) {
    case CommandSource::Menu: return "menu";
    case CommandSource::Posted: return "posted";
    case CommandSource::Sent: return "sent";
    }
    return "?";
}

MainWindow::~MainWindow() { destroy(); }

HMENU MainWindow::build_menu_bar(const MenuLanguage& language) {
    win32::unique_hmenu bar(CreateMenu());
    if (!bar) return nullptr;
    HMENU popup = nullptr;
    for (const auto& entry : language.captions) {
        if (entry.command == 0) {
            win32::unique_hmenu created(CreatePopupMenu());
            if (!created ||
                !AppendMenuW(bar.get(), MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(created.get()), entry.text))
                return nullptr;
            popup = created.release();  // now owned by the bar
        } else if (popup) {
            AppendMenuW(popup, MF_STRING, entry.command, entry.text);
        }
    }
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_STYLE | MIM_APPLYTOSUBMENUS;
    info.dwStyle = MNS_NOTIFYBYPOS;
    SetMenuInfo(bar.get(), &info);
    return bar.release();
}

bool MainWindow::create(bool show, std::wstring_view language) {
    m_nextCommand = kFirstAddInCommand;
    m_language = &menu_language(language);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (!register_class()) return false;

    win32::unique_hmenu bar(build_menu_bar(*m_language));
    if (!bar) return false;
    HWND hwnd = CreateWindowExW(0, kClassName, kWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 800,
                                600, nullptr, bar.get(), GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return false;
    [[maybe_unused]] HMENU owned = bar.release();  // the window destroys its menu
    m_hwnd.reset(hwnd);
    // The procedure is set after creation so that it never runs without its object.
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindow::window_proc));

    m_status = CreateWindowExW(0, STATUSCLASSNAMEW, L"Ready", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)), GetModuleHandleW(nullptr),
                               nullptr);
    if (!m_status) return false;
    m_list = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"LISTBOX", nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
        0, 0, 0, 0, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), GetModuleHandleW(nullptr), nullptr);
    if (!m_list) return false;
    layout();
    if (show) {
        ShowWindow(hwnd, SW_SHOW);
        UpdateWindow(hwnd);
    }
    return true;
}

void MainWindow::destroy() noexcept {
    stop_idle_timer();
    stop_ticks();
    m_status = nullptr;
    m_list = nullptr;
    m_bindings.clear();
    m_hwnd.reset();
}

void MainWindow::set_status(std::wstring_view text) {
    if (!m_status) return;
    std::wstring copy(text);
    SendMessageW(m_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(copy.c_str()));
}

std::wstring MainWindow::status() const {
    if (!m_status) return {};
    LRESULT length = SendMessageW(m_status, SB_GETTEXTLENGTHW, 0, 0);
    std::wstring text(LOWORD(length) + 1, L'\0');
    SendMessageW(m_status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(length));
    return text;
}

bool MainWindow::check_command(UINT command, bool checked) noexcept {
    HMENU bar = menu_bar();
    if (!bar) return false;
    return CheckMenuItem(bar, command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED)) != static_cast<DWORD>(-1);
}

void MainWindow::show_documents(const std::vector<std::wstring>& lines, int active, const std::wstring& title) {
    if (!m_hwnd) return;
    SetWindowTextW(m_hwnd.get(), title.c_str());
    if (!m_list) return;
    SendMessageW(m_list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(m_list, LB_RESETCONTENT, 0, 0);
    for (const auto& line : lines) SendMessageW(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    SendMessageW(m_list, LB_SETCURSEL, static_cast<WPARAM>(active), 0);
    SendMessageW(m_list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_list, nullptr, TRUE);
}

void MainWindow::show_document(int index, const std::wstring& line, int active, const std::wstring& title) {
    if (!m_hwnd) return;
    SetWindowTextW(m_hwnd.get(), title.c_str());
    if (!m_list) return;
    const LRESULT count = SendMessageW(m_list, LB_GETCOUNT, 0, 0);
    if (index < 0 || index > count) return;
    if (index < count) SendMessageW(m_list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    SendMessageW(m_list, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line.c_str()));
    SendMessageW(m_list, LB_SETCURSEL, static_cast<WPARAM>(active), 0);
}

std::vector<std::wstring> MainWindow::document_lines() const {
    std::vector<std::wstring> lines;
    if (!m_list) return lines;
    LRESULT count = SendMessageW(m_list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(m_list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        LRESULT n = SendMessageW(m_list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(n > 0 ? static_cast<size_t>(n) : 0);
        lines.push_back(std::move(text));
    }
    return lines;
}

void MainWindow::layout() noexcept {
    if (!m_hwnd || !m_status) return;
    SendMessageW(m_status, WM_SIZE, 0, 0);
    RECT client{}, bar{};
    GetClientRect(m_hwnd.get(), &client);
    GetWindowRect(m_status, &bar);
    int height = client.bottom - (bar.bottom - bar.top);
    if (m_list) MoveWindow(m_list, 0, 0, client.right, height > 0 ? height : 0, TRUE);
}

void MainWindow::start_ticks() noexcept {
    if (m_hwnd) SetTimer(m_hwnd.get(), kTickTimer, kTickTimerMs, nullptr);
}

void MainWindow::stop_ticks() noexcept {
    if (m_hwnd) KillTimer(m_hwnd.get(), kTickTimer);
}

void MainWindow::command(UINT id, CommandSource source) {
    if (!m_onCommand) return;
    // A copy: the handler may replace itself while it runs.
    CommandHandler handler = m_onCommand;
    try {
        handler(id, source);
    } catch (...) {
        // A failing command must not take the window procedure down.
    }
}

UINT MainWindow::bind_command(std::wstring progId) {
    UINT command = m_nextCommand++;
    m_bindings[command] = std::move(progId);
    return command;
}

void MainWindow::unbind_command(UINT command) noexcept { m_bindings.erase(command); }

std::wstring MainWindow::bound_prog_id(UINT command) const {
    auto it = m_bindings.find(command);
    return it == m_bindings.end() ? std::wstring() : it->second;
}

void MainWindow::start_idle_timer() noexcept {
    if (m_hwnd) SetTimer(m_hwnd.get(), kIdleTimer, kIdleTimerMs, nullptr);
}

void MainWindow::stop_idle_timer() noexcept {
    if (m_hwnd) KillTimer(m_hwnd.get(), kIdleTimer);
}

LRESULT CALLBACK MainWindow::window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
    return self->handle(message, wparam, lparam);
}

LRESULT MainWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    HWND hwnd = m_hwnd.get();
    switch (message) {
    case WM_SIZE: layout(); return 0;
    case WM_COMMAND:
        if (HIWORD(wparam) == 0 && lparam == 0)
            command(LOWORD(wparam), InSendMessage() ? CommandSource::Sent : CommandSource::Posted);
        return 0;
    case WM_MENUCOMMAND: {
        UINT id = GetMenuItemID(reinterpret_cast<HMENU>(lparam), static_cast<int>(wparam));
        if (id != static_cast<UINT>(-1)) command(id, CommandSource::Menu);
        return 0;
    }
    case WM_TIMER:
        if (wparam == kTickTimer && m_onTick) {
            TickHandler handler = m_onTick;
            try {
                handler();
            } catch (...) {
                // Same as for commands.
            }
        }
        return 0;
    case WM_CLOSE: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

}  // namespace tessaline
