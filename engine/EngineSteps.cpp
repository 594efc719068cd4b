#include "engine/EngineSteps.h"

#include "addin/MRegistry.h"
#include "addin/StringIds.h"
#include "engine/PromptDialog.h"
#include "host/HostModel.h"
#include "addin/MI18NUtilities.h"

namespace autosave {
namespace {

constexpr std::uint32_t kWmCommand = 0x0111;

std::string text(ModuleState& module, std::int32_t number) {
    return GetResourceString(module, module.g_hResourceLib, number);
}

}  // namespace

void PostSaveCommand(ModuleState& module) {
    module.g_bSaveByCommand = true;
    std::int32_t window = toInt32(deref(module.g_Application).get("MainWindowHandle"));
    module.services.desktop.postMessage(window, kWmCommand, host::kFileSaveCommand, 0);
}

bool ShowSavingMessage(ModuleState& module, const ObjectPtr& document) {
    if (module.g_bSaveByDocument || module.g_bSaveByCommand) return false;
    module.services.desktop.setMousePointer(kHourglassPointer);
    deref(module.g_Application).put("StatusBar", SavingMessage(module, toText(deref(document).get("Name"))));
    return true;
}

std::string SavingMessage(ModuleState& module, const std::string& name) {
    return text(module, IDS_STATUS_SAVING) + name + text(module, IDS_ELLIPSIS);
}

void SaveDocument(ModuleState& module, const ObjectPtr& document) {
    ObjectPtr active = getObject(module.g_Application, "ActiveDocument");
    if (active && deref(document).isSameObject(*active)) {
        PostSaveCommand(module);
        return;
    }
    const bool pending = module.g_bSaveByDocument;
    module.g_bSaveByDocument = true;  // before the call: the saved event may arrive inside it
    try {
        deref(document).call("Save");
    } catch (...) {
        // No save event will come for it: a flag left raised would take the
        // user's next save for the add-in's.
        module.g_bSaveByDocument = pending;
        throw;
    }
}

void SaveWithMessage(ModuleState& module, const ObjectPtr& document) {
    const bool shown = ShowSavingMessage(module, document);
    try {
        SaveDocument(module, document);
    } catch (...) {
        // The drawing was not saved: "saving <name>" must not stay.
        if (shown) {
            module.services.desktop.setMousePointer(kDefaultPointer);
            deref(module.g_Application).put("StatusBar", std::string());
        }
        throw;
    }
}

void ShowSavePrompt(ModuleState& module, const ObjectPtr& document, bool allowSkip) {
    frmPrompt& prompt = thePrompt(module);
    Form& form = prompt.form();
    form.control("lblSaveChanges")
        .setCaption(text(module, IDS_PROMPT_BEFORE_NAME) + toText(deref(document).get("Name")) +
                    text(module, IDS_PROMPT_AFTER_NAME));
    form.control("cmdSkip").setEnabled(allowSkip);
    SetInternationalizeFont(module, form);
    deref(module.g_Application).put("StatusBar", std::string());
    module.services.desktop.setMousePointer(kDefaultPointer);
    form.showModal();
}

}  // namespace autosave
