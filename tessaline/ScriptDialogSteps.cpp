// The script steps the user takes on dialogs and menus, and those that read
// the window: click, answer, with, disarm, closebox, pick, run, post, status,
// menu and check.
#include "tessaline/ScriptRunner.h"

#include "platform/win32/Variant.h"
#include "tessaline/DialogScript.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostSession.h"
#include "tessaline/MenuText.h"

#include <string>

namespace tessaline {
namespace {

std::string menu_state(HMENU menu, UINT id) {
    UINT state = GetMenuState(menu, id, MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1)) return "no such item";
    return (state & MF_CHECKED) ? "checked" : "unchecked";
}

}  // namespace

bool ScriptRunner::drive_dialog() {
    auto result = m_session.run_until([this] { return m_session.dialogs().state() != DialogDriver::State::Pending; },
                                      INFINITE);
    return result != HostSession::RunResult::Quit;
}

bool ScriptRunner::click(const Line& line) {
    DWORD ms = 10000;
    if (line.size() < 3 || line.size() > 4 || (line.size() == 4 && !to_milliseconds(line[3], ms))) {
        complain("usage: click <dialog title> <button caption> [<seconds>]");
        return true;
    }
    m_session.dialogs().arm(DialogDriver::Action::Click, win32::widen(line[1]), win32::widen(line[2]), ms);
    return drive_dialog();
}

bool ScriptRunner::answer(const Line& line) {
    if (line.size() < 3) {
        complain("usage: answer <dialog title> <button caption or closebox>...");
        return true;
    }
    // Every answer is queued before the loop runs: the dialogs may come one
    // after another inside a single call of an add-in.
    for (size_t i = 2; i < line.size(); ++i) {
        bool close = line[i] == "closebox";
        m_session.dialogs().arm(close ? DialogDriver::Action::Close : DialogDriver::Action::Click,
                                win32::widen(line[1]), close ? std::wstring() : win32::widen(line[i]), 30000);
    }
    return drive_dialog();
}

bool ScriptRunner::with(const Line& line) {
    // The title ends at the first colon, unless it is quoted; the rest is
    // taken from where the title's word starts, after an opening quote.
    std::string_view rest = line.rest(1), title = line.size() > 1 ? line[1] : std::string_view();
    bool quoted = rest.size() > title.size() && rest[title.size()] == '"';
    size_t colon = rest.find(':', quoted ? title.size() + 1 : 0);
    if (!quoted) {
        title = rest.substr(0, colon);
        while (!title.empty() && is_space(title.back())) title.remove_suffix(1);
    }
    if (colon == std::string_view::npos || title.empty()) {
        complain("usage: with <dialog title>: <action> | <action> | ...");
        return true;
    }
    std::string error;
    auto script = DialogScript::parse(m_session.log(), win32::widen(title), rest.substr(colon + 1), error);
    if (!script) {
        complain(error);
        return true;
    }
    script->set_unloader([&session = m_session](const std::wstring& progId) { return session.unload_add_in(progId); });
    // The dialog shows later, from a step that runs the message loop.
    m_session.dialogs().arm(std::move(script), 30000);
    return true;
}

bool ScriptRunner::disarm(const Line&) {
    bool armed = m_session.dialogs().state() == DialogDriver::State::Pending;
    m_session.dialogs().disarm();
    m_session.log().line(std::string("disarm -> ") + (armed ? "dropped" : "nothing armed"));
    return true;
}

bool ScriptRunner::closebox(const Line& line) {
    DWORD ms = 10000;
    if (line.size() < 2 || line.size() > 3 || (line.size() == 3 && !to_milliseconds(line[2], ms))) {
        complain("usage: closebox <dialog title> [<seconds>]");
        return true;
    }
    m_session.dialogs().arm(DialogDriver::Action::Close, win32::widen(line[1]), std::wstring(), ms);
    return drive_dialog();
}

bool ScriptRunner::pick(const Line& line) {
    HMENU bar = m_session.window().menu_bar();
    HMENU menu = nullptr;
    int position = -1;
    if (line.size() < 2 || !bar) {
        complain("usage: pick <menu item caption>");
        return true;
    }
    std::wstring caption = win32::widen(line.tail(1));
    if (!menu_text::find_shown(bar, caption, menu, position)) {
        complain("no menu item \"" + std::string(line.tail(1)) + "\"");
        return true;
    }
    int top = menu_text::position_of_submenu(bar, menu);
    std::string menuName = top >= 0 ? win32::narrow(menu_text::plain(menu_text::caption_at(bar, top))) : "";
    std::string what = "pick \"" + menuName + "\" \"" +
                       win32::narrow(menu_text::plain(menu_text::caption_at(menu, position))) + "\" -> ";
    // A user cannot pick a greyed item.
    if (GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) {
        m_session.log().line(what + "disabled");
        return true;
    }
    m_session.log().line(what + "command " + std::to_string(GetMenuItemID(menu, position)));
    // What the menu sends when the user picks the item: its position in its menu.
    SendMessageW(m_session.window().hwnd(), WM_MENUCOMMAND, static_cast<WPARAM>(position),
                 reinterpret_cast<LPARAM>(menu));
    return !m_session.quit_requested();
}

bool ScriptRunner::run(const Line& line) {
    if (line.size() != 2) {
        complain("usage: run <ProgID>");
        return true;
    }
    // Like a toolbar button bound to the class: a command id of its own.
    std::wstring progId = win32::widen(line[1]);
    UINT command = m_session.window().bind_command(progId);
    m_session.log().line("run " + std::string(line[1]) + " -> command " + std::to_string(command));
    m_session.run_command(command, CommandSource::Sent);
    m_session.window().unbind_command(command);
    return !m_session.quit_requested();
}

bool ScriptRunner::post(const Line& line) {
    UINT id = 0;
    if (line.size() != 2 || !to_number(line[1], id)) {
        complain("usage: post <id>");
        return true;
    }
    // As an add-in posts a command: it runs once the message loop gets to it.
    PostMessageW(m_session.window().hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return true;
}

bool ScriptRunner::status(const Line&) {
    m_session.log().line("status \"" + win32::narrow(m_session.window().status()) + "\"");
    return true;
}

bool ScriptRunner::menu(const Line&) {
    HMENU bar = m_session.window().menu_bar();
    int menus = bar ? GetMenuItemCount(bar) : 0;
    for (int m = 0; m < menus; ++m) {
        m_session.log().line("menu \"" + win32::narrow(menu_text::plain(menu_text::caption_at(bar, m))) + "\"");
        HMENU popup = GetSubMenu(bar, m);
        int items = popup ? GetMenuItemCount(popup) : 0;
        for (int i = 0; i < items; ++i) {
            UINT id = GetMenuItemID(popup, i);
            m_session.log().line("  " + std::to_string(id) + " \"" +
                                 win32::narrow(menu_text::plain(menu_text::caption_at(popup, i))) + "\" " +
                                 menu_state(popup, id));
        }
    }
    return true;
}

bool ScriptRunner::check(const Line& line) {
    HMENU bar = m_session.window().menu_bar();
    if (line.size() < 2 || !bar) {
        complain("usage: check <command id or menu caption>");
        return true;
    }
    std::string_view what = line.tail(1);
    UINT id = 0;
    if (!to_number(what, id)) id = menu_text::command_named(bar, win32::widen(what));
    m_session.log().line("check " + std::string(what) + " -> " + (id ? menu_state(bar, id) : "no such item"));
    return true;
}

}  // namespace tessaline
