// The host's frame window: title, menu bar, the list of open drawings,
// status bar, and the commands bound to add-in classes. WM_CLOSE only asks
// the message loop to quit; the host destroys the window itself once the
// add-ins have been shut down.
//
// Menu picks arrive as WM_MENUCOMMAND (the menus notify by position), so a
// WM_COMMAND with a command id always comes from a program that posted or
// sent it.
#pragma once

#include "platform/win32/Unique.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

struct MenuLanguage;

enum class CommandSource { Menu, Posted, Sent };
const char* source_name(CommandSource source) noexcept;

class MainWindow {
public:
    using CommandHandler = std::function<void(UINT command, CommandSource source)>;
    using TickHandler = std::function<void()>;

    MainWindow() = default;
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // language: the three-letter abbreviation of the menu captions' language.
    bool create(bool show, std::wstring_view language);
    void destroy() noexcept;

    HWND hwnd() const noexcept { return m_hwnd.get(); }
    HMENU menu_bar() const noexcept { return m_hwnd ? GetMenu(m_hwnd.get()) : nullptr; }
    HWND status_bar() const noexcept { return m_status; }

    void set_command_handler(CommandHandler handler) { m_onCommand = std::move(handler); }
    // Runs every few dozen milliseconds while started, from whatever message
    // loop runs on the thread, modal ones included.
    void set_tick_handler(TickHandler handler) { m_onTick = std::move(handler); }
    void start_ticks() noexcept;
    void stop_ticks() noexcept;

    const MenuLanguage& language() const noexcept { return *m_language; }
    // One line per open drawing, the active one selected, and the frame's title.
    void show_documents(const std::vector<std::wstring>& lines, int active, const std::wstring& title);
    std::vector<std::wstring> document_lines() const;
    // Line `index` replaced (appended when it is one past the last), the
    // active one selected, and the title: one drawing's change costs the same
    // however many are open.
    void show_document(int index, const std::wstring& line, int active, const std::wstring& title);

    void set_status(std::wstring_view text);
    std::wstring status() const;
    // False when no item has that command id.
    bool check_command(UINT command, bool checked) noexcept;

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
    static HMENU build_menu_bar(const MenuLanguage& language);
    void command(UINT id, CommandSource source);
    void layout() noexcept;

    win32::unique_hwnd m_hwnd;
    HWND m_status = nullptr;  // children: destroyed with the frame
    HWND m_list = nullptr;
    const MenuLanguage* m_language = nullptr;
    CommandHandler m_onCommand;
    TickHandler m_onTick;
    std::map<UINT, std::wstring> m_bindings;
    UINT m_nextCommand;
};

}  // namespace tessaline
