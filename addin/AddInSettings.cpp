// CAddIn's settings store: five texts kept per user under the host's key.
#include "addin/AddIn.h"

namespace autosave {
namespace {

std::string defaultFor(const std::string& valueName) {
    if (valueName == "Status") return "On";
    if (valueName == "Documents") return "Active";
    if (valueName == "Minutes") return "10";
    if (valueName == "Prompt") return "On";
    if (valueName == "SaveBackup") return "Off";
    return "Not Used";
}

// The settings key opened to read or to write its values, or nullptr when
// it cannot be. An empty path would open the root of the hive itself, which
// is never the settings' place.
std::unique_ptr<Registry::Key> openSettingsKey(Registry& registry, RegistryRoot root, const std::string& path,
                                               bool write) {
    if (path.empty()) return nullptr;
    return write ? registry.createKey(root, path) : registry.openKeyForReading(root, path);
}

}  // namespace

std::string CAddIn::GetRegistryValue(const std::string& strValueName) {
    return readRegistryValue(strValueName).value_or(std::string());
}

std::optional<std::string> CAddIn::readRegistryValue(const std::string& strValueName) {
    std::optional<std::string> result;
    guarded(m_module.errors, "CAddIn:GetRegistryValue()", [&] {
        // Read with read access only: a key an administrator made read-only
        // still gives the stored settings. A key that cannot be opened reads
        // as if every value were missing.
        auto key = openSettingsKey(m_module.services.registry, m_hRegRoot, m_strRegKey, false);
        auto stored = key ? key->readText(strValueName) : std::nullopt;
        if (!stored) {
            const std::string text = defaultFor(strValueName);
            // A missing setting is created once.
            key = openSettingsKey(m_module.services.registry, m_hRegRoot, m_strRegKey, true);
            stored = Registry::StoredText{text, key && key->writeText(strValueName, text)};
        }
        result = stored->text;
        if (m_loadingSettings && stored->asWritten) m_settingAsStored = std::pair(strValueName, stored->text);
    });
    return result;
}

void CAddIn::LoadSettings() {
    struct Setting {
        const char* name;
        void (CAddIn::*put)(const std::string&);
        std::string CAddIn::*member;
    };
    static constexpr Setting settings[] = {
        {"Status", &CAddIn::put_Status, &CAddIn::m_strStatus},
        {"Documents", &CAddIn::put_Documents, &CAddIn::m_strDocuments},
        {"Minutes", &CAddIn::put_Minutes, &CAddIn::m_strMinutes},
        {"Prompt", &CAddIn::put_Prompt, &CAddIn::m_strPrompt},
        {"SaveBackup", &CAddIn::put_SaveBackup, &CAddIn::m_strSaveBackup},
    };
    m_loadingSettings = true;
    for (const auto& [name, put, member] : settings) {
        // A value that is there but cannot be read (reported) gives the
        // default for this session; writing that back would lose it for good.
        if (std::optional<std::string> text = readRegistryValue(name)) (this->*put)(*text);
        else this->*member = defaultFor(name);
    }
    m_loadingSettings = false;
}

void CAddIn::SetRegistryValue(const std::string& name, const std::string& value) {
    // Install puts back what it has just read; when that is stored already,
    // byte for byte, writing it again would change nothing.
    const bool stored = m_settingAsStored == std::pair(name, value);
    m_settingAsStored.reset();
    if (stored) return;
    guarded(m_module.errors, "CAddIn:GetRegistryValue()", [&] {
        auto key = openSettingsKey(m_module.services.registry, m_hRegRoot, m_strRegKey, true);
        if (!key) m_module.errors.report("CAddIn:In GetRegistryValue()--RegCreateKeyEx() Failed.", ErrorInfo{});
        if (!key || !key->writeText(name, value))
            m_module.errors.report("CAddIn:In GetRegistryValue()--RegSetValueExStr() Failed.", ErrorInfo{});
    });
}

std::string CAddIn::readSetting(std::string_view label, const std::string& member) {
    return guardedResult(m_module.errors, label, [&] { return member; });
}

void CAddIn::writeSetting(std::string_view label, const std::string& valueName, std::string& member,
                          const std::string& value) {
    guarded(m_module.errors, label, [&] {
        member = value;  // any text is accepted
        SetRegistryValue(valueName, value);
        // A new interval counts from the moment of the change.
        if (&member == &m_strMinutes) m_sngNextSave = dueTimeFromNow(m_strMinutes);
        // The check mark follows every written Status, also one written while
        // idle events went on (the settings dialog's OK).
        if (&member == &m_strStatus) m_module.g_bUpdateMenuCheck = true;
    });
}

std::string CAddIn::get_Status() { return readSetting("CAddIn:Get Status()", m_strStatus); }
void CAddIn::put_Status(const std::string& v) { writeSetting("CAddIn:Let Status()", "Status", m_strStatus, v); }
std::string CAddIn::get_Documents() { return readSetting("CAddIn:Get Documents()", m_strDocuments); }
void CAddIn::put_Documents(const std::string& v) {
    writeSetting("CAddIn:Let Documents()", "Documents", m_strDocuments, v);
}
std::string CAddIn::get_Minutes() { return readSetting("CAddIn:Get Minutes()", m_strMinutes); }
void CAddIn::put_Minutes(const std::string& v) { writeSetting("CAddIn:Let Minutes()", "Minutes", m_strMinutes, v); }
std::string CAddIn::get_Prompt() { return readSetting("CAddIn:Get Prompt()", m_strPrompt); }
void CAddIn::put_Prompt(const std::string& v) { writeSetting("CAddIn:Let Prompt()", "Prompt", m_strPrompt, v); }
std::string CAddIn::get_SaveBackup() { return readSetting("CAddIn:Get SaveBackup()", m_strSaveBackup); }
void CAddIn::put_SaveBackup(const std::string& v) {
    writeSetting("CAddIn:Let SaveBackup()", "SaveBackup", m_strSaveBackup, v);
}

}  // namespace autosave
