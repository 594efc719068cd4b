// frmPrompt: asks, for one document, whether the automatic save may go on.
// One instance per component, hidden between prompts; closing it with the
// title-bar button unloads it, and the next prompt loads it again.
#pragma once

#include "addin/ModuleState.h"
#include "platform/Forms.h"

#include <memory>

namespace autosave {

class frmPrompt final : public FormEvents {
public:
    explicit frmPrompt(ModuleState& module) : m_module(module) {}

    // The loaded form; loads it (running Form_Load) when it is not.
    Form& form();

    static const FormLayout& layout();

    void Form_Load();
    void Form_Activate() override;
    void Click(const std::string& controlName) override;
    // Hides a showing prompt without an answer (the add-in is being
    // uninstalled): its modal loop ends as after Skip.
    void dismiss();

private:
    void cmdSave_Click();
    void cmdSkip_Click();
    void cmdCancel_Click();

    ModuleState& m_module;
    std::unique_ptr<Form> m_form;
};

// The component's one prompt dialog, created on first use.
frmPrompt& thePrompt(ModuleState& module);

}  // namespace autosave
