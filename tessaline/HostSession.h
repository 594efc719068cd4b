// One run of the host: creates the window and the object model, loads the
// add-ins, runs the message loop (raising InIdle whenever the queue runs
// empty), and shuts everything down in order.
#pragma once

#include "platform/win32/ComPtr.h"
#include "tessaline/DialogDriver.h"
#include "tessaline/FailureInjection.h"
#include "tessaline/MainWindow.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tessaline {

class HostAddInEntry;
class HostCommand;
class HostContext;
class HostLog;

struct SessionOptions {
    bool loadRegistered = true;             // the add-ins listed in the registry
    std::vector<std::wstring> extraAddIns;  // loaded after those
    FailureInjection failures;
    bool showWindow = true;
    std::wstring language;     // of the menu bar; empty: the user's interface language
    bool byReference = false;  // /byref
    bool renumbered = false;   // /renumber
    // Add-in settings written before the add-ins load: name, value.
    std::vector<std::pair<std::wstring, std::wstring>> settings;
};

class HostSession {
public:
    HostSession(std::shared_ptr<HostLog> log, SessionOptions options);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // Window, objects, then the add-ins; false when the window cannot be made.
    bool start();
    // Runs the message loop until count more InIdle events were raised;
    // false when the window was closed meanwhile.
    bool run_idle(unsigned count);
    // Raises count InIdle events back to back, as a host whose idle handler
    // keeps asking for more idle time: the queue is emptied before each and
    // after the last, never waited on. False when the window was closed.
    bool run_idle_busy(unsigned count);
    enum class RunResult { Met, TimedOut, Quit };
    // Runs the message loop, raising InIdle whenever it runs empty, until
    // done() holds or timeoutMs have passed (INFINITE: no limit).
    RunResult run_until(const std::function<bool()>& done, DWORD timeoutMs);
    // Runs the message loop until the window is closed.
    void run_until_quit();
    bool quit_requested() const noexcept { return m_quit; }
    // Add-ins uninitialised, uninstalled and released, then the host's own
    // objects; logs what is left alive. Safe to call twice.
    void shutdown();

    // AddIns.Add, InitializeApplication, Load, LoadUI; empty when the class cannot be created.
    win32::com_ptr<HostAddInEntry> load_add_in(const std::wstring& progId);

    // A command: the host's own, or an add-in class bound to the menu item.
    void run_command(UINT command, CommandSource source = CommandSource::Sent);
    // File-Save: saves the active drawing, or raises CommandAborted(57603)
    // when there is none or it cannot be written.
    void file_save(CommandSource source);
    // UIUnInitialize and UnInstall, then Install and UIInitialize, of every add-in.
    void reload_add_ins();
    // UIUnInitialize and UnInstall of that add-in, then its entry released;
    // what was done, for the log.
    std::string unload_add_in(const std::wstring& progId);
    // Clicks and closes dialogs for scripts.
    DialogDriver& dialogs() noexcept { return *m_dialogs; }

    HostContext& context() noexcept { return *m_context; }
    HostLog& log() noexcept { return *m_log; }
    MainWindow& window() noexcept { return m_window; }
    unsigned long idle_count() const noexcept { return m_idleCount; }

private:
    // A command of an add-in class that runs on after its start, until its
    // control reports Done.
    struct RunningCommand {
        win32::com_ptr<IDispatch> handler;  // the add-in's class
        win32::com_ptr<HostCommand> command;
    };

    void raise_idle();
    // Creates the class, calls Command_Initialize with a new command object
    // and logs its HelpFileName; then starts the command when a command
    // control attached itself, and ends it once the control reports Done (at
    // once without a control). Logs "command <id> " followed by "control
    // attached", "Initialize", "Done", "running" (Initialize returned before
    // Done), "Terminate" and "ended" (the class released).
    void run_add_in_command(UINT command, const std::wstring& progId);
    // The command's dialog, shown while it starts, comes to the front: a
    // command runs as one instance at a time. Logs "command <id> already
    // running -> brought forward" (or "-> no window").
    void bring_forward(UINT command);
    // Terminate through the control, then the command object and the class are released.
    void end_command(RunningCommand running);
    void end_running_command();
    // Tells the application locator which application runs (null: none).
    void publish_application(IDispatch* framework);
    void report_unload(const std::vector<std::wstring>& progIds);

    std::shared_ptr<HostLog> m_log;
    SessionOptions m_options;
    std::shared_ptr<HostContext> m_context;
    MainWindow m_window;
    std::unique_ptr<DialogDriver> m_dialogs;
    RunningCommand m_running;
    std::vector<UINT> m_starting;          // commands inside their Initialize, innermost last
    std::vector<std::wstring> m_unloaded;  // add-ins unloaded during the run
    unsigned long m_idleCount = 0;
    bool m_inIdle = false;
    bool m_quit = false;
    bool m_started = false;
};

}  // namespace tessaline
