// CAddIn's handlers of the host's document events.
#include "addin/AddIn.h"

#include "host/HostModel.h"

namespace autosave {

void CAddIn::g_ApplicationEvents_DocumentSaved(const ObjectPtr&) {
    guarded(m_module.errors, "CAddIn:g_ApplicationEvents_DocumentSaved()", [] {});
}

void CAddIn::g_ApplicationEvents_DocumentSavedAs(const ObjectPtr&, const std::string&) {
    guarded(m_module.errors, "CAddIn:g_ApplicationEvents_DocumentSavedAs()", [] {});
}

void CAddIn::g_ApplicationEvents_BeforeDocumentClose(const ObjectPtr& document, bool&, bool&) {
    guarded(m_module.errors, "CAddIn:g_ApplicationEvents_BeforeDocumentClose()", [&] {
        if (!m_module.g_CurrentDocument) return;
        // Documents are told apart by the name the user sees, not by identity.
        std::string closing = toText(deref(document).get("Name"));
        if (closing == toText(m_module.g_CurrentDocument->get("Name"))) m_module.g_CurrentDocument = nullptr;
    });
}

void CAddIn::g_ApplicationEvents_CommandAborted(std::int32_t commandId) {
    guarded(m_module.errors, "CAddIn:g_ApplicationEvents_CommandAborted()", [&] {
        m_module.g_CurrentDocument = nullptr;
        if (commandId == host::kFileSaveCommand) deref(m_module.g_Application).put("StatusBar", std::string());
    });
}

}  // namespace autosave
