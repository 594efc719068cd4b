// frmAutoSave: the settings dialog. The settings command owns it; the host's
// command control qeCommand1 on it starts it (Initialize: load the settings
// and show modally) and ends it (Terminate). OK checks the interval and
// writes all five settings through the add-in; every closing path ends the
// host command.
#pragma once

#include "addin/ModuleState.h"
#include "platform/Forms.h"

#include <functional>
#include <memory>
#include <string>

namespace autosave {

class frmAutoSave final : public FormEvents, public NamedEvents {
public:
    // keepAlive, when given, returns a token that keeps the dialog's owner
    // alive while the control's event runs (the dialog is modal inside it).
    explicit frmAutoSave(ModuleState& module, std::function<std::shared_ptr<void>()> keepAlive = {});
    ~frmAutoSave();
    frmAutoSave(const frmAutoSave&) = delete;
    frmAutoSave& operator=(const frmAutoSave&) = delete;

    static const FormLayout& layout();

    // Loads the form, hidden, and creates its command control; raises when
    // either cannot be made.
    void load();
    // Unloads by code; never cancelled.
    void unload();

    // The host command control, by its name on the form; Nothing until loaded.
    const ObjectPtr& qeCommand1() const { return m_qeCommand1; }
    Form& form();

    // The working copy OK writes.
    const std::string& editStatus() const { return m_strEditStatus; }
    const std::string& editDocuments() const { return m_strEditDocuments; }
    const std::string& editMinutes() const { return m_strEditMinutes; }
    const std::string& editPrompt() const { return m_strEditPrompt; }
    const std::string& editSaveBackup() const { return m_strEditSaveBackup; }

    // Events of the form.
    void Form_Activate() override;
    void Form_KeyDown(int keyCode, int shift) override;
    void Form_QueryUnload(bool& cancel, int unloadMode) override;
    void Click(const std::string& controlName) override;
    // Events of qeCommand1.
    void onEvent(std::string_view name) override;
    void qeCommand1_Initialize();
    void qeCommand1_Terminate();

private:
    ObjectPtr GetAddIn(const ObjectPtr& application);
    void GetAutoSaveSettings();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();
    void cbAutomaticSave_Click();
    void cbPrompt_Click();
    void cbSaveBackup_Click();
    void optSaveActive_Click();
    void optSaveAll_Click();

    std::string text(std::int32_t number);
    // The framework application as the control reaches it.
    ObjectPtr controlFramework();
    // Host main window directly below the dialog, and activated.
    void restackHostWindow();
    void setDone();
    void selectInterval();
    // After a failure that would leave the host command running with no dialog.
    void endCommandAfterFailure(std::string_view label);

    ModuleState& m_module;
    std::function<std::shared_ptr<void>()> m_keepAlive;
    std::unique_ptr<Form> m_form;
    ObjectPtr m_qeCommand1;
    std::unique_ptr<EventConnection> m_controlEvents;

    std::string m_strEditStatus;
    std::string m_strEditDocuments;
    std::string m_strEditMinutes;
    std::string m_strEditPrompt;
    std::string m_strEditSaveBackup;
    bool m_bActivated = false;
    // The host uninstalled the add-in while the dialog was shown.
    bool m_dismissed = false;
    ObjectPtr m_AddInEntry;
};

// The interval test of OK: numeric under the user's locale as a whole, no
// ".", a whole number between 1 and 32767, and the same number as the
// schedule reads the text (numericValue).
bool IsIntervalAccepted(ModuleState& module, const std::string& text);

}  // namespace autosave
