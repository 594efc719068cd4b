// CAddIn's handlers of a closing document and an aborted command.
#include "addin/AddIn.h"

#include "host/HostModel.h"

namespace autosave {

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
        if (commandId != host::kFileSaveCommand) return;
        // The save did not happen: take back the saving message and the
        // hourglass. g_bSaveByCommand stays raised until a save event.
        deref(m_module.g_Application).put("StatusBar", std::string());
        m_module.services.desktop.setMousePointer(kDefaultPointer);
    });
}

}  // namespace autosave
