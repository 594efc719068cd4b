// The script steps on drawings: open, new, modify, activate, close, save,
// saveas, readonly, documents and file.
#include "tessaline/ScriptRunner.h"

#include "platform/win32/Variant.h"
#include "tessaline/DocumentSet.h"
#include "tessaline/Drawing.h"
#include "tessaline/HostDocument.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostSession.h"
#include "tessaline/MenuCaptions.h"

#include <cstdio>
#include <string>

namespace tessaline {
namespace {

// The named drawing, or the active one when the line names none.
win32::com_ptr<HostDocument> target(DocumentSet* set, const ScriptRunner::Line& line, size_t word) {
    if (!set) return {};
    if (line.size() <= word) return set->active();
    return set->find(win32::widen(line.tail(word)));
}

const char* yes_no(bool value) { return value ? "True" : "False"; }

std::string hex32(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08X", static_cast<unsigned>(value));
    return buffer;
}

}  // namespace

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

}  // namespace tessaline
