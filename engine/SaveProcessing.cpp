// CAddIn's save processing: the backup copy of a save the add-in started,
// and the flag that says so.
#include "addin/AddIn.h"
#include "addin/MRegistry.h"
#include "addin/StringIds.h"
#include "engine/EngineSteps.h"
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

namespace {

constexpr double kProgressAfter = 0.5;  // seconds

// `text` with "%1" and "%2" replaced, once each.
std::string filled(const std::string& text, const std::string& first, const std::string& second = {}) {
    std::string result;
    bool done[2] = {false, false};
    for (size_t i = 0; i < text.size(); ++i) {
        const int mark = text[i] == '%' && i + 1 < text.size() ? text[i + 1] - '1' : -1;
        if ((mark == 0 || mark == 1) && !done[mark]) {
            result += mark == 0 ? first : second;
            done[mark] = true;
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

}  // namespace

// The backup, with its progress on the status bar once it has run for half a
// second. One the user cancelled leaves the status bar saying so.
void CAddIn::BackUp(const ObjectPtr& document, const std::string& file, const std::string& backup) {
    ModuleState& m = m_module;
    Clock& clock = m.services.clock;
    auto now = [&] {
        const std::optional<std::uint64_t> steady = clock.steadyMilliseconds();
        return steady ? static_cast<double>(*steady) / 1000 : clock.secondsSinceMidnight();
    };
    const double start = now();
    std::string name;
    auto nameOf = [&]() -> const std::string& {
        if (name.empty()) name = toText(deref(document).get("Name"));
        return name;
    };
    auto text = [&](std::int32_t number) { return GetResourceString(m, m.g_hResourceLib, number); };
    auto showStatus = [&](const std::string& status) { deref(m.g_Application).put("StatusBar", status); };
    bool shown = false, failed = false;
    unsigned long long shownMegabytes = 0;
    auto watch = [&](unsigned long long copied) {
        if (failed || now() - start < kProgressAfter || (shown && copied >> 20 == shownMegabytes)) return;
        failed = true;  // unless the host takes the text
        guarded(m.errors, "ProcessFileSave()", [&] {
            shownMegabytes = copied >> 20;
            showStatus(filled(text(IDS_BACKUP_PROGRESS), nameOf(), std::to_string(shownMegabytes)));
            shown = true;
            failed = false;
        });
    };
    if (!m.services.fileSystem.replaceBackup(file, backup, watch)) {
        showStatus(filled(text(IDS_BACKUP_CANCELLED), nameOf()));
        return;
    }
    // The saving message again.
    if (shown) showStatus(SavingMessage(m, nameOf()));
}

void CAddIn::ProcessFileSave(const ObjectPtr& document) {
    guarded(m_module.errors, "ProcessFileSave()", [&] {
        if (!m_module.g_bSaveByDocument && !m_module.g_bSaveByCommand) return;  // the user's own save
        const std::string file = toPathText(deref(document).get("FullName"));
        FileSystem& files = m_module.services.fileSystem;
        if (m_strSaveBackup == "On" && files.fileExists(file)) {
            const std::string backup = files.backupName(file);
            refuseOpenDrawing(backup);
            BackUp(document, file, backup);
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
