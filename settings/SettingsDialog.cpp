#include "settings/SettingsDialog.h"

#include "addin/MI18NUtilities.h"
#include "addin/MRegistry.h"
#include "addin/NumericText.h"
#include "addin/StringIds.h"
#include "host/HostModel.h"

#include <cmath>

namespace autosave {
namespace {

constexpr std::int32_t kHelpContext = 11128;
constexpr int kEscapeKey = 27;

// Characters of a UTF-8 text, as a text box counts them for its selection.
int characterCount(const std::string& text) {
    int count = 0;
    for (unsigned char c : text) count += (c & 0xC0) != 0x80;
    return count;
}

}  // namespace

bool IsIntervalAccepted(ModuleState& module, const std::string& text) {
    std::optional<double> value = module.services.desktop.numberFromText(text);
    if (!value) return false;
    bool noDecimalPoint = text.find('.') == std::string::npos;
    // Rounded as a 16-bit integer would be; a value beyond 16 bits is no
    // interval either, and is turned down like any other.
    double rounded = std::nearbyint(*value);
    if (!noDecimalPoint || rounded <= 0 || rounded > 32767 || rounded != *value) return false;
    // The text is stored as typed and the schedule reads it without the
    // locale, stopping at a grouping comma or a currency sign: it must read
    // the same number there.
    try {
        return numericValue(text) == *value;
    } catch (const AutomationError&) {
        return false;
    }
}

frmAutoSave::frmAutoSave(ModuleState& module, std::function<std::shared_ptr<void>()> keepAlive)
    : m_module(module), m_keepAlive(std::move(keepAlive)) {}

frmAutoSave::~frmAutoSave() = default;

const FormLayout& frmAutoSave::layout() {
    // Twips. cmdOK is the default button; Escape reaches Form_KeyDown through
    // the key preview, cmdCancel is not bound to it.
    static const FormLayout layout{
        "frmAutoSave",
        4155,
        2610,
        true,
        {
            {"cmdOK", ControlKind::Button, 2880, 120, 1125, 315, 0, {}, true},
            {"cmdCancel", ControlKind::Button, 2880, 510, 1125, 315, 1},
            {"cmdHelp", ControlKind::Button, 2880, 915, 1125, 315, 2},
            {"cbAutomaticSave", ControlKind::CheckBox, 150, 150, 2600, 255, 3, {}, false, 1},
            {"txtMinutes", ControlKind::TextBox, 420, 450, 555, 315, 4, {}, false, 0, "10"},
            {"optSaveActive", ControlKind::OptionButton, 120, 300, 3600, 195, 5, "grpSaveOptions", false, 1},
            {"optSaveAll", ControlKind::OptionButton, 120, 600, 3600, 195, 6, "grpSaveOptions"},
            {"cbPrompt", ControlKind::CheckBox, 150, 855, 2600, 255, 7, {}, false, 1},
            {"lblMinutes", ControlKind::Label, 1050, 510, 1680, 255, 8},
            {"grpSaveOptions", ControlKind::Frame, 150, 1575, 3855, 975, 9},
            {"cbSaveBackup", ControlKind::CheckBox, 135, 1215, 2600, 255, 10, {}, false, 1},
        },
    };
    return layout;
}

void frmAutoSave::load() {
    m_form = m_module.services.forms.load(layout(), *this);
    m_qeCommand1 = m_module.services.components.createObject(host::CLSID_CommandControl, host::IID_CommandControl);
    // The control's events hold no reference back: the command owns the dialog.
    m_controlEvents = deref(m_qeCommand1).connect(host::DIID_CommandControlEvents, *this, nullptr);
}

void frmAutoSave::unload() {
    m_controlEvents.reset();
    if (m_form) m_form->unload();
    m_form.reset();
}

Form& frmAutoSave::form() {
    if (!m_form) raise(errors::kObjectNotSet);
    return *m_form;
}

std::string frmAutoSave::text(std::int32_t number) {
    return GetResourceString(m_module, m_module.g_hResourceLib, number);
}

ObjectPtr frmAutoSave::controlFramework() {
    return getObject(getObject(m_qeCommand1, "application"), "orvapplication");
}

void frmAutoSave::restackHostWindow() {
    // The command's own application: the global one is gone once the host
    // has uninstalled the add-in.
    std::int32_t hostWindow = toInt32(deref(controlFramework()).get("hwnd"));
    m_module.services.desktop.placeBelow(hostWindow, form().windowHandle());
}

void frmAutoSave::setDone() { deref(m_qeCommand1).put("Done", true); }

void frmAutoSave::selectInterval() {
    Control& minutes = form().control("txtMinutes");
    minutes.select(0, characterCount(minutes.text()));
    minutes.setFocus();
}

void frmAutoSave::endCommandAfterFailure(std::string_view label) {
    guarded(m_module.errors, label, [&] {
        if (m_form) m_form->hide();
        setDone();
    });
}

// --- the command control's events ------------------------------------------

void frmAutoSave::onEvent(std::string_view name) {
    // The host may let go of the command while the dialog is up.
    auto hold = m_keepAlive ? m_keepAlive() : nullptr;
    if (name == "Initialize") qeCommand1_Initialize();
    else if (name == "Terminate") qeCommand1_Terminate();
}

void frmAutoSave::qeCommand1_Initialize() {
    constexpr std::string_view label = "frmAutoSave:qeCommand1_Initialize()";
    bool shown = false;
    guarded(m_module.errors, label, [&] {
        m_bActivated = false;
        m_module.g_Application = deref(controlFramework()).query(host::IID_FrameworkApplication);
        m_AddInEntry = GetAddIn(m_module.g_Application);
        if (m_AddInEntry) {
            if (!toBool(deref(m_AddInEntry).get("Loaded"))) {
                deref(m_AddInEntry).call("Load");
                deref(m_AddInEntry).call("LoadUI");
            }
            GetAutoSaveSettings();
        }
        SetInternationalizeFont(m_module, form());
        // Without its language library (the add-in could not be loaded, or
        // was unloaded since) the dialog would come up without a single text.
        if (!m_module.isLoaded(m_module.g_hResourceLib)) return;
        shown = true;
        // A host that uninstalls the add-in meanwhile takes the dialog away
        // unanswered, as it does the prompt.
        m_dismissed = false;
        m_module.dismissSettings = [this] {
            m_dismissed = true;
            if (m_form && m_form->visible()) m_form->hide();
        };
        struct Showing {
            ModuleState& module;
            ~Showing() { module.dismissSettings = nullptr; }
        } showing{m_module};
        form().showModal();
    });
    // No dialog came up, or it was taken away: the host's command must not
    // stay running without one.
    if (!shown || m_dismissed) endCommandAfterFailure(label);
}

void frmAutoSave::qeCommand1_Terminate() {
    guarded(m_module.errors, "frmAutoSave:qeCommand1_Terminate()", [&] {
        m_AddInEntry = nullptr;
        restackHostWindow();
        form().hide();
    });
}

ObjectPtr frmAutoSave::GetAddIn(const ObjectPtr& application) {
    return guardedResult(m_module.errors, "frmAutoSave:GetAddIn()", [&]() -> ObjectPtr {
        const std::string displayName = text(IDS_NAME);
        if (m_AddInEntry) return toText(deref(m_AddInEntry).get("Name")) == displayName ? m_AddInEntry : nullptr;
        ObjectPtr addIns = deref(getObject(application, "AddIns")).query(host::IID_AddIns);
        for (const Value& item : deref(addIns).enumerate()) {
            ObjectPtr entry = toObject(item);
            if (toText(deref(entry).get("Name")) == displayName) return entry;
        }
        return toObject(deref(getObject(m_module.g_Application, "AddIns"))
                            .call("Add", {std::string("AutoSave.CAddIn"), std::string()}));
    });
}

void frmAutoSave::GetAutoSaveSettings() {
    guarded(m_module.errors, "frmAutoSave:GetAutoSaveSettings()", [&] {
        Form& f = form();
        // What the controls show, so that a load that fails part-way leaves
        // OK writing what the user sees.
        m_strEditStatus = f.control("cbAutomaticSave").value() == 1 ? "On" : "Off";
        m_strEditDocuments = f.control("optSaveActive").value() == 1 ? "Active" : "All";
        m_strEditMinutes = f.control("txtMinutes").text();
        m_strEditPrompt = f.control("cbPrompt").value() == 1 ? "On" : "Off";
        m_strEditSaveBackup = f.control("cbSaveBackup").value() == 1 ? "On" : "Off";
        // Read afresh for each value. A control whose state changes runs its
        // click handler, as a user's click would.
        auto setting = [&](const char* name) { return toText(deref(getObject(m_AddInEntry, "Object")).get(name)); };
        m_strEditStatus = setting("Status");
        f.control("cbAutomaticSave").setValue(m_strEditStatus == "On" ? 1 : 0);
        m_strEditDocuments = setting("Documents");
        f.control(m_strEditDocuments == "Active" ? "optSaveActive" : "optSaveAll").setValue(1);
        m_strEditMinutes = setting("Minutes");
        f.control("txtMinutes")
            .setText(m_module.services.desktop.numberFromText(m_strEditMinutes) ? m_strEditMinutes : "10");
        m_strEditPrompt = setting("Prompt");
        f.control("cbPrompt").setValue(m_strEditPrompt == "On" ? 1 : 0);
        m_strEditSaveBackup = setting("SaveBackup");
        f.control("cbSaveBackup").setValue(m_strEditSaveBackup == "On" ? 1 : 0);
    });
}

// --- the form's events -------------------------------------------------------

void frmAutoSave::Form_Activate() {
    guarded(m_module.errors, "frmAutoSave:Form_Activate()", [&] {
        Form& f = form();
        f.setCaption(text(IDS_NAME));
        const std::pair<const char*, std::int32_t> captions[] = {
            {"cbAutomaticSave", IDS_SAVE_EVERY},
            {"lblMinutes", IDS_MINUTES},
            {"grpSaveOptions", IDS_DOCUMENTS_TO_SAVE},
            {"optSaveActive", IDS_ACTIVE_DOCUMENT},
            {"optSaveAll", IDS_ALL_DOCUMENTS},
            {"cbPrompt", IDS_ASK_BEFORE_SAVING},
            {"cmdOK", IDS_OK},
            {"cmdCancel", IDS_CANCEL},
            {"cmdHelp", IDS_HELP},
            {"cbSaveBackup", IDS_KEEP_BACKUP},
        };
        for (const auto& [name, number] : captions) f.control(name).setCaption(text(number));
        m_bActivated = true;
        selectInterval();
    });
}

void frmAutoSave::Form_KeyDown(int keyCode, int) {
    guarded(m_module.errors, "AutoSave.frmAutoSave:Form_KeyDown", [&] {
        if (keyCode != kEscapeKey) return;
        form().hide();
        setDone();
    });
}

void frmAutoSave::Form_QueryUnload(bool& cancel, int unloadMode) {
    constexpr std::string_view label = "frmAutoSave:Form_QueryUnload()";
    if (unloadMode != kUnloadFromControlMenu) return;
    bool hidden = false, doneTried = false;
    guarded(m_module.errors, label, [&] {
        form().hide();
        hidden = true;
        deref(controlFramework()).put("Interactive", true);
        doneTried = true;
        setDone();
        cancel = true;
    });
    // A failure left the dialog hidden: it stays loaded, and the command
    // ends, unless Done itself failed, which was reported already.
    if (hidden && !cancel) {
        cancel = true;
        if (!doneTried) endCommandAfterFailure(label);
    }
}

void frmAutoSave::Click(const std::string& controlName) {
    if (controlName == "cmdOK") cmdOK_Click();
    else if (controlName == "cmdCancel") cmdCancel_Click();
    else if (controlName == "cmdHelp") cmdHelp_Click();
    else if (controlName == "cbAutomaticSave") cbAutomaticSave_Click();
    else if (controlName == "cbPrompt") cbPrompt_Click();
    else if (controlName == "cbSaveBackup") cbSaveBackup_Click();
    else if (controlName == "optSaveActive") optSaveActive_Click();
    else if (controlName == "optSaveAll") optSaveAll_Click();
}

void frmAutoSave::cmdOK_Click() {
    constexpr std::string_view label = "frmAutoSave:cmdOK_Click()";
    bool hidden = false, doneTried = false;
    guarded(m_module.errors, label, [&] {
        Form& f = form();
        const std::string interval = f.control("txtMinutes").text();
        if (!IsIntervalAccepted(m_module, interval)) {
            m_module.services.desktop.messageBox(text(IDS_INTERVAL_NOT_VALID), text(IDS_NAME), kMessageBoxInformation);
            selectInterval();
            return;
        }
        f.hide();
        hidden = true;
        m_strEditMinutes = interval;  // as typed, blanks included
        const std::pair<const char*, const std::string*> settings[] = {
            {"Status", &m_strEditStatus}, {"Documents", &m_strEditDocuments},   {"Minutes", &m_strEditMinutes},
            {"Prompt", &m_strEditPrompt}, {"SaveBackup", &m_strEditSaveBackup},
        };
        for (const auto& [name, value] : settings) deref(getObject(m_AddInEntry, "Object")).put(name, *value);
        deref(controlFramework()).put("Interactive", true);
        restackHostWindow();
        doneTried = true;
        setDone();
    });
    // A write failed with the dialog already hidden: end the command all the
    // same. A failed Done was reported already; trying it again would only
    // report it twice.
    if (hidden && !doneTried) endCommandAfterFailure(label);
}

void frmAutoSave::cmdCancel_Click() {
    guarded(m_module.errors, "frmAutoSave:cmdCancel_Click()", [&] {
        deref(controlFramework()).put("Interactive", true);
        restackHostWindow();
        form().hide();
        setDone();
    });
}

void frmAutoSave::cmdHelp_Click() {
    guarded(m_module.errors, "frmAutoSave.cmdHelp_Click", [&] {
        std::string key = toText(deref(m_module.g_Application).get("ApplicationKey"));
        std::string helpFile = GetHelpFileNameFromRegistry(m_module, key);
        m_module.services.desktop.showHelp(form().windowHandle(), helpFile, kHelpContext);
    });
}

void frmAutoSave::cbAutomaticSave_Click() {
    guarded(m_module.errors, "frmAutoSave:cbAutomaticSave_Click()", [&] {
        m_module.g_bUpdateMenuCheck = true;
        Form& f = form();
        bool on = f.control("cbAutomaticSave").value() == 1;
        m_strEditStatus = on ? "On" : "Off";
        for (const char* name : {"optSaveActive", "optSaveAll", "cbPrompt", "cbSaveBackup"})
            f.control(name).setEnabled(on);
        if (on) {
            selectInterval();
        } else if (m_bActivated) {
            f.control("cmdOK").setFocus();
        }
    });
}

void frmAutoSave::cbPrompt_Click() {
    guarded(m_module.errors, "frmAutoSave:cbPrompt_Click()",
            [&] { m_strEditPrompt = form().control("cbPrompt").value() == 1 ? "On" : "Off"; });
}

void frmAutoSave::cbSaveBackup_Click() {
    guarded(m_module.errors, "frmAutoSave:cbSaveBackup_Click()",
            [&] { m_strEditSaveBackup = form().control("cbSaveBackup").value() == 1 ? "On" : "Off"; });
}

void frmAutoSave::optSaveActive_Click() {
    guarded(m_module.errors, "frmAutoSave:optSaveActive_Click()", [&] { m_strEditDocuments = "Active"; });
}

void frmAutoSave::optSaveAll_Click() {
    guarded(m_module.errors, "frmAutoSave:optSaveAll_Click()", [&] { m_strEditDocuments = "All"; });
}

}  // namespace autosave
