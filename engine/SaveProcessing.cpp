// CAddIn's save processing: the backup copy of a save the add-in started,
// and the flag that says so.
#include "addin/AddIn.h"

namespace autosave {

void CAddIn::ProcessFileSave(const ObjectPtr& document) {
    guarded(m_module.errors, "ProcessFileSave()", [&] {
        if (!m_module.g_bSaveByDocument && !m_module.g_bSaveByCommand) return;  // the user's own save
        const std::string file = toPathText(deref(document).get("FullName"));
        if (m_strSaveBackup == "On" && m_module.services.fileSystem.fileExists(file))
            m_module.services.fileSystem.replaceBackup(file, file + ".bak");
        // One flag per save event, the document's first. A failure above
        // leaves it raised: the next save event is then taken as ours.
        if (m_module.g_bSaveByDocument) m_module.g_bSaveByDocument = false;
        else if (m_module.g_bSaveByCommand) m_module.g_bSaveByCommand = false;
    });
}

void CAddIn::g_ApplicationEvents_DocumentSaved(const ObjectPtr& document) {
    guarded(m_module.errors, "CAddIn:g_ApplicationEvents_DocumentSaved()", [&] { ProcessFileSave(document); });
}

void CAddIn::g_ApplicationEvents_DocumentSavedAs(const ObjectPtr& document, const std::string&) {
    guarded(m_module.errors, "CAddIn:g_ApplicationEvents_DocumentSavedAs()", [&] { ProcessFileSave(document); });
}

}  // namespace autosave
