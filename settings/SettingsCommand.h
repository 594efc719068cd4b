// CCommand: the command behind the add-in's menu item. It owns the settings
// dialog for its whole life, attaches the host's command to the dialog's
// command control, and has the host add and load the add-in first when it
// has not been initialised in this process.
#pragma once

#include "addin/ModuleState.h"
#include "settings/SettingsDialog.h"

#include <functional>
#include <memory>
#include <string>

namespace autosave {

class CCommand final {
public:
    // Creates the dialog (Class_Initialize); see frmAutoSave for keepAlive.
    explicit CCommand(ModuleState& module, std::function<std::shared_ptr<void>()> keepAlive = {});
    // Unloads the dialog (Class_Terminate).
    ~CCommand();
    CCommand(const CCommand&) = delete;
    CCommand& operator=(const CCommand&) = delete;

    void Command_Initialize(const ObjectPtr& BasicCmd);
    std::string get_HelpFileName();

    frmAutoSave* dialog() { return m_frmAutoSave.get(); }

private:
    ModuleState& m_module;
    std::unique_ptr<frmAutoSave> m_frmAutoSave;
};

}  // namespace autosave
