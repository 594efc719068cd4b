#include "tessaline/ScriptRunner.h"

#include "platform/win32/Variant.h"
#include "tessaline/AddInRegistry.h"
#include "tessaline/CallArgs.h"
#include "tessaline/DocumentSet.h"
#include "tessaline/DialogScript.h"
#include "tessaline/Drawing.h"
#include "tessaline/HostDocument.h"
#include "tessaline/HostAddInEntry.h"
#include "tessaline/HostAddIns.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostSession.h"
#include "tessaline/LateBound.h"
#include "tessaline/MenuCaptions.h"
#include "tessaline/MenuText.h"
#include "tessaline/ProcessFigures.h"
#include "tessaline/ScriptLine.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace tessaline {
namespace {

const char* yes_no(bool value) { return value ? "True" : "False"; }

std::string menu_state(HMENU menu, UINT id) {
    UINT state = GetMenuState(menu, id, MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1)) return "no such item";
    return (state & MF_CHECKED) ? "checked" : "unchecked";
}

std::string hex32(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08X", static_cast<unsigned>(value));
    return buffer;
}

}  // namespace

// clang-format off
const ScriptRunner::Step ScriptRunner::kSteps[] = {
    {"idle", &ScriptRunner::idle},          {"wait", &ScriptRunner::wait},
    {"until", &ScriptRunner::until},        {"open", &ScriptRunner::open},
    {"new", &ScriptRunner::create},         {"modify", &ScriptRunner::modify},
    {"activate", &ScriptRunner::activate},  {"close", &ScriptRunner::close},
    {"save", &ScriptRunner::save},          {"saveas", &ScriptRunner::saveas},
    {"readonly", &ScriptRunner::readonly},  {"click", &ScriptRunner::click},
    {"closebox", &ScriptRunner::closebox},  {"answer", &ScriptRunner::answer},
    {"with", &ScriptRunner::with},          {"pick", &ScriptRunner::pick},
    {"run", &ScriptRunner::run},            {"post", &ScriptRunner::post},
    {"status", &ScriptRunner::status},      {"menu", &ScriptRunner::menu},
    {"documents", &ScriptRunner::documents}, {"check", &ScriptRunner::check},
    {"file", &ScriptRunner::file},          {"setting", &ScriptRunner::setting},
    {"settings", &ScriptRunner::settings},  {"numbersetting", &ScriptRunner::numbersetting},
    {"spin", &ScriptRunner::spin},          {"process", &ScriptRunner::process},
    {"reload", &ScriptRunner::reload},      {"event", &ScriptRunner::event},
    {"addin", &ScriptRunner::addin},        {"command", &ScriptRunner::command},
    {"sinks", &ScriptRunner::sinks},        {"log", &ScriptRunner::log},
    {"exit", &ScriptRunner::exit},          {"fail", &ScriptRunner::fail},
    {"disarm", &ScriptRunner::disarm},
};
// clang-format on

bool ScriptRunner::run_file(const std::wstring& path) {
    struct Closer {
        void operator()(std::FILE* f) const noexcept { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file(_wfopen(path.c_str(), L"rb"));
    if (!file) return false;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) text.append(buffer, n);
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);

    int number = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        ++number;
        if (!run_line(std::string_view(text).substr(start, end - start), number)) break;
        start = end + 1;
    }
    return true;
}

bool ScriptRunner::run_line(std::string_view text, int number) {
    m_number = number;
    text = text.substr(0, text.find('#'));
    Line line(text);
    if (line.size() == 0) return true;
    auto events = m_session.context().events();
    m_eventsBeforePrevious = m_eventsBeforeThis;
    m_eventsBeforeThis = events ? events->history().size() : 0;
    for (const auto& step : kSteps) {
        if (same_word(line[0], step.verb)) return (this->*step.run)(line);
    }
    complain("unknown step '" + std::string(line[0]) + "'");
    return true;
}

void ScriptRunner::complain(const std::string& text) {
    m_session.log().line("script line " + std::to_string(m_number) + ": " + text);
}

bool ScriptRunner::idle(const Line& line) {
    unsigned count = 0;
    if (line.size() != 2 || !to_number(line[1], count)) {
        complain("usage: idle <count>");
        return true;
    }
    return m_session.run_idle(count);
}

bool ScriptRunner::spin(const Line& line) {
    unsigned count = 0;
    if (line.size() != 2 || !to_number(line[1], count)) {
        complain("usage: spin <count>");
        return true;
    }
    if (!m_session.run_idle_busy(count)) return false;
    m_session.log().line("spin " + std::string(line[1]) + " -> " + std::to_string(m_session.idle_count()) +
                         " idle events");
    return true;
}

bool ScriptRunner::process(const Line&) {
    SIZE_T privateBytes = 0;
    if (!process_figures::private_bytes(privateBytes)) {
        m_session.log().line("process -> " + HostLog::hex(HRESULT_FROM_WIN32(GetLastError())));
        return true;
    }
    m_session.log().line("process handles=" + std::to_string(process_figures::handle_count()) +
                         " private=" + std::to_string(privateBytes));
    return true;
}

bool ScriptRunner::wait(const Line& line) {
    DWORD ms = 0;
    if (line.size() != 2 || !to_milliseconds(line[1], ms)) {
        complain("usage: wait <seconds>");
        return true;
    }
    return m_session.run_until([] { return false; }, ms) != HostSession::RunResult::Quit;
}

bool ScriptRunner::until(const Line& line) {
    DWORD ms = 30000;
    size_t words = line.size();
    if ((words >= 4 || (words == 3 && same_word(line[1], "answered"))) && to_milliseconds(line[words - 1], ms)) --words;
    std::function<bool()> condition;
    DocumentSet* set = m_session.context().documents();
    std::string_view kind = words >= 2 ? line[1] : std::string_view();
    if (words == 3 && same_word(kind, "saved")) {
        auto events = m_session.context().events();
        std::wstring name = win32::widen(line[2]);
        size_t since = m_eventsBeforePrevious;
        condition = [events, name, since] {
            if (!events) return false;
            const auto& history = events->history();
            for (size_t i = since; i < history.size(); ++i) {
                const auto& e = history[i];
                if (e.event == kEventDocumentSaved &&
                    CompareStringOrdinal(e.subject.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL)
                    return true;
            }
            return false;
        };
    } else if (words == 3 && (same_word(kind, "dialog") || same_word(kind, "nodialog"))) {
        std::wstring title = win32::widen(line[2]);
        bool shown = same_word(kind, "dialog");
        condition = [title, shown] { return (DialogDriver::find_dialog(title) != nullptr) == shown; };
    } else if (words == 2 && same_word(kind, "answered")) {
        condition = [this] { return m_session.dialogs().state() != DialogDriver::State::Pending; };
    } else if (words == 4 && same_word(kind, "modified") && (same_word(line[3], "on") || same_word(line[3], "off"))) {
        std::wstring name = win32::widen(line[2]);
        bool wanted = same_word(line[3], "on");
        condition = [set, name, wanted] {
            auto doc = set ? set->find(name) : nullptr;
            return doc && doc->modified() == wanted;
        };
    } else {
        complain(
            "usage: until saved <name> | dialog <title> | nodialog <title> | modified <name> on|off | "
            "answered [<seconds>]");
        return true;
    }
    auto result = m_session.run_until(condition, ms);
    std::string what = "until " + std::string(line.rest(1));
    if (result == HostSession::RunResult::Quit) {
        m_session.log().line(what + " -> the window was closed");
        return false;
    }
    m_session.log().line(what + (result == HostSession::RunResult::Met ? " -> met" : " -> timed out"));
    return true;
}

bool ScriptRunner::open(const Line& line) {
    DocumentSet* set = m_session.context().documents();
    if (line.size() < 2 || !set) {
        complain("usage: open <path>");
        return true;
    }
    std::wstring path = win32::widen(line.tail(1));
    bool wasOpen = static_cast<bool>(set->find(full_path(path)));
    std::string error;
    auto doc = set->open(path, error);
    if (!doc) {
        m_session.log().line("open " + win32::narrow(full_path(path)) + " -> failed: " + error);
        return true;
    }
    m_session.log().line("open " + win32::narrow(doc->name()) + " -> " + (wasOpen ? "already open" : "opened") + ", " +
                         std::to_string(doc->shapes().size()) + " shapes, active");
    return true;
}

bool ScriptRunner::create(const Line& line) {
    DocumentSet* set = m_session.context().documents();
    if (line.size() < 2 || !set) {
        complain("usage: new <path>");
        return true;
    }
    auto doc = set->create(win32::widen(line.tail(1)));
    m_session.log().line("new " + win32::narrow(doc->name()) + " -> created, modified, active");
    return true;
}

namespace {

// The named drawing, or the active one when the line names none.
win32::com_ptr<HostDocument> target(DocumentSet* set, const ScriptRunner::Line& line, size_t word) {
    if (!set) return {};
    if (line.size() <= word) return set->active();
    return set->find(win32::widen(line.tail(word)));
}

}  // namespace

bool ScriptRunner::modify(const Line& line) {
    DocumentSet* set = m_session.context().documents();
    auto doc = target(set, line, 1);
    if (!doc) {
        complain(line.size() > 1 ? "no open drawing " + std::string(line.tail(1)) : "no active drawing");
        return true;
    }
    set->modify(*doc.get());
    m_session.log().line("modify " + win32::narrow(doc->name()) + " -> " + std::to_string(doc->shapes().size()) +
                         " shapes, modified");
    return true;
}

bool ScriptRunner::activate(const Line& line) {
    DocumentSet* set = m_session.context().documents();
    auto doc = line.size() >= 2 ? target(set, line, 1) : nullptr;
    if (!doc) {
        complain("usage: activate <name of an open drawing>");
        return true;
    }
    set->activate(*doc.get());
    m_session.log().line("activate " + win32::narrow(doc->name()) + " -> active");
    return true;
}

bool ScriptRunner::close(const Line& line) {
    DocumentSet* set = m_session.context().documents();
    auto doc = target(set, line, 1);
    if (!doc) {
        complain(line.size() > 1 ? "no open drawing " + std::string(line.tail(1)) : "no active drawing");
        return true;
    }
    set->close(*doc.get());  // logs the outcome
    return true;
}

bool ScriptRunner::save(const Line& line) {
    DocumentSet* set = m_session.context().documents();
    if (line.size() > 1) {
        auto doc = target(set, line, 1);
        if (!doc) {
            complain("no open drawing " + std::string(line.tail(1)));
            return true;
        }
        if (doc != set->active()) set->activate(*doc.get());
    }
    // As the user picks File > Save.
    m_session.run_command(kCmdFileSave, CommandSource::Menu);
    return !m_session.quit_requested();
}

bool ScriptRunner::saveas(const Line& line) {
    DocumentSet* set = m_session.context().documents();
    auto doc = set ? set->active() : nullptr;
    if (line.size() < 2 || !doc) {
        complain(doc ? "usage: saveas <path>" : "no active drawing");
        return true;
    }
    std::wstring message;
    set->save_as(*doc.get(), win32::widen(line.tail(1)), message);  // logs the outcome
    return true;
}

bool ScriptRunner::readonly(const Line& line) {
    if (line.size() < 3 || !(same_word(line[line.size() - 1], "on") || same_word(line[line.size() - 1], "off"))) {
        complain("usage: readonly <name or path> on|off");
        return true;
    }
    std::string_view nameText = line.size() == 3 ? line[1] : line.rest(1).substr(0, line.rest(1).rfind(' '));
    DocumentSet* set = m_session.context().documents();
    auto doc = set ? set->find(win32::widen(nameText)) : nullptr;
    std::wstring path = doc ? doc->full_name() : full_path(win32::widen(nameText));
    bool on = same_word(line[line.size() - 1], "on");
    HRESULT hr = S_OK;
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        hr = HRESULT_FROM_WIN32(GetLastError());
    } else {
        attributes = on ? (attributes | FILE_ATTRIBUTE_READONLY) : (attributes & ~FILE_ATTRIBUTE_READONLY);
        if (!SetFileAttributesW(path.c_str(), attributes)) hr = HRESULT_FROM_WIN32(GetLastError());
    }
    m_session.log().line("readonly " + win32::narrow(doc ? doc->name() : path) + (on ? " on" : " off") + " -> " +
                         HostLog::hex(hr));
    return true;
}

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

bool ScriptRunner::closebox(const Line& line) {
    DWORD ms = 10000;
    if (line.size() < 2 || line.size() > 3 || (line.size() == 3 && !to_milliseconds(line[2], ms))) {
        complain("usage: closebox <dialog title> [<seconds>]");
        return true;
    }
    m_session.dialogs().arm(DialogDriver::Action::Close, win32::widen(line[1]), std::wstring(), ms);
    return drive_dialog();
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

bool ScriptRunner::documents(const Line&) {
    DocumentSet* set = m_session.context().documents();
    if (!set) return true;
    m_session.log().line("documents: " + std::to_string(set->list().size()));
    for (const auto& doc : set->list()) {
        m_session.log().line("document " + win32::narrow(doc->name()) + " modified=" + yes_no(doc->modified()) +
                             " active=" + yes_no(doc == set->active()) + " path=" + win32::narrow(doc->full_name()));
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

bool ScriptRunner::file(const Line& line) {
    if (line.size() < 2) {
        complain("usage: file <path>");
        return true;
    }
    std::wstring path = full_path(win32::widen(line.tail(1)));
    std::string text;
    DWORD status = drawing::read_file(path, text);
    std::string what = "file " + win32::narrow(path) + " -> ";
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) {
        m_session.log().line(what + "missing");
    } else if (status != ERROR_SUCCESS) {
        m_session.log().line(what + HostLog::hex(HRESULT_FROM_WIN32(status)));
    } else {
        uint32_t hash = 2166136261u;  // FNV-1a
        for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
        m_session.log().line(what + std::to_string(text.size()) + " bytes, fnv1a " + hex32(hash));
    }
    return true;
}

bool ScriptRunner::setting(const Line& line) {
    if (line.size() < 3) {
        complain("usage: setting <name> <value>");
        return true;
    }
    std::wstring name = win32::widen(line[1]), value = win32::widen(line.tail(2));
    HRESULT hr = AddInRegistry::write_setting(name, value);
    m_session.log().line("setting " + win32::narrow(name) + " = " + win32::narrow(value) + " -> " + HostLog::hex(hr));
    return true;
}

bool ScriptRunner::numbersetting(const Line& line) {
    if (line.size() != 3) {
        complain("usage: numbersetting <name> <number>");
        return true;
    }
    const std::string number(line[2]);
    HRESULT hr = AddInRegistry::write_number_setting(win32::widen(line[1]), std::strtoul(number.c_str(), nullptr, 10));
    m_session.log().line("numbersetting " + std::string(line[1]) + " = " + number + " -> " + HostLog::hex(hr));
    return true;
}

bool ScriptRunner::settings(const Line&) {
    for (const wchar_t* name : {L"Status", L"Documents", L"Minutes", L"Prompt", L"SaveBackup"}) {
        std::wstring value;
        LSTATUS status = AddInRegistry::read_setting(name, value);
        std::string shown = status == ERROR_SUCCESS          ? win32::narrow(value)
                            : status == ERROR_FILE_NOT_FOUND ? "<missing>"
                                                             : "<" + HostLog::hex(HRESULT_FROM_WIN32(status)) + ">";
        m_session.log().line("setting " + win32::narrow(name) + " = " + shown);
    }
    return true;
}

bool ScriptRunner::reload(const Line&) {
    m_session.log().line("reload");
    m_session.reload_add_ins();
    return true;
}

bool ScriptRunner::event(const Line& line) {
    auto events = m_session.context().events();
    if (line.size() < 2 || !events) {
        complain("usage: event <name> [arguments]");
        return true;
    }
    std::string_view name = line[1];
    CallArgs args;
    DISPID id = 0;
    size_t toBeSaved = 0, cancel = 0;
    if (same_word(name, "DocumentSaved")) {
        id = kEventDocumentSaved;
        args.object(nullptr);
    } else if (same_word(name, "DocumentSavedAs") && line.size() >= 3) {
        id = kEventDocumentSavedAs;
        args.object(nullptr);
        args.text(win32::widen(line.rest(2)));
    } else if (same_word(name, "BeforeDocumentClose")) {
        id = kEventBeforeDocumentClose;
        args.object(nullptr);
        toBeSaved = args.bool_ref(false);
        cancel = args.bool_ref(false);
    } else if (long command = 0; same_word(name, "CommandAborted") && line.size() == 3 && to_number(line[2], command)) {
        id = kEventCommandAborted;
        args.integer(command);
    } else {
        complain("unknown event or missing argument: " + std::string(line.rest(1)));
        return true;
    }
    size_t called = events->fire(id, args);
    std::string text = "event " + std::string(HostEventSource::event_name(id)) + " -> " + std::to_string(called) +
                       " sinks";
    if (id == kEventBeforeDocumentClose) {
        text += std::string(", bToBeSaved=") + (args.bool_value(toBeSaved) ? "True" : "False") +
                ", bCancel=" + (args.bool_value(cancel) ? "True" : "False");
    }
    m_session.log().line(text);
    return true;
}

bool ScriptRunner::addin(const Line& line) {
    if (line.size() < 4) {
        complain("usage: addin <ProgID> get|put|call <member> [text]");
        return true;
    }
    auto addIns = m_session.context().add_ins();
    auto entry = addIns ? addIns->find(win32::widen(line[1])) : nullptr;
    if (!entry) {
        complain("add-in " + std::string(line[1]) + " is not loaded");
        return true;
    }
    std::string_view verb = line[2];
    std::wstring member = win32::widen(line[3]);
    std::string what = win32::narrow(entry->prog_id()) + "." + std::string(line[3]);
    win32::com_ptr<IDispatch> target(entry->object());
    std::string error;
    if (same_word(verb, "get")) {
        win32::unique_variant value;
        HRESULT hr = late_bound::get(target.get(), member, value.get(), &error);
        if (SUCCEEDED(hr)) m_session.log().line(what + " = " + late_bound::to_text(*value.get()));
        else m_session.log().line(what + " failed -> " + HostLog::hex(hr) + (error.empty() ? "" : " (" + error + ")"));
    } else if (same_word(verb, "put")) {
        HRESULT hr = late_bound::put(target.get(), member, win32::widen(line.rest(4)), &error);
        m_session.log().line("put " + what + " -> " + HostLog::hex(hr) + (error.empty() ? "" : " (" + error + ")"));
    } else if (same_word(verb, "call")) {
        entry->call(member);
    } else {
        complain("unknown add-in action '" + std::string(verb) + "'");
    }
    return true;
}

bool ScriptRunner::command(const Line& line) {
    UINT id = 0;
    if (line.size() != 2 || !to_number(line[1], id)) {
        complain("usage: command <id>");
        return true;
    }
    // Through the window procedure, as a menu pick arrives.
    SendMessageW(m_session.window().hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return !m_session.quit_requested();
}

bool ScriptRunner::sinks(const Line&) {
    auto events = m_session.context().events();
    m_session.log().line("sinks: " + std::to_string(events ? events->sink_count() : 0));
    return true;
}

bool ScriptRunner::fail(const Line& line) {
    bool lift = line.size() == 3 && same_word(line[2], "off");
    if (line.size() != 2 && !lift) {
        complain("usage: fail <Member> [off]");
        return true;
    }
    std::wstring member = win32::widen(line[1]);
    FailureInjection& failures = m_session.context().failures();
    std::string result = "armed";
    if (lift) result = failures.remove(member) ? "lifted" : "not armed";
    else failures.add(member);
    m_session.log().line("fail " + std::string(line[1]) + " -> " + result);
    return true;
}

bool ScriptRunner::log(const Line& line) {
    m_session.log().line(std::string(line.rest(1)));
    return true;
}

bool ScriptRunner::exit(const Line&) { return false; }

}  // namespace tessaline
