#include "tessaline/HostSession.h"

#include "platform/win32/ComObject.h"
#include "platform/win32/Variant.h"
#include "tessaline/AddInRegistry.h"
#include "tessaline/CallArgs.h"
#include "tessaline/DocumentSet.h"
#include "tessaline/HostDocument.h"
#include "tessaline/HostAddInEntry.h"
#include "tessaline/HostAddIns.h"
#include "tessaline/HostApplication.h"
#include "tessaline/HostCommand.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/HostFramework.h"
#include "tessaline/HostLog.h"
#include "tessaline/LateBound.h"
#include "tessaline/MenuCaptions.h"
#include "tessaline/MenuText.h"

#include "ApplicationLocator.h"

#include <algorithm>

namespace tessaline {
namespace {

// Posted to the main window when a running command's control reports Done:
// the add-in is still inside its own code then, so the command ends once
// the message loop gets to it.
constexpr UINT kCmdEndRunningCommand = 32799;

struct ForwardSearch {
    HWND main;
    HWND found;
};

// The first visible, enabled top-level window of the thread besides the main
// window, which a running command's modal dialog disabled.
BOOL CALLBACK find_command_window(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ForwardSearch*>(param);
    if (window == search->main || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HostSession::HostSession(std::shared_ptr<HostLog> log, SessionOptions options)
    : m_log(std::move(log)), m_options(std::move(options)) {}

HostSession::~HostSession() {
    try {
        shutdown();
    } catch (...) {
        // Nothing more can be done for the add-ins here.
    }
}

bool HostSession::start() {
    m_context = std::make_shared<HostContext>(m_log, m_options.failures);
    m_context->set_by_reference(m_options.byReference);
    m_context->set_renumbered(m_options.renumbered);
    wchar_t buffer[16] = {};
    std::wstring_view language = m_options.language.empty() ? user_ui_language(buffer) : m_options.language;
    if (!m_window.create(m_options.showWindow, language)) {
        m_log->line("cannot create the main window -> " + HostLog::hex(HRESULT_FROM_WIN32(GetLastError())));
        return false;
    }
    m_log->line("menu language " + win32::narrow(m_window.language().abbreviation));
    m_context->set_window(&m_window);
    m_dialogs = std::make_unique<DialogDriver>(*m_log, m_window);
    auto application = HostApplication::create(m_context);
    auto framework = HostFramework::create(m_context);
    auto events = HostEventSource::create(m_context);
    auto addIns = HostAddIns::create(m_context);
    if (!application || !framework || !events || !addIns) throw std::bad_alloc();
    m_context->set_objects(std::move(application), std::move(framework), std::move(events), std::move(addIns));
    m_started = true;
    publish_application(static_cast<IDispatch*>(m_context->framework().get()));

    m_window.set_command_handler([this](UINT command, CommandSource source) { run_command(command, source); });
    m_window.set_tick_handler([this] { m_dialogs->tick(); });
    m_window.start_idle_timer();

    for (const auto& [name, value] : m_options.settings) {
        HRESULT hr = AddInRegistry::write_setting(name, value);
        m_log->line("setting " + win32::narrow(name) + " = " + win32::narrow(value) + " -> " + HostLog::hex(hr));
    }

    std::vector<std::wstring> progIds;
    if (m_options.loadRegistered) progIds = AddInRegistry::startup_add_ins();
    progIds.insert(progIds.end(), m_options.extraAddIns.begin(), m_options.extraAddIns.end());
    for (const auto& progId : progIds) load_add_in(progId);
    return true;
}

win32::com_ptr<HostAddInEntry> HostSession::load_add_in(const std::wstring& progId) {
    auto addIns = m_context->add_ins();
    if (!addIns) return {};
    auto entry = addIns->add(progId);
    if (!entry) {
        m_log->line("add-in " + win32::narrow(progId) + " not loaded");
        return {};
    }
    entry->call(L"InitializeApplication");
    entry->Load();
    entry->LoadUI();
    return entry;
}

void HostSession::raise_idle() {
    ++m_idleCount;
    auto events = m_context->events();
    auto application = m_context->application();
    if (!events || !application) return;
    CallArgs args;
    args.object(static_cast<IDispatch*>(application.get()));
    events->fire(kEventInIdle, args);
}

bool HostSession::run_idle(unsigned count) {
    unsigned long target = m_idleCount + count;
    return run_until([&] { return m_idleCount >= target; }, INFINITE) == RunResult::Met;
}

bool HostSession::run_idle_busy(unsigned count) {
    if (!m_started || m_quit) return false;
    auto drain = [this] {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                m_quit = true;
                return false;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return true;
    };
    for (unsigned i = 0; i < count; ++i) {
        if (!drain()) return false;
        if (!m_inIdle) {
            m_inIdle = true;
            raise_idle();
            m_inIdle = false;
        }
        if (m_quit) return false;
    }
    return drain();
}

HostSession::RunResult HostSession::run_until(const std::function<bool()>& done, DWORD timeoutMs) {
    if (!m_started || m_quit) return RunResult::Quit;
    DWORD started = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                m_quit = true;
                return RunResult::Quit;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return RunResult::Met;
        // A sink running its own message loop must not see idle time raised again underneath it.
        if (!m_inIdle) {
            m_inIdle = true;
            raise_idle();
            m_inIdle = false;
        }
        if (m_quit) return RunResult::Quit;
        if (done()) return RunResult::Met;
        DWORD wait = INFINITE;
        if (timeoutMs != INFINITE) {
            DWORD elapsed = GetTickCount() - started;
            if (elapsed >= timeoutMs) return RunResult::TimedOut;
            wait = timeoutMs - elapsed;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    }
}

void HostSession::run_until_quit() {
    while (run_idle(1000)) {}
}

void HostSession::run_command(UINT command, CommandSource source) {
    switch (command) {
    case kCmdFileExit: PostMessageW(m_window.hwnd(), WM_CLOSE, 0, 0); return;
    case kCmdFileSave: file_save(source); return;
    case kCmdToolsRedraw: InvalidateRect(m_window.hwnd(), nullptr, TRUE); return;
    case kCmdHelpAbout:
        MessageBoxW(m_window.hwnd(), L"Tessaline reference host", m_window.language().aboutTitle,
                    MB_OK | MB_ICONINFORMATION);
        return;
    case kCmdEndRunningCommand: end_running_command(); return;
    default: break;
    }
    std::wstring progId = m_window.bound_prog_id(command);
    if (!progId.empty()) run_add_in_command(command, progId);
}

void HostSession::file_save(CommandSource source) {
    m_log->line("command " + std::to_string(kCmdFileSave) + " from " + source_name(source));
    DocumentSet* documents = m_context ? m_context->documents() : nullptr;
    auto doc = documents ? documents->active() : nullptr;
    std::wstring message;
    if (doc && SUCCEEDED(documents->save(*doc.get(), message))) return;
    if (!doc) m_log->line("save -> no active drawing");
    auto events = m_context ? m_context->events() : nullptr;
    if (!events) return;
    CallArgs args;
    args.integer(static_cast<long>(kCmdFileSave));
    events->raise(kEventCommandAborted, args, std::to_wstring(kCmdFileSave));
}

std::string HostSession::unload_add_in(const std::wstring& progId) {
    auto addIns = m_context ? m_context->add_ins() : nullptr;
    auto entry = addIns ? addIns->find(progId) : nullptr;
    if (!entry) return "not loaded";
    if (entry->needs_ui_uninitialize()) entry->call(L"UIUnInitialize");
    if (entry->needs_uninstall()) entry->call(L"UnInstall");
    m_unloaded.push_back(entry->prog_id());
    addIns->remove(*entry.get());
    return "unloaded";
}

void HostSession::reload_add_ins() {
    auto addIns = m_context ? m_context->add_ins() : nullptr;
    if (!addIns) return;
    auto entries = addIns->entries();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if ((*it)->needs_ui_uninitialize()) (*it)->call(L"UIUnInitialize", false);
        if ((*it)->needs_uninstall()) (*it)->call(L"UnInstall");
    }
    for (auto& entry : entries) {
        if (SUCCEEDED(entry->Load())) entry->LoadUI();
    }
}

void HostSession::run_add_in_command(UINT command, const std::wstring& progId) {
    // Picked again while its dialog is up: no second, nested instance.
    if (std::find(m_starting.begin(), m_starting.end(), command) != m_starting.end()) {
        bring_forward(command);
        return;
    }
    // One command at a time: a new one ends the one still running.
    end_running_command();
    std::string what = win32::narrow(progId) + ".Command_Initialize";
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
    win32::com_ptr<IDispatch> handler;
    if (SUCCEEDED(hr)) hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, handler.put_void());
    if (FAILED(hr)) {
        m_log->line("command " + std::to_string(command) + ": cannot create " + win32::narrow(progId) + " -> " +
                    HostLog::hex(hr));
        return;
    }
    std::wstring caption;
    if (HMENU bar = m_window.menu_bar()) {
        wchar_t text[256] = {};
        if (GetMenuStringW(bar, command, text, 256, MF_BYCOMMAND) > 0) caption = menu_text::plain(text);
    }
    auto cmd = HostCommand::create(m_context, command, caption);
    if (!cmd) throw std::bad_alloc();
    CallArgs args;
    args.object_ref(static_cast<IDispatch*>(cmd.get()));
    std::string error;
    hr = late_bound::invoke(handler.get(), L"Command_Initialize", DISPATCH_METHOD, args, nullptr, &error);
    m_log->call(what, hr, error);

    std::string help = win32::narrow(progId) + ".HelpFileName";
    win32::unique_variant helpFile;
    error.clear();
    hr = late_bound::get(handler.get(), L"HelpFileName", helpFile.get(), &error);
    if (SUCCEEDED(hr)) m_log->line(help + " = " + late_bound::to_text(*helpFile.get()));
    else m_log->line(help + " failed -> " + HostLog::hex(hr) + (error.empty() ? "" : " (" + error + ")"));

    RunningCommand running{std::move(handler), cmd};
    if (cmd->has_control() && !cmd->done()) {
        std::string prefix = "command " + std::to_string(command) + " ";
        m_log->line(prefix + "Initialize");
        // The add-in's dialog is usually modal inside this event.
        m_starting.push_back(command);
        hr = cmd->start();
        m_starting.pop_back();
        if (FAILED(hr)) m_log->line(prefix + "Initialize -> " + HostLog::hex(hr));
        if (cmd->has_control() && !cmd->done()) {
            m_log->line(prefix + "running");
            HWND window = m_window.hwnd();
            cmd->set_done_handler(
                [window] { PostMessageW(window, WM_COMMAND, MAKEWPARAM(kCmdEndRunningCommand, 0), 0); });
            m_running = std::move(running);
            return;
        }
    }
    end_command(std::move(running));
}

void HostSession::bring_forward(UINT command) {
    ForwardSearch search{m_window.hwnd(), nullptr};
    EnumThreadWindows(GetCurrentThreadId(), find_command_window, reinterpret_cast<LPARAM>(&search));
    if (search.found) SetForegroundWindow(search.found);
    m_log->line("command " + std::to_string(command) + " already running -> " +
                (search.found ? "brought forward" : "no window"));
}

void HostSession::end_command(RunningCommand running) {
    std::string prefix = "command " + std::to_string(running.command->id()) + " ";
    if (running.command->has_control()) m_log->line(prefix + "Terminate");
    HRESULT hr = running.command->finish();
    if (FAILED(hr)) m_log->line(prefix + "Terminate -> " + HostLog::hex(hr));
    running.handler.reset();
    running.command.reset();
    m_log->line(prefix + "ended");
}

void HostSession::end_running_command() {
    if (!m_running.command) return;
    RunningCommand running = std::move(m_running);
    m_running = {};
    end_command(std::move(running));
}

void HostSession::publish_application(IDispatch* framework) {
    win32::com_ptr<IApplicationLocatorHost> locator;
    HRESULT hr = CoCreateInstance(CLSID_ApplicationLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IApplicationLocatorHost,
                                  locator.put_void());
    if (SUCCEEDED(hr)) hr = locator->SetActiveApplication(framework);
    m_log->line(std::string("application locator ") + (framework ? "set" : "cleared") + " -> " + HostLog::hex(hr));
}

void HostSession::report_unload(const std::vector<std::wstring>& progIds) {
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    for (const auto& progId : progIds) {
        std::string prefix = "DllCanUnloadNow " + win32::narrow(progId) + ": ";
        std::wstring path = AddInRegistry::server_path(progId);
        HMODULE module = path.empty() ? nullptr : GetModuleHandleW(path.c_str());
        if (!module) {
            m_log->line(prefix + (path.empty() ? "no in-process server registered" : "module not loaded"));
            continue;
        }
        FARPROC proc = GetProcAddress(module, "DllCanUnloadNow");
        if (!proc) {
            m_log->line(prefix + "not exported");
            continue;
        }
        HRESULT hr = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(proc))();
        m_log->line(prefix + (hr == S_OK ? std::string("S_OK") : HostLog::hex(hr)));
    }
}

void HostSession::shutdown() {
    if (!m_started) return;
    m_started = false;
    m_window.stop_idle_timer();
    if (m_dialogs) m_dialogs->disarm();
    end_running_command();

    // Those unloaded during the run are asked too.
    std::vector<std::wstring> progIds = m_unloaded;
    if (auto addIns = m_context->add_ins()) {
        // Last loaded, first unloaded.
        auto entries = addIns->entries();
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            auto& entry = *it;
            progIds.insert(progIds.begin() + static_cast<std::ptrdiff_t>(m_unloaded.size()), entry->prog_id());
            if (entry->needs_ui_uninitialize()) entry->call(L"UIUnInitialize");
            if (entry->needs_uninstall()) entry->call(L"UnInstall");
        }
        addIns->clear();
    }
    if (auto events = m_context->events()) {
        size_t left = events->disconnect_all();
        if (left) m_log->line("event sinks still connected at exit: " + std::to_string(left));
    }
    publish_application(nullptr);
    m_context->set_window(nullptr);
    m_context->release_objects();
    m_context.reset();
    m_log->line("host objects alive: " + std::to_string(win32::ModuleCount::value()));
    report_unload(progIds);
    m_window.destroy();
}

}  // namespace tessaline
