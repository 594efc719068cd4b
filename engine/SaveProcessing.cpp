// CAddIn's save processing: the backup copy of a save the add-in started,
// and the flag that says so.
#include "addin/AddIn.h"
#include "platform/AutomationError.h"

namespace autosave {

constexpr std::int32_t kFileAlreadyOpen = 55;

// A user may have opened a backup as a drawing and saved edits in it: never
// replace one that is open. Only a backup that exists can hold such edits.
void CAddIn::refuseOpenDrawing(const std::string& backup) {
    FileSystem& files = m_module.services.fileSystem;
    if (!files.fileExists(backup)) return;
    for (const Value& item : deref(getObject(m_module.g_Application, "OpenDocuments")).enumerate()) {
        const std::string open = toText(deref(toObject(item)).get("FullName"));
        if (files.sameFile(open, backup))
            throw AutomationError(kFileAlreadyOpen, "No backup made: the backup file '" + backup +
                                                        "' is open as the drawing '" + open + "'");
    }
}

void CAddIn::ProcessFileSave(const ObjectPtr& document) {
    guarded(m_module.errors, "ProcessFileSave()", [&] {
        if (!m_module.g_bSaveByDocument && !m_module.g_bSaveByCommand) return;  // the user's own save
        const std::string file = toText(deref(document).get("FullName"));
        FileSystem& files = m_module.services.fileSystem;
        if (m_strSaveBackup == "On" && files.fileExists(file)) {
            const std::string backup = files.backupName(file);
            refuseOpenDrawing(backup);
            files.replaceBackup(file, backup);
        }
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
