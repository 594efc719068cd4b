#include "tessaline/HostContext.h"

#include "tessaline/DocumentSet.h"
#include "tessaline/HostAddIns.h"
#include "tessaline/HostApplication.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/HostFramework.h"
#include "tessaline/HostLog.h"

namespace tessaline {

HostContext::HostContext(std::shared_ptr<HostLog> log, FailureInjection failures)
    : m_log(std::move(log)), m_failures(std::move(failures)), m_documents(std::make_unique<DocumentSet>(*this)) {}

HostContext::~HostContext() = default;

win32::com_ptr<HostApplication> HostContext::application() const noexcept { return m_application; }
win32::com_ptr<HostFramework> HostContext::framework() const noexcept { return m_framework; }
win32::com_ptr<HostEventSource> HostContext::events() const noexcept { return m_events; }
win32::com_ptr<HostAddIns> HostContext::add_ins() const noexcept { return m_addIns; }

void HostContext::set_objects(win32::com_ptr<HostApplication> application, win32::com_ptr<HostFramework> framework,
                              win32::com_ptr<HostEventSource> events, win32::com_ptr<HostAddIns> addIns) noexcept {
    m_application = std::move(application);
    m_framework = std::move(framework);
    m_events = std::move(events);
    m_addIns = std::move(addIns);
}

void HostContext::release_objects() noexcept {
    // Moved out first: a release may run code that asks the context again.
    // Documents go too: they hold the context.
    auto documents = std::move(m_documents);
    if (documents) documents->release_all();
    auto application = std::move(m_application);
    auto framework = std::move(m_framework);
    auto events = std::move(m_events);
    auto addIns = std::move(m_addIns);
}

}  // namespace tessaline
