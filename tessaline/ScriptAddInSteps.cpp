// The script steps on the add-ins: setting, settings, numbersetting, reload,
// event, addin, command, sinks and fail.
#include "tessaline/ScriptRunner.h"

#include "platform/win32/Variant.h"
#include "tessaline/AddInRegistry.h"
#include "tessaline/CallArgs.h"
#include "tessaline/HostAddInEntry.h"
#include "tessaline/HostAddIns.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostSession.h"
#include "tessaline/LateBound.h"

#include <cstdlib>
#include <string>

namespace tessaline {

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
        // Appended rather than "<" + text, whose copy to the front GCC 12
        // reports as overlapping (-Wrestrict).
        std::string shown;
        if (status == ERROR_SUCCESS) shown = win32::narrow(value);
        else if (status == ERROR_FILE_NOT_FOUND) shown = "<missing>";
        else shown.append("<").append(HostLog::hex(HRESULT_FROM_WIN32(status))).append(">");
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

}  // namespace tessaline
