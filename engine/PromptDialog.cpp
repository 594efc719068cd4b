#include "engine/PromptDialog.h"

#include "addin/MRegistry.h"
#include "addin/StringIds.h"
#include "engine/EngineSteps.h"

namespace autosave {

frmPrompt& thePrompt(ModuleState& module) {
    if (!module.promptDialog) module.promptDialog = std::make_shared<frmPrompt>(module);
    return *module.promptDialog;
}

const FormLayout& frmPrompt::layout() {
    // Twips; no default and no cancel button: Enter presses the focused
    // button and Escape does nothing. cmdSave is first in tab order, so it
    // has the focus when the dialog opens.
    static const FormLayout layout{
        "frmPrompt",
        4575,
        1230,
        false,
        {
            {"lblSaveChanges", ControlKind::Label, 150, 150, 4275, 495, 0},
            {"cmdSave", ControlKind::Button, 930, 810, 1125, 315, 1},
            {"cmdSkip", ControlKind::Button, 2130, 810, 1125, 315, 2},
            {"cmdCancel", ControlKind::Button, 3330, 810, 1125, 315, 3},
        },
    };
    return layout;
}

Form& frmPrompt::form() {
    if (!m_form || !m_form->loaded()) {
        m_form.reset();
        m_form = m_module.services.forms.load(layout(), *this);
        Form_Load();
    }
    return *m_form;
}

void frmPrompt::Form_Load() {
    guarded(m_module.errors, "frmPrompt:Form_Load()", [&] {
        Form& form = *m_form;
        auto text = [&](std::int32_t n) { return GetResourceString(m_module, m_module.g_hResourceLib, n); };
        form.setCaption(text(IDS_NAME));
        form.control("cmdSave").setCaption(text(IDS_PROMPT_SAVE));
        form.control("cmdSkip").setCaption(text(IDS_PROMPT_SKIP));
        form.control("cmdCancel").setCaption(text(IDS_PROMPT_CANCEL));
    });
}

void frmPrompt::Form_Activate() {
    // Each showing starts on Save, not on the button the last answer pressed:
    // the dialog manager would give the focus back to that one.
    guarded(m_module.errors, "frmPrompt:Form_Activate()", [&] { m_form->control("cmdSave").setFocus(); });
}

void frmPrompt::Click(const std::string& controlName) {
    if (controlName == "cmdSave") cmdSave_Click();
    else if (controlName == "cmdSkip") cmdSkip_Click();
    else if (controlName == "cmdCancel") cmdCancel_Click();
}

void frmPrompt::dismiss() {
    if (m_form && m_form->loaded() && m_form->visible()) m_form->hide();
}

void frmPrompt::cmdSave_Click() {
    guarded(m_module.errors, "frmPrompt:cmdSave_Click()", [&] {
        m_form->hide();
        // A document closed while the question was open is left alone.
        const ObjectPtr document = m_module.g_CurrentDocument;
        if (!document) return;
        SaveWithMessage(m_module, document);
    });
}

void frmPrompt::cmdSkip_Click() {
    guarded(m_module.errors, "frmPrompt:cmdSkip_Click()", [&] { m_form->hide(); });
}

void frmPrompt::cmdCancel_Click() {
    guarded(m_module.errors, "frmPrompt:cmdCancel_Click()", [&] {
        m_form->hide();
        m_module.g_bCancelPrompts = true;
    });
}

}  // namespace autosave
