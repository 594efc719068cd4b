#include "tessaline/DialogDriver.h"

#include "platform/win32/Variant.h"
#include "tessaline/DialogScript.h"
#include "tessaline/HostLog.h"
#include "tessaline/MainWindow.h"
#include "tessaline/MenuText.h"

namespace tessaline {
namespace {

struct Search {
    std::wstring_view text;
    HWND found = nullptr;
};

BOOL CALLBACK top_level(HWND hwnd, LPARAM lparam) {
    auto& search = *reinterpret_cast<Search*>(lparam);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(hwnd) || DialogDriver::window_text(hwnd) != search.text)
        return TRUE;
    search.found = hwnd;
    return FALSE;
}

BOOL CALLBACK button(HWND hwnd, LPARAM lparam) {
    auto& search = *reinterpret_cast<Search*>(lparam);
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (CompareStringOrdinal(cls, -1, L"Button", -1, TRUE) != CSTR_EQUAL) return TRUE;
    if (!menu_text::names(search.text, DialogDriver::window_text(hwnd))) return TRUE;
    search.found = hwnd;
    return FALSE;
}

}  // namespace

std::wstring DialogDriver::window_text(HWND hwnd) {
    int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int n = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

HWND DialogDriver::find_dialog(std::wstring_view title) {
    Search search{title};
    EnumWindows(top_level, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND DialogDriver::find_button(HWND dialog, std::wstring_view caption) {
    Search search{caption};
    EnumChildWindows(dialog, button, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void DialogDriver::arm(Action action, std::wstring title, std::wstring caption, DWORD timeoutMs) {
    if (m_queue.empty()) m_started = GetTickCount();
    m_queue.push_back({action, std::move(title), std::move(caption), timeoutMs, nullptr});
    m_state = State::Pending;
    m_window.start_ticks();
}

void DialogDriver::arm(std::shared_ptr<DialogScript> script, DWORD timeoutMs) {
    std::wstring title = script->title();
    arm(Action::Script, std::move(title), std::wstring(), timeoutMs);
    m_queue.back().script = std::move(script);
}

void DialogDriver::disarm() noexcept {
    m_queue.clear();
    if (m_state == State::Pending) m_state = State::Idle;
    m_window.stop_ticks();
}

std::string DialogDriver::what() const {
    const Pending& p = m_queue.front();
    if (p.action == Action::Close) return "closebox \"" + win32::narrow(p.title) + "\"";
    if (p.action == Action::Script) return "with \"" + win32::narrow(p.title) + "\"";
    return "click \"" + win32::narrow(p.title) + "\" \"" + win32::narrow(p.caption) + "\"";
}

void DialogDriver::finish(State state, const std::string& result) {
    // Settled before acting: the click runs the dialog's handlers, which may
    // run message loops that deliver further ticks.
    if (!result.empty()) m_log.line(what() + " -> " + result);
    m_queue.pop_front();
    m_started = GetTickCount();
    if (state == State::TimedOut) m_queue.clear();  // the rest would wait for the same dialog
    if (m_queue.empty()) {
        m_state = state;
        m_window.stop_ticks();
    }
}

void DialogDriver::tick() {
    if (m_state != State::Pending || m_queue.empty()) return;
    const Pending current = m_queue.front();
    // A script goes on with its dialog once found; an action may close it on the way.
    HWND dialog = current.script && current.script->dialog() ? current.script->dialog() : find_dialog(current.title);
    if (!dialog) {
        if (GetTickCount() - m_started >= current.timeout) finish(State::TimedOut, "timed out, no such dialog");
        return;
    }
    if (current.action == Action::Script) {
        // Posts what it does, so nothing runs inside this call.
        if (current.script->step(dialog)) finish(State::Done, {});
        return;
    }
    if (current.action == Action::Close) {
        finish(State::Done, "closed");
        SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
    }
    HWND target = find_button(dialog, current.caption);
    if (!target) {
        // Left open, a modal dialog would hold up the rest of the script for good.
        finish(State::NoButton, "the dialog has no such button, closed it");
        SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
    }
    finish(State::Done, "clicked button " + std::to_string(GetDlgCtrlID(target)));
    SendMessageW(target, BM_CLICK, 0, 0);
}

}  // namespace tessaline
