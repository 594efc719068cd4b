// CAddIn: the object the host loads. Lifecycle (AddIn.cpp), settings store
// (AddInSettings.cpp), menu entry (MenuEntry.cpp) and the application-event
// handlers (engine/).
#pragma once

#include "addin/ModuleState.h"
#include "addin/ResourceLibraryLoad.h"
#include "host/ApplicationEvents.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace autosave {

class CAddIn final : public ApplicationEvents {
public:
    // keepAlive, when given, returns a token that keeps the object that owns
    // this CAddIn alive; the event subscription holds it while connected.
    explicit CAddIn(ModuleState& module, std::function<std::shared_ptr<void>()> keepAlive = {});
    ~CAddIn();
    CAddIn(const CAddIn&) = delete;
    CAddIn& operator=(const CAddIn&) = delete;

    // Lifecycle, in the order the host calls it.
    void InitializeApplication(const ObjectPtr& application);
    void Install(const ObjectPtr& app, const ObjectPtr& doc);
    void UIInitialize(const ObjectPtr& app, const ObjectPtr& doc);
    void UIUnInitialize(const ObjectPtr& app, const ObjectPtr& doc, bool bAppShuttingDown);
    void UnInstall(const ObjectPtr& app, const ObjectPtr& doc);

    bool get_Hidden();
    std::string get_name();
    void put_name(const std::string& value);
    std::string get_description();
    void put_description(const std::string& value);
    bool get_IsInstalled();
    void put_IsInstalled(bool value);

    // Settings: texts everywhere; each put writes through to the registry.
    std::string get_Status();
    void put_Status(const std::string& value);
    std::string get_Documents();
    void put_Documents(const std::string& value);
    std::string get_Minutes();
    void put_Minutes(const std::string& value);
    std::string get_Prompt();
    void put_Prompt(const std::string& value);
    std::string get_SaveBackup();
    void put_SaveBackup(const std::string& value);
    std::string GetRegistryValue(const std::string& strValueName);

    // Application events.
    void g_ApplicationEvents_InIdle(const ObjectArgument& application) override;
    void g_ApplicationEvents_DocumentSaved(const ObjectPtr& document) override;
    void g_ApplicationEvents_DocumentSavedAs(const ObjectPtr& document, const std::string& fileName) override;
    void g_ApplicationEvents_BeforeDocumentClose(const ObjectPtr& document, bool& bToBeSaved, bool& bCancel) override;
    void g_ApplicationEvents_CommandAborted(std::int32_t commandId) override;

    // State the tests and the engine look at.
    const std::string& registryKey() const { return m_strRegKey; }
    RegistryRoot registryRoot() const { return m_hRegRoot; }
    float nextSave() const { return m_sngNextSave; }
    std::int32_t lastCheck() const { return m_dtLastCheck; }
    const ObjectPtr& menuCommand() const { return m_MenuCommand; }
    bool eventsConnected() const { return m_eventConnection != nullptr; }

private:
    void SetRegistryValue(const std::string& name, const std::string& value);
    // The stored text or the default of a missing one; nullopt, reported,
    // when a value is there but cannot be read.
    std::optional<std::string> readRegistryValue(const std::string& strValueName);
    // Install's load of the five settings.
    void LoadSettings();
    std::string readSetting(std::string_view label, const std::string& member);
    void writeSetting(std::string_view label, const std::string& valueName, std::string& member,
                      const std::string& value);
    void CreateMenuEntry(const std::string& menuName);
    void RemoveMenuEntry(const ObjectPtr& app);
    // True when the top-level menu that holds m_MenuCommand is still one of
    // framework's top-level menus.
    bool menuItemOnMenuBar(const ObjectPtr& framework);
    void UpdateMenuCheck(const ObjectPtr& application);
    void ActiveDocumentPass();
    void AllDocumentsPass();
    // Hides a showing save prompt unanswered (engine/IdleScheduler.cpp).
    void DismissPrompt();
    void ProcessFileSave(const ObjectPtr& document);
    void refuseOpenDrawing(const std::string& backup);
    void BackUp(const ObjectPtr& document, const std::string& file, const std::string& backup);
    // `g_ApplicationEvents = source`: connects to source, or disconnects for Nothing.
    void setApplicationEvents(const ObjectPtr& source);
    // Due time one interval of `minutes` from now; an interval of zero or
    // less is ten minutes.
    float dueTimeFromNow(const std::string& minutes);
    // True when the steady count proves that neither the due time nor
    // midnight can have come since the time of day was last read
    // (engine/IdleScheduler.cpp).
    bool dueTimeOutOfReach();

    ModuleState& m_module;
    std::function<std::shared_ptr<void>()> m_keepAlive;
    ResourceLibraryLoad m_resourceLibrary;

    std::string m_strRegKey;
    RegistryRoot m_hRegRoot = RegistryRoot::None;
    float m_sngNextSave = 0;
    std::int32_t m_dtLastCheck = 0;
    // The last time of day the idle handler read, and the steady count then.
    struct TimerReading {
        std::uint64_t steadyMs;
        double seconds;
    };
    std::optional<TimerReading> m_lastTimerReading;
    ObjectPtr m_MenuCommand;
    std::string m_strName;
    std::string m_strDescription;
    bool m_bIsInstalled = false;
    std::string m_strStatus;
    std::string m_strDocuments;
    std::string m_strMinutes;
    std::string m_strPrompt;
    std::string m_strSaveBackup;
    // While Install loads the settings: the name and text of the setting
    // GetRegistryValue has just found stored as its put would write it.
    bool m_loadingSettings = false;
    std::optional<std::pair<std::string, std::string>> m_settingAsStored;
    ObjectPtr g_ApplicationEvents;
    std::unique_ptr<EventConnection> m_eventConnection;
};

}  // namespace autosave
