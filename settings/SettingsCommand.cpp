#include "settings/SettingsCommand.h"

#include "addin/MRegistry.h"
#include "host/HostModel.h"

namespace autosave {

CCommand::CCommand(ModuleState& module, std::function<std::shared_ptr<void>()> keepAlive) : m_module(module) {
    guarded(m_module.errors, "CCommand:Class_Initialize()", [&] {
        m_frmAutoSave = std::make_unique<frmAutoSave>(m_module, std::move(keepAlive));
        m_frmAutoSave->load();
    });
}

CCommand::~CCommand() {
    try {
        guarded(m_module.errors, "CCommand:Class_Terminate()", [&] {
            if (m_frmAutoSave) m_frmAutoSave->unload();
        });
    } catch (...) {
        // Nothing may leave a destructor; the reporter itself failed.
    }
}

void CCommand::Command_Initialize(const ObjectPtr& BasicCmd) {
    guarded(m_module.errors, "CCommand:Command_Initialize()", [&] {
        ObjectPtr control = m_frmAutoSave ? m_frmAutoSave->qeCommand1() : nullptr;
        deref(control).put("Command", BasicCmd);
        // The add-in is initialised in this process while its library is
        // loaded; the handle outlives the library once the add-in is gone.
        if (m_module.isLoaded(m_module.g_hResourceLib)) return;

        // Registry look-up of a ProgID ignores letter case, so this names vokAutoSave412.CAddIn.
        const std::string progId = std::string("vokAutosave") + "412" + ".CAddin";
        ObjectPtr framework = getObject(getObject(control, "application"), "orvapplication");
        ObjectPtr entry = toObject(deref(getObject(framework, "AddIns")).call("Add", {progId, std::string()}));
        if (!entry) return;
        try {
            deref(getObject(entry, "Object")).call("InitializeApplication", {getObject(framework, "Parent")});
        } catch (...) {
            // Errors are ignored for this step: Load sets the add-in up anyway.
        }
        deref(entry).call("Load");
        deref(entry).call("LoadUI");
    });
}

std::string CCommand::get_HelpFileName() {
    return guardedResult(m_module.errors, "CCommand:HelpFileName", [&]() -> std::string {
        ObjectPtr locator = m_module.services.components.createObject(host::CLSID_ApplicationLocator,
                                                                      host::IID_ApplicationLocator);
        ObjectPtr application = getObject(locator, "ActiveApplication");
        if (!application) return {};
        return GetHelpFileNameFromRegistry(m_module, toText(deref(application).get("ApplicationKey")));
    });
}

}  // namespace autosave
