// The host's frame window: title, menu bar, status bar, and the commands
// bound to add-in classes. WM_CLOSE only asks the message loop to quit; the
// host destroys the window itself once the add-ins have been shut down.
#pragma once

#include "platform/win32/Unique.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace tessaline {

class MainWindow {
public:
    using CommandHandler = std::function<void(UINT command)>;

    MainWindow() = default;
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    bool create(bool show);
    void destroy() noexcept;

    HWND hwnd() const noexcept { return m_hwnd.get(); }
    HMENU menu_bar() const noexcept { return m_hwnd ? GetMenu(m_hwnd.get()) : nullptr; }
    HWND status_bar() const noexcept { return m_status; }

    void set_command_handler(CommandHandler handler) { m_onCommand = std::move(handler); }

    void set_status(std::wstring_view text);
    std::wstring status() const;
    // False when no item has that command id.
    bool check_command(UINT command, bool checked) noexcept;
    void redraw_menu() noexcept;

    // A new command id bound to the add-in class progId.
    UINT bind_command(std::wstring progId);
    void unbind_command(UINT command) noexcept;
    // The class bound to command; empty when it is not an add-in command.
    std::wstring bound_prog_id(UINT command) const;

    // Keeps messages coming while the host sits idle, so idle time keeps being reported.
    void start_idle_timer() noexcept;
    void stop_idle_timer() noexcept;

private:
    static LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    static HMENU build_menu_bar();

    win32::unique_hwnd m_hwnd;
    HWND m_status = nullptr;  // a child: destroyed with the frame
    CommandHandler m_onCommand;
    std::map<UINT, std::wstring> m_bindings;
    UINT m_nextCommand;
};

}  // namespace tessaline
