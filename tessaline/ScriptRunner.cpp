#include "tessaline/ScriptRunner.h"

#include "platform/win32/Variant.h"
#include "tessaline/CallArgs.h"
#include "tessaline/HostAddInEntry.h"
#include "tessaline/HostAddIns.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostSession.h"
#include "tessaline/LateBound.h"

#include <charconv>
#include <cstdio>
#include <memory>

namespace tessaline {
namespace {

bool same_word(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

template <typename Number>
bool to_number(std::string_view text, Number& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

const ScriptRunner::Step ScriptRunner::kSteps[] = {
    {"idle", &ScriptRunner::idle},       {"event", &ScriptRunner::event}, {"addin", &ScriptRunner::addin},
    {"command", &ScriptRunner::command}, {"sinks", &ScriptRunner::sinks}, {"log", &ScriptRunner::log},
    {"exit", &ScriptRunner::exit},
};

ScriptRunner::Line::Line(std::string_view text) : m_text(text) {
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && is_space(text[i])) ++i;
        size_t start = i;
        while (i < text.size() && !is_space(text[i])) ++i;
        if (i > start) m_words.push_back(text.substr(start, i - start));
    }
}

std::string_view ScriptRunner::Line::rest(size_t i) const noexcept {
    if (i >= m_words.size()) return {};
    std::string_view tail = m_text.substr(static_cast<size_t>(m_words[i].data() - m_text.data()));
    while (!tail.empty() && is_space(tail.back())) tail.remove_suffix(1);
    return tail;
}

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
        if (SUCCEEDED(hr))
            m_session.log().line(what + " = " + late_bound::to_text(*value.get()));
        else
            m_session.log().line(what + " failed -> " + HostLog::hex(hr) + (error.empty() ? "" : " (" + error + ")"));
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

bool ScriptRunner::log(const Line& line) {
    m_session.log().line(std::string(line.rest(1)));
    return true;
}

bool ScriptRunner::exit(const Line&) { return false; }

}  // namespace tessaline
