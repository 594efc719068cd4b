#include "tessaline/DialogScript.h"

#include "platform/win32/Variant.h"
#include "tessaline/DialogDriver.h"
#include "tessaline/HostLog.h"

#include <charconv>

namespace tessaline {
namespace {

constexpr DWORD kMessageBoxTimeoutMs = 10000;

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

bool same_word(std::string_view a, std::string_view b) {
    return CompareStringOrdinal(win32::widen(a).c_str(), -1, win32::widen(b).c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::wstring class_of(HWND window) {
    wchar_t name[64] = {};
    int n = GetClassNameW(window, name, 64);
    return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

bool is_class(HWND window, const wchar_t* name) {
    return CompareStringOrdinal(class_of(window).c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
}

std::string quoted(HWND window) {
    std::string text(1, '"');
    text += win32::narrow(DialogDriver::window_text(window));
    text += '"';
    return text;
}

std::string control_kind(HWND control) {
    LONG style = GetWindowLongW(control, GWL_STYLE);
    if (is_class(control, L"Button")) {
        switch (style & BS_TYPEMASK) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE: return "check";
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return "option";
        case BS_GROUPBOX: return "frame";
        default: return "button";
        }
    }
    if (is_class(control, L"Edit")) return "edit";
    if (is_class(control, L"Static")) return "label";
    std::string other = win32::narrow(class_of(control));
    for (char& c : other) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return other;
}

struct MessageBoxSearch {
    HWND exclude;
    HWND found = nullptr;
};

BOOL CALLBACK message_box_window(HWND hwnd, LPARAM lparam) {
    auto& search = *reinterpret_cast<MessageBoxSearch*>(lparam);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (hwnd == search.exclude || process != GetCurrentProcessId() || !IsWindowVisible(hwnd) ||
        !is_class(hwnd, L"#32770"))
        return TRUE;
    search.found = hwnd;
    return FALSE;
}

// Its message: the text of its first label that is no icon.
std::wstring message_text(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (is_class(child, L"Static") && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            return DialogDriver::window_text(child);
    }
    return {};
}

// As the keyboard sends it: one press, then the release (previous state down, transition).
void post_key(HWND target, UINT key) {
    UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC) << 16;
    PostMessageW(target, WM_KEYDOWN, key, static_cast<LPARAM>(1u | scan));
    PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u | scan));
}

}  // namespace

std::shared_ptr<DialogScript> DialogScript::parse(HostLog& log, std::wstring title, std::string_view actions,
                                                  std::string& error) {
    auto script = std::make_shared<DialogScript>(log, std::move(title));
    while (true) {
        size_t bar = actions.find('|');
        std::string_view text = trim(actions.substr(0, bar));
        size_t space = text.find_first_of(" \t");
        std::string_view verb = text.substr(0, space);
        std::string_view argument = space == std::string_view::npos ? std::string_view() : trim(text.substr(space));
        if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"')
            argument = argument.substr(1, argument.size() - 2);
        Action action{Kind::Controls, std::string(text), win32::widen(argument)};
        bool needsArgument = true;
        if (same_word(verb, "controls")) {
            needsArgument = false;
        } else if (same_word(verb, "type")) {
            action.kind = Kind::Type;
            needsArgument = false;  // nothing: the box is emptied
        } else if (same_word(verb, "click")) {
            action.kind = Kind::Click;
        } else if (same_word(verb, "key")) {
            action.kind = Kind::Key;
            action.key = same_word(argument, "Enter")    ? VK_RETURN
                         : same_word(argument, "Escape") ? VK_ESCAPE
                         : same_word(argument, "Tab")    ? VK_TAB
                                                         : 0;
            if (!action.key) {
                error = "key takes Enter, Escape or Tab, not '" + std::string(argument) + "'";
                return nullptr;
            }
        } else if (same_word(verb, "closebox")) {
            action.kind = Kind::CloseBox;
            needsArgument = false;
        } else if (same_word(verb, "msgbox")) {
            action.kind = Kind::MsgBox;
            needsArgument = false;
        } else if (same_word(verb, "unload")) {
            action.kind = Kind::Unload;
        } else if (same_word(verb, "wait")) {
            action.kind = Kind::Wait;
            double seconds = -1;
            auto [end, ec] = std::from_chars(argument.data(), argument.data() + argument.size(), seconds);
            if (ec != std::errc() || end != argument.data() + argument.size() || !(seconds >= 0) || seconds > 3600) {
                error = "wait takes seconds, not '" + std::string(argument) + "'";
                return nullptr;
            }
            action.ms = static_cast<DWORD>(seconds * 1000 + 0.5);
        } else {
            error = "unknown dialog action '" + std::string(verb) + "'";
            return nullptr;
        }
        if (needsArgument && argument.empty()) {
            error = std::string(verb) + " needs an argument";
            return nullptr;
        }
        script->m_actions.push_back(std::move(action));
        if (bar == std::string_view::npos) break;
        actions.remove_prefix(bar + 1);
    }
    return script;
}

void DialogScript::result(const Action& action, const std::string& what) {
    m_log.line("with \"" + win32::narrow(m_title) + "\": " + action.text + " -> " + what);
}

bool DialogScript::step(HWND dialog) {
    if (!m_dialog) m_dialog = dialog;
    if (m_next >= m_actions.size()) return true;
    const Action& action = m_actions[m_next];
    DWORD now = GetTickCount();
    if (!m_waiting) {
        m_waiting = true;
        m_since = now;
    }
    Outcome outcome = run(action, now - m_since);
    if (outcome == Outcome::Waiting) return false;
    m_waiting = false;
    ++m_next;
    if (outcome == Outcome::Done) return false;
    // Left open, a modal dialog would hold up the rest of the script for good.
    m_next = m_actions.size();
    if (IsWindow(m_dialog) && IsWindowVisible(m_dialog)) PostMessageW(m_dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
}

DialogScript::Outcome DialogScript::run(const Action& action, DWORD elapsed) {
    switch (action.kind) {
    case Kind::Wait: return elapsed >= action.ms ? Outcome::Done : Outcome::Waiting;
    case Kind::MsgBox: return message_box(action, elapsed);
    case Kind::Unload:
        if (!m_unloader) return Outcome::Failed;
        result(action, m_unloader(action.argument));
        return Outcome::Done;
    default: break;
    }
    if (!IsWindow(m_dialog) || !IsWindowVisible(m_dialog)) {
        result(action, "the dialog is gone");
        return Outcome::Failed;
    }
    HWND focus = GetFocus();
    if (focus != m_dialog && !IsChild(m_dialog, focus)) focus = nullptr;
    switch (action.kind) {
    case Kind::Controls: log_controls(m_dialog, m_log); return Outcome::Done;
    case Kind::Type:
        if (!focus || !is_class(focus, L"Edit")) {
            result(action, "the focus is in no edit box, closed the dialog");
            return Outcome::Failed;
        }
        // As typed: the whole text selected, then characters through the dialog's message loop.
        SendMessageW(focus, EM_SETSEL, 0, -1);
        if (action.argument.empty()) PostMessageW(focus, WM_CHAR, VK_BACK, 1);
        for (wchar_t c : action.argument) PostMessageW(focus, WM_CHAR, c, 1);
        result(action, "typed into edit " + std::to_string(GetDlgCtrlID(focus)));
        return Outcome::Done;
    case Kind::Click: {
        HWND button = DialogDriver::find_button(m_dialog, action.argument);
        if (!button) {
            result(action, "the dialog has no such button, closed it");
            return Outcome::Failed;
        }
        if (!IsWindowEnabled(button)) {
            result(action, "button " + std::to_string(GetDlgCtrlID(button)) + " is disabled");
            return Outcome::Done;
        }
        PostMessageW(button, BM_CLICK, 0, 0);
        result(action, "clicked button " + std::to_string(GetDlgCtrlID(button)));
        return Outcome::Done;
    }
    case Kind::Key: {
        HWND target = focus ? focus : m_dialog;
        post_key(target, action.key);
        result(action, target == m_dialog ? "to the dialog"
                                          : "to " + control_kind(target) + " " + std::to_string(GetDlgCtrlID(target)));
        return Outcome::Done;
    }
    case Kind::CloseBox:
        PostMessageW(m_dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        result(action, "closed");
        return Outcome::Done;
    default: return Outcome::Done;
    }
}

DialogScript::Outcome DialogScript::message_box(const Action& action, DWORD elapsed) {
    MessageBoxSearch search{m_dialog};
    EnumWindows(message_box_window, reinterpret_cast<LPARAM>(&search));
    HWND box = search.found;
    if (!box && m_dialog && IsWindowVisible(m_dialog) && is_class(m_dialog, L"#32770")) box = m_dialog;
    if (!box) {
        if (elapsed < kMessageBoxTimeoutMs) return Outcome::Waiting;
        result(action, "timed out, no message box, closed the dialog");
        return Outcome::Failed;
    }
    m_log.line("msgbox " + quoted(box) + " \"" + win32::narrow(message_text(box)) + "\"");
    HWND ok = GetDlgItem(box, IDOK);
    if (!ok) ok = DialogDriver::find_button(box, L"OK");
    if (ok) PostMessageW(ok, BM_CLICK, 0, 0);
    else PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    return Outcome::Done;
}

void DialogScript::log_controls(HWND dialog, HostLog& log) {
    HWND focus = GetFocus();
    // Dialogs keep their controls in tab order.
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        std::string kind = control_kind(child);
        std::string line = "control " + kind + " " + quoted(child) +
                           (IsWindowEnabled(child) ? " enabled" : " disabled");
        if (kind == "check" || kind == "option")
            line += SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED ? " checked" : " unchecked";
        if (kind == "button" && (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            line += " default";
        if (child == focus) line += " focus";
        if (kind == "edit") {
            DWORD start = 0, end = 0;
            SendMessageW(child, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            line += " sel " + std::to_string(start) + " " + std::to_string(end - start);
        }
        log.line(line);
    }
    RECT client{};
    GetClientRect(dialog, &client);
    log.line("dialog " + quoted(dialog) + " " + std::to_string(client.right - client.left) + "x" +
             std::to_string(client.bottom - client.top));
}

}  // namespace tessaline
