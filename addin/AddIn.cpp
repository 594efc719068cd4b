#include "addin/AddIn.h"

#include "addin/MRegistry.h"
#include "addin/StringIds.h"
#include "addin/NumericText.h"
#include "host/HostModel.h"

#include <cmath>
#include <limits>

namespace autosave {
namespace {

// The object reference `value` seen through interface iid; Nothing stays Nothing.
ObjectPtr asInterface(const ObjectPtr& object, const Guid& iid) { return object ? object->query(iid) : nullptr; }

}  // namespace

CAddIn::CAddIn(ModuleState& module, std::function<std::shared_ptr<void>()> keepAlive)
    : m_module(module), m_keepAlive(std::move(keepAlive)) {
    guarded(m_module.errors, "CAddIn:Class_Initialize()", [&] {
        m_bIsInstalled = false;
        // The first idle event brings the menu check mark in line with Status.
        m_module.g_bUpdateMenuCheck = true;
    });
}

// Frees only this object's own load of the resource library; the handle in
// g_hResourceLib keeps its value.
CAddIn::~CAddIn() = default;

void CAddIn::InitializeApplication(const ObjectPtr& application) {
    guarded(m_module.errors, "CAddIn:InitializeApplication()", [&] {
        if (ObjectPtr locator = m_module.services.components.createObject(host::CLSID_ResourceLibraryLocator,
                                                                          host::IID_ResourceLibraryLocator)) {
            locator->put("Folder", m_module.services.components.componentFolder());
            locator->put("BaseName", std::string("vokAutoSave_"));
            std::string fileName = toText(locator->get("FileName"));
            m_resourceLibrary = ResourceLibraryLoad(m_module, fileName);
            m_module.g_hResourceLib = m_resourceLibrary.handle();
            if (!m_module.g_hResourceLib)
                m_module.errors.report("CAddIn:InitializeApplication()--Failed to Load vokAutoSave_<>.dll Resource Lib",
                                       ErrorInfo{});
        }
        m_strName = GetResourceString(m_module, m_module.g_hResourceLib, IDS_NAME);
        m_strDescription = GetResourceString(m_module, m_module.g_hResourceLib, IDS_DESCRIPTION);
        // Root and key are set together, once the key is complete: until
        // then reads give the defaults and writes fail with their reports.
        ObjectPtr framework = getObject(application, "orvapplication");
        m_strRegKey = "SOFTWARE\\Morvane\\Applications\\" + toPathText(deref(framework).get("ProgId")) +
                      "\\PrefSets\\AddIns\\AutoSave";
        m_hRegRoot = RegistryRoot::CurrentUser;
    });
}

bool CAddIn::get_Hidden() {
    return guardedResult(m_module.errors, "CAddIn:Get Hidden()", [] { return false; });
}

std::string CAddIn::get_name() {
    return guardedResult(m_module.errors, "CAddIn:Get name()", [&] { return m_strName; });
}

void CAddIn::put_name(const std::string& value) {
    guarded(m_module.errors, "CAddIn:Let name()", [&] { m_strName = value; });
}

std::string CAddIn::get_description() {
    return guardedResult(m_module.errors, "CAddIn:Get description()", [&] { return m_strDescription; });
}

void CAddIn::put_description(const std::string& value) {
    guarded(m_module.errors, "CAddIn:Let description()", [&] { m_strDescription = value; });
}

bool CAddIn::get_IsInstalled() {
    return guardedResult(m_module.errors, "CAddIn:Get IsInstalled()", [&] { return m_bIsInstalled; });
}

void CAddIn::put_IsInstalled(bool value) {
    guarded(m_module.errors, "CAddIn:Let IsInstalled()", [&] { m_bIsInstalled = value; });
}

void CAddIn::Install(const ObjectPtr& app, const ObjectPtr& doc) {
    guarded(m_module.errors, "CAddIn:Install()", [&] {
        m_bIsInstalled = true;
        m_module.g_Application = asInterface(getObject(app, "orvapplication"), host::IID_FrameworkApplication);
        m_module.g_CurrentDocument = asInterface(doc, host::IID_Document);
        setApplicationEvents(
            asInterface(getObject(m_module.g_Application, "EventSource"), host::IID_ApplicationEventSource));

        // Each setting is read and put back, so all five are stored after
        // Install; one already stored as it reads is not written again.
        LoadSettings();

        m_sngNextSave = dueTimeFromNow(m_strMinutes);
        m_dtLastCheck = m_module.services.clock.today();
    });
}

void CAddIn::UIInitialize(const ObjectPtr&, const ObjectPtr&) {
    guarded(m_module.errors, "CAddIn:UIInitialize()",
            [&] { CreateMenuEntry(GetResourceString(m_module, m_module.g_hResourceLib, IDS_MENU_NAME)); });
}

void CAddIn::UIUnInitialize(const ObjectPtr& app, const ObjectPtr&, bool) {
    guarded(m_module.errors, "CAddIn:UIUnInitialize()", [&] { RemoveMenuEntry(app); });
}

void CAddIn::UnInstall(const ObjectPtr&, const ObjectPtr&) {
    guarded(m_module.errors, "CAddIn:UnInstall()", [&] {
        m_module.g_Application = nullptr;
        m_module.g_CurrentDocument = nullptr;
        setApplicationEvents(nullptr);
        m_module.g_bUpdateMenuCheck = true;
        m_bIsInstalled = false;
        // A pass waiting on the prompt must not go on for a host that let us
        // go, nor a settings dialog write to it.
        DismissPrompt();
        if (m_module.dismissSettings) m_module.dismissSettings();
    });
}

void CAddIn::setApplicationEvents(const ObjectPtr& source) {
    // Disconnect first: a source replaced by itself must not deliver twice.
    m_eventConnection.reset();
    g_ApplicationEvents = source;
    if (source)
        m_eventConnection = source->connect(host::DIID_ApplicationEvents, *this,
                                            m_keepAlive ? m_keepAlive() : std::shared_ptr<void>());
}

float CAddIn::dueTimeFromNow(const std::string& minutes) {
    constexpr double kDefaultMinutes = 10;
    double value = numericValue(minutes);
    // No interval at all would save, or ask, at every idle event: such a
    // text counts as the default; the text itself stays as it is.
    if (!(value > 0)) value = kDefaultMinutes;
    double interval = value * 60.0;
    double due = m_module.services.clock.secondsSinceMidnight() + interval;
    if (!(std::fabs(due) <= std::numeric_limits<float>::max())) raise(errors::kOverflow);
    return static_cast<float>(due);
}

}  // namespace autosave
