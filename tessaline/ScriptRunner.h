// Drives a host session from a text script, one step per line, '#' starts a
// comment, a word in double quotes may hold blanks. Steps:
//   idle <N>                         run the message loop until N more InIdle events
//   spin <N>                         N more InIdle events back to back, the queue emptied
//                                    before each and after the last; logs
//                                    spin <N> -> <idle events so far> idle events
//   wait <seconds>                   run the message loop that long (fractions allowed)
//   until <condition> [<seconds>]    run it until the condition holds (default limit 30 s):
//       saved <name>                 DocumentSaved for it since the previous step started
//       dialog <title> | nodialog <title>   a visible top-level window of this process
//       modified <name> on|off
//       answered                     every armed click, closebox, answer and with is done
//   open <path>                      open a drawing (created if missing); it becomes active
//   new <path>                       a new drawing, saved to path only when saved
//   modify [<name>]                  add a shape (active drawing by default)
//   activate <name> | close [<name>]
//   save [<name>]                    the user's File-Save (activates name first)
//   saveas <path>                    the active drawing under a new name
//   readonly <name or path> on|off   the file's read-only attribute
//   click <title> <caption> [<s>]    BM_CLICK on that dialog's button once it shows (10 s)
//   closebox <title> [<s>]           closes that dialog once it shows
//   answer <title> <caption>...      clicks those buttons (or "closebox") on that
//                                    dialog, one per showing, in turn
//   with <title>: <action> | ...     arms those actions for the next showing of that
//                                    dialog and returns at once: controls, type <text>,
//                                    click <caption>, key Enter|Escape|Tab, closebox,
//                                    msgbox, wait <seconds>, unload <ProgID> (the host
//                                    unloads that add-in while the dialog is up; see
//                                    DialogScript.h);
//                                    controls logs one line per control in tab order,
//                                    control <kind> "<text>" enabled|disabled
//                                    [checked|unchecked] [default] [focus] [sel <start> <length>]
//                                    (kind: button, check, option, edit, label, frame),
//                                    then dialog "<title>" <width>x<height> (client
//                                    pixels); msgbox logs msgbox "<title>" "<text>"
//   disarm                           drops every dialog action still armed, logging
//                                    disarm -> dropped (or nothing armed)
//   pick <caption>                   picks that menu item as the user does ('&' markers,
//                                    trailing dots and letter case aside), logging
//                                    pick "<menu>" "<item>" -> command <id> (or disabled)
//                                    (picked again while its dialog is up, the command is
//                                    not started twice: command <id> already running ->
//                                    brought forward)
//   run <ProgID>                     runs that class as a command, as a toolbar button
//                                    bound to it would, through the path of a menu pick;
//                                    logs run <ProgID> -> command <id>
//   post <id> | command <id>         WM_COMMAND posted to / sent to the main window
//   status | menu | documents        log the status bar, the menu bar, the drawings
//   check <id or caption>            log whether that menu item is checked
//   file <path>                      log size and FNV-1a hash of a file, or "missing"
//   setting <name> <value>           write one of the add-in's settings
//   settings                         log the five stored ones, "<missing>" when absent
//   numbersetting <name> <number>    write one of them as a number (REG_DWORD), as a
//                                    deployment script might; logs
//                                    numbersetting <name> = <number> -> <hresult>
//   reload                           unload and load the add-ins again
//   event DocumentSaved              raise an application event (no document)
//   event DocumentSavedAs <name>
//   event BeforeDocumentClose        logs what the sinks left in bToBeSaved/bCancel
//   event CommandAborted <id>
//   addin <ProgID> get <member>      logs "<ProgID>.<member> = <value>"
//   addin <ProgID> put <member> <text>
//   addin <ProgID> call <method>     with the host's lifecycle arguments
//   sinks                            logs the number of connected event sinks
//   process                          logs process handles=<open handles> private=<private bytes>
//   fail <Member> [off]              makes that member of the host's objects fail from
//                                    now on, as /fail does, or no longer; logs
//                                    fail <Member> -> armed | lifted | not armed
//   log <text>
//   exit                             ends the script; the host shuts down
// A document <name> is its Name or its FullName; relative paths are taken
// from the current folder. Conditions are checked between events, so a modal
// dialog shown from inside an add-in's event handler is seen only by click,
// closebox, answer and with, which are armed before it shows. New steps are
// one more row in the step table (ScriptRunner.cpp); the steps' bodies are in
// ScriptRunner.cpp (timing, log, exit), ScriptDocumentSteps.cpp,
// ScriptDialogSteps.cpp and ScriptAddInSteps.cpp.
#pragma once

#include "tessaline/ScriptLine.h"

#include <string>
#include <string_view>

namespace tessaline {

class HostSession;

class ScriptRunner {
public:
    explicit ScriptRunner(HostSession& session) noexcept : m_session(session) {}

    // False when the file cannot be read.
    bool run_file(const std::wstring& path);
    // Runs one line; false when the script ends there (exit, or the window was closed).
    bool run_line(std::string_view line, int number);

    using Line = ScriptLine;

private:
    bool idle(const Line& line);
    bool spin(const Line& line);
    bool process(const Line& line);
    bool wait(const Line& line);
    bool until(const Line& line);
    bool open(const Line& line);
    bool create(const Line& line);
    bool modify(const Line& line);
    bool activate(const Line& line);
    bool close(const Line& line);
    bool save(const Line& line);
    bool saveas(const Line& line);
    bool readonly(const Line& line);
    bool click(const Line& line);
    bool closebox(const Line& line);
    bool answer(const Line& line);
    bool with(const Line& line);
    bool disarm(const Line& line);
    bool pick(const Line& line);
    bool run(const Line& line);
    bool post(const Line& line);
    bool status(const Line& line);
    bool menu(const Line& line);
    bool documents(const Line& line);
    bool check(const Line& line);
    bool file(const Line& line);
    bool setting(const Line& line);
    bool settings(const Line& line);
    bool numbersetting(const Line& line);
    bool reload(const Line& line);
    bool event(const Line& line);
    bool addin(const Line& line);
    bool command(const Line& line);
    bool sinks(const Line& line);
    bool fail(const Line& line);
    bool log(const Line& line);
    bool exit(const Line& line);

    void complain(const std::string& text);
    // Runs the loop until the armed dialog action is settled.
    bool drive_dialog();

    struct Step {
        const char* verb;
        bool (ScriptRunner::*run)(const Line&);
    };
    static const Step kSteps[];

    HostSession& m_session;
    int m_number = 0;
    // Events raised before the previous step and before this one started.
    size_t m_eventsBeforePrevious = 0, m_eventsBeforeThis = 0;
};

}  // namespace tessaline
