// CAddIn's idle-time handler: decides when a save pass is due and what it
// saves. The path that starts no pass touches no host object, and while the
// steady count shows that the due time is still out of reach, it does not
// read the time of day either: that is a call into the system on every idle
// event of the host.
#include "addin/AddIn.h"

#include "addin/NumericText.h"
#include "engine/EngineSteps.h"
#include "engine/PromptDialog.h"
#include "host/HostModel.h"

#include <limits>
#include <string_view>
#include <vector>

namespace autosave {
namespace {

constexpr float kDueAtOnce = -1.0f;
// Beyond every time of day: only the next day's roll-over makes a pass due.
constexpr float kNotBeforeTomorrow = std::numeric_limits<float>::max();
constexpr std::string_view kLabel = "CAddIn:g_ApplicationEvents_InIdle()";
constexpr double kSecondsPerDay = 24 * 3600;
// How long one reading of the time of day may stand in for the clock.
constexpr std::uint64_t kReadingLifetimeMs = 1000;
constexpr std::uint64_t kSteadyMarginMs = 50;

ObjectPtr asDocument(const ObjectPtr& object) { return object ? object->query(host::IID_Document) : nullptr; }

}  // namespace

void CAddIn::g_ApplicationEvents_InIdle(const ObjectArgument& application) {
    if (!application) return;
    guarded(m_module.errors, kLabel, [&] {
        Clock& clock = m_module.services.clock;
        if (!dueTimeOutOfReach()) {
            const std::int32_t today = clock.today();
            if (today != m_dtLastCheck) {
                // The timer restarts at midnight: a new day starts a pass at once.
                m_dtLastCheck = today;
                m_sngNextSave = kDueAtOnce;
            }
        }
        if (m_MenuCommand && m_module.g_bUpdateMenuCheck) {
            // Taken once, even when it fails: a request left raised would
            // keep every later idle event from reaching the schedule.
            m_module.g_bUpdateMenuCheck = false;
            guarded(m_module.errors, kLabel, [&] { UpdateMenuCheck(application.get()); });
        }
        // As a view, the sizes are compared first: a third of this path's time.
        if (std::string_view(m_strStatus) == "Off") return;
        if (dueTimeOutOfReach()) return;
        // The steady count first, so that what elapses from it on is never
        // less than what elapses from the reading on.
        const std::optional<std::uint64_t> steady = clock.steadyMilliseconds();
        const double seconds = clock.secondsSinceMidnight();
        // Read just after midnight, the date above may be yesterday's: such a
        // reading vouches for nothing.
        if (steady && seconds >= 1.0) m_lastTimerReading = TimerReading{*steady, seconds};
        const float timer = static_cast<float>(seconds);
        if (!(timer > m_sngNextSave)) return;

        // Advance first: a prompt's nested loop must not start the pass again.
        // An interval whose due time cannot be held is reported once a day,
        // not at every idle event.
        try {
            m_sngNextSave = dueTimeFromNow(m_strMinutes);
        } catch (...) {
            m_sngNextSave = kNotBeforeTomorrow;
            throw;
        }
        if (m_strDocuments == "All") AllDocumentsPass();
        else ActiveDocumentPass();
    });
}

bool CAddIn::dueTimeOutOfReach() {
    if (!m_lastTimerReading) return false;
    const std::optional<std::uint64_t> steady = m_module.services.clock.steadyMilliseconds();
    if (!steady || *steady < m_lastTimerReading->steadyMs) return false;
    const std::uint64_t elapsed = *steady - m_lastTimerReading->steadyMs;
    // A clock set forward is noticed within this long.
    if (elapsed >= kReadingLifetimeMs) return false;
    // The latest the time of day can be now; the margin covers the steady
    // count's resolution (about 16 ms on Windows).
    const double latest = m_lastTimerReading->seconds + static_cast<double>(elapsed + kSteadyMarginMs) / 1000.0;
    return latest < kSecondsPerDay && static_cast<float>(latest) <= m_sngNextSave;
}

void CAddIn::DismissPrompt() {
    if (m_module.promptDialog) m_module.promptDialog->dismiss();
}

void CAddIn::UpdateMenuCheck(const ObjectPtr& application) {
    ObjectPtr framework = getObject(application, "orvapplication");
    if (menuItemOnMenuBar(framework)) {
        const bool checked = get_Status() == "On";
        deref(framework).call("SetCommandCheck", {deref(m_MenuCommand).get("ID"), checked});
    }
}

void CAddIn::ActiveDocumentPass() {
    ModuleState& m = m_module;
    m.g_CurrentDocument = asDocument(getObject(m.g_Application, "ActiveDocument"));
    if (!m.g_CurrentDocument) return;
    if (m_strPrompt == "On") {
        ShowSavePrompt(m, m.g_CurrentDocument, false);
        return;
    }
    // The active document is saved whether modified or not, always through
    // the host's own command.
    ShowSavingMessage(m, getObject(m.g_Application, "ActiveDocument"));
    PostSaveCommand(m);
}

void CAddIn::AllDocumentsPass() {
    ModuleState& m = m_module;
    auto openDocuments = [&] { return deref(getObject(m.g_Application, "OpenDocuments")).enumerate(); };
    // What a prompt's message loop may have closed meanwhile is not visited.
    std::vector<Value> stillOpen;
    bool prompted = false;
    auto isOpen = [&](const ObjectPtr& document) {
        for (const Value& other : stillOpen)
            if (ObjectPtr o = toObject(other); o && document && document->isSameObject(*o)) return true;
        return false;
    };
    for (const Value& item : openDocuments()) {
        ObjectPtr document = asDocument(toObject(item));
        if (prompted && !isOpen(document)) continue;
        m.g_CurrentDocument = document;
        // Asked once: most drawings of a pass are unmodified, and every
        // question is a call into the host.
        const bool modified = toBool(deref(document).get("Modified"));
        if (modified && m_strPrompt == "On") {
            m.g_bCancelPrompts = false;
            const std::int32_t open = toInt32(deref(getObject(m.g_Application, "OpenDocuments")).get("Count"));
            ShowSavePrompt(m, document, open > 1);
            // The host may have uninstalled the add-in while the prompt was up.
            if (m.g_bCancelPrompts || !m_bIsInstalled || !m.g_Application) return;
            stillOpen = openDocuments();
            prompted = true;
        } else if (modified) {
            // A document that cannot be saved (read-only, closed meanwhile,
            // refused) is reported and the pass goes on with the next one.
            guarded(m.errors, kLabel, [&] { SaveWithMessage(m, document); });
        }
    }
}

}  // namespace autosave
