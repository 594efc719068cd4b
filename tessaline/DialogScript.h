// The actions a script's "with" step arms for one showing of a dialog. The
// DialogDriver runs them from the main window's tick, one per tick, so each
// action finds the dialog settled after the one before: what an action posts
// (keys, clicks) is handled by the dialog's own message loop first.
//   controls          logs every visible control in tab order, then the dialog
//   type <text>       replaces the text of the focused edit box, as typed
//   click <caption>   BM_CLICK on that button, check box or option button
//   key Enter|Escape|Tab   a key press to the focused control
//   closebox          as the close box does (SC_CLOSE)
//   msgbox            waits for a message box of this process (the dialog
//                     itself when it is one), logs it and presses OK
//   wait <seconds>
//   unload <ProgID>   the host unloads that add-in (UIUnInitialize, UnInstall,
//                     entry released) while the dialog is up, as from a message
//                     its loop dispatches; logs what the host did
// An action that cannot be done gives up the rest and closes the dialog, so
// that no modal loop holds up the script.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

class HostLog;

class DialogScript {
public:
    // Null, with error set, when an action is unknown or lacks its argument.
    static std::shared_ptr<DialogScript> parse(HostLog& log, std::wstring title, std::string_view actions,
                                               std::string& error);

    DialogScript(HostLog& log, std::wstring title) : m_log(log), m_title(std::move(title)) {}

    // What the unload action runs: unloads the add-in, returns what to log.
    using Unloader = std::function<std::string(const std::wstring& progId)>;
    void set_unloader(Unloader unloader) { m_unloader = std::move(unloader); }

    const std::wstring& title() const noexcept { return m_title; }
    // The dialog acted on, once it has shown; null before.
    HWND dialog() const noexcept { return m_dialog; }
    // Does (or goes on waiting for) the next action on dialog; true once
    // everything is done, the last action having had a tick to settle.
    bool step(HWND dialog);

    // One line per visible control of dialog in tab order, then the dialog's own line.
    static void log_controls(HWND dialog, HostLog& log);

private:
    enum class Kind { Controls, Type, Click, Key, CloseBox, MsgBox, Wait, Unload };
    enum class Outcome { Done, Waiting, Failed };
    struct Action {
        Kind kind;
        std::string text;       // as written, for the log
        std::wstring argument;  // text to type, caption to click
        UINT key = 0;
        DWORD ms = 0;
    };

    Outcome run(const Action& action, DWORD elapsed);
    Outcome message_box(const Action& action, DWORD elapsed);
    void result(const Action& action, const std::string& what);

    HostLog& m_log;
    std::wstring m_title;
    std::vector<Action> m_actions;
    Unloader m_unloader;
    size_t m_next = 0;
    HWND m_dialog = nullptr;
    bool m_waiting = false;  // the current action has begun to wait
    DWORD m_since = 0;
};

}  // namespace tessaline
