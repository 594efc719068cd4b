// CAddIn's idle-time handler: decides when a save pass is due and what it
// saves. The path that starts no pass touches no host object.
#include "addin/AddIn.h"

#include "addin/NumericText.h"
#include "engine/EngineSteps.h"
#include "host/HostModel.h"

namespace autosave {
namespace {

constexpr float kDueAtOnce = -1.0f;

ObjectPtr asDocument(const ObjectPtr& object) { return object ? object->query(host::IID_Document) : nullptr; }

}  // namespace

void CAddIn::g_ApplicationEvents_InIdle(const ObjectPtr& application) {
    if (!application) return;
    guarded(m_module.errors, "CAddIn:g_ApplicationEvents_InIdle()", [&] {
        const std::int32_t today = m_module.services.clock.today();
        if (today != m_dtLastCheck) {
            // The timer restarts at midnight: a new day starts a pass at once.
            m_dtLastCheck = today;
            m_sngNextSave = kDueAtOnce;
        }
        if (m_MenuCommand && m_module.g_bUpdateMenuCheck) UpdateMenuCheck(application);
        if (m_strStatus == "Off") return;
        const float timer = static_cast<float>(m_module.services.clock.secondsSinceMidnight());
        if (!(timer > m_sngNextSave)) return;

        // Advance first: a prompt's nested loop must not start the pass again.
        m_sngNextSave = dueTimeFromNow(m_strMinutes);
        if (m_strDocuments == "All") AllDocumentsPass();
        else ActiveDocumentPass();
    });
}

void CAddIn::UpdateMenuCheck(const ObjectPtr& application) {
    ObjectPtr framework = getObject(application, "orvapplication");
    if (menuItemOnMenuBar(framework)) {
        const bool checked = get_Status() == "On";
        deref(framework).call("SetCommandCheck", {deref(m_MenuCommand).get("ID"), checked});
    }
    m_module.g_bUpdateMenuCheck = false;
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
    for (const Value& item : deref(getObject(m.g_Application, "OpenDocuments")).enumerate()) {
        ObjectPtr document = asDocument(toObject(item));
        m.g_CurrentDocument = document;
        if (toBool(deref(document).get("Modified")) && m_strPrompt == "On") {
            m.g_bCancelPrompts = false;
            const std::int32_t open = toInt32(deref(getObject(m.g_Application, "OpenDocuments")).get("Count"));
            ShowSavePrompt(m, document, open > 1);
            if (m.g_bCancelPrompts) return;
        } else if (toBool(deref(document).get("Modified"))) {
            ShowSavingMessage(m, document);
            SaveDocument(m, document);
        }
    }
}

}  // namespace autosave
