// What the host's COM objects share: the log, the failures to inject, the
// main window, and the core objects they hand out to each other. The objects
// hold the context, not each other, so releasing the context's references at
// shutdown leaves no cycle behind.
#pragma once

#include "platform/win32/ComPtr.h"
#include "tessaline/FailureInjection.h"

#include <memory>

namespace tessaline {

class DocumentSet;
class HostAddIns;
class HostApplication;
class HostEventSource;
class HostFramework;
class HostLog;
class MainWindow;

inline constexpr wchar_t kHostProgId[] = L"Tessaline.Application";
// The application's key under Software\Morvane\Applications in the machine's
// registry, where its help file is named.
inline constexpr wchar_t kHostApplicationKey[] = L"Tessaline";

class HostContext : public std::enable_shared_from_this<HostContext> {
public:
    HostContext(std::shared_ptr<HostLog> log, FailureInjection failures);
    ~HostContext();
    HostContext(const HostContext&) = delete;
    HostContext& operator=(const HostContext&) = delete;

    HostLog& log() const noexcept { return *m_log; }
    const FailureInjection& failures() const noexcept { return m_failures; }
    // A script's fail step arms and lifts failures while the session runs.
    FailureInjection& failures() noexcept { return m_failures; }

    // The main window; null before it exists and after shutdown.
    MainWindow* window() const noexcept { return m_window; }
    void set_window(MainWindow* window) noexcept { m_window = window; }

    // /byref: events raised with their arguments by reference, and members
    // that declare a by-reference parameter refuse a value.
    bool by_reference() const noexcept { return m_byReference; }
    void set_by_reference(bool value) noexcept { m_byReference = value; }
    // /renumber: the application events under their second numbering.
    bool renumbered() const noexcept { return m_renumbered; }
    void set_renumbered(bool value) noexcept { m_renumbered = value; }

    bool interactive() const noexcept { return m_interactive; }
    void set_interactive(bool value) noexcept { m_interactive = value; }

    // Empty after release_objects().
    win32::com_ptr<HostApplication> application() const noexcept;
    win32::com_ptr<HostFramework> framework() const noexcept;
    win32::com_ptr<HostEventSource> events() const noexcept;
    win32::com_ptr<HostAddIns> add_ins() const noexcept;

    // The open drawings; null after release_objects().
    DocumentSet* documents() const noexcept { return m_documents.get(); }

    void set_objects(win32::com_ptr<HostApplication> application, win32::com_ptr<HostFramework> framework,
                     win32::com_ptr<HostEventSource> events, win32::com_ptr<HostAddIns> addIns) noexcept;
    void release_objects() noexcept;

private:
    std::shared_ptr<HostLog> m_log;
    FailureInjection m_failures;
    MainWindow* m_window = nullptr;
    bool m_byReference = false;
    bool m_renumbered = false;
    bool m_interactive = true;
    win32::com_ptr<HostApplication> m_application;
    win32::com_ptr<HostFramework> m_framework;
    win32::com_ptr<HostEventSource> m_events;
    win32::com_ptr<HostAddIns> m_addIns;
    std::unique_ptr<DocumentSet> m_documents;
};

}  // namespace tessaline
