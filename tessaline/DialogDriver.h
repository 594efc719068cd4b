// Clicks a button of, or closes, a dialog that this process shows, or runs
// a DialogScript on it, for scripts. The action is armed first and done from
// the main window's tick timer: the dialog is usually modal inside an
// add-in's event handler, and only a timer message dispatched by that
// dialog's own message loop can reach it while it runs.
#pragma once

#include <windows.h>

#include <deque>
#include <memory>
#include <string>
#include <string_view>

namespace tessaline {

class DialogScript;
class HostLog;
class MainWindow;

class DialogDriver {
public:
    enum class Action { Click, Close, Script };
    enum class State { Idle, Pending, Done, TimedOut, NoButton };

    DialogDriver(HostLog& log, MainWindow& window) noexcept : m_log(log), m_window(window) {}

    // Queues an action behind those still pending; each waits for its dialog
    // to appear, so several prompts shown one after another inside one call
    // of an add-in can be answered in turn. caption is ignored for Close.
    void arm(Action action, std::wstring title, std::wstring caption, DWORD timeoutMs);
    // Queues script for the next showing of its dialog.
    void arm(std::shared_ptr<DialogScript> script, DWORD timeoutMs);
    State state() const noexcept { return m_state; }
    // Looks for the dialog and acts on it; gives up once the timeout has
    // passed. A dialog without the button is closed instead.
    void tick();
    // Drops a pending action without a word.
    void disarm() noexcept;

    // A visible top-level window of this process with exactly that title; null when none.
    static HWND find_dialog(std::wstring_view title);
    // A button of dialog whose caption names caption ('&' markers and letter case aside).
    static HWND find_button(HWND dialog, std::wstring_view caption);
    static std::wstring window_text(HWND hwnd);

private:
    struct Pending {
        Action action;
        std::wstring title, caption;
        DWORD timeout;
        std::shared_ptr<DialogScript> script;
    };
    std::string what() const;
    void finish(State state, const std::string& result);

    HostLog& m_log;
    MainWindow& m_window;
    std::deque<Pending> m_queue;
    DWORD m_started = 0;  // when the front action began to wait
    State m_state = State::Idle;
};

}  // namespace tessaline
