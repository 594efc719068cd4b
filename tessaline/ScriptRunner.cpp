// The step table, the reading of a script line by line, and the steps of
// time and of the log: idle, spin, process, wait, until, log and exit.
#include "tessaline/ScriptRunner.h"

#include "platform/win32/Variant.h"
#include "tessaline/DocumentSet.h"
#include "tessaline/HostDocument.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostSession.h"
#include "tessaline/ProcessFigures.h"

#include <cstdio>
#include <memory>

namespace tessaline {

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

bool ScriptRunner::log(const Line& line) {
    m_session.log().line(std::string(line.rest(1)));
    return true;
}

bool ScriptRunner::exit(const Line&) { return false; }

}  // namespace tessaline
