// Forms without windows. showModal() hands the form to a scripted "user"
// who clicks, types, presses keys or uses the close box; the form keeps every
// state a test asks about (captions, enabled states, values, texts,
// selection, focus, fonts, showings). The rules follow the Win32 forms:
// clicks of disabled controls do nothing, a check box or option button runs
// its click handler only when its value changes (by the user or by code),
// Escape does nothing unless the form's key handler acts, Enter presses the
// focused button or else the default button, and the close box unloads
// unless the unload request is cancelled.
#pragma once

#include "platform/Forms.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fakes {

class HeadlessForm;

class HeadlessForms final : public autosave::Forms {
public:
    using User = std::function<void(HeadlessForm&)>;

    HeadlessForms();
    ~HeadlessForms() override;

    // Each showing takes the next script entry; with none left, `user` acts.
    std::deque<User> script;
    User user;
    // Controls, by name, that have no font.
    std::set<std::string> fontless;
    // What defaultGuiFontFace() reports.
    std::string guiFontFace = "MS Shell Dlg";

    std::unique_ptr<autosave::Form> load(const autosave::FormLayout& layout, autosave::FormEvents& events) override;

    // The live form last loaded with that layout name, or null.
    HeadlessForm* find(const std::string& formName) const;
    // How many times a layout of that name was loaded.
    int loadCount(const std::string& formName) const;

private:
    friend class HeadlessForm;
    User nextUser();

    // Outlives this object while forms remain.
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

class HeadlessControl final : public autosave::Control {
public:
    HeadlessControl(HeadlessForm& form, const autosave::ControlLayout& layout, bool hasFont);

    const std::string& name() const override { return m_layout.name; }
    autosave::ControlKind kind() const override { return m_layout.kind; }
    const autosave::ControlLayout& layout() const { return m_layout; }
    std::string caption() const override { return m_text; }
    void setCaption(const std::string& caption) override { m_text = caption; }
    bool enabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override { m_enabled = enabled; }
    int value() const override;
    void setValue(int value) override;
    std::string text() const override { return m_text; }
    void setText(const std::string& text) override { m_text = text; }
    void select(int start, int length) override;
    void setFocus() override;
    bool hasFocus() const override;
    autosave::Font font() const override;
    void setFont(const autosave::Font& font) override;

    int selectionStart() const { return m_selStart; }
    int selectionLength() const { return m_selLength; }
    bool hasFont() const { return m_hasFont; }
    int fontChanges() const { return m_fontChanges; }
    bool focusable() const;

private:
    friend class HeadlessForm;
    HeadlessForm& m_form;
    autosave::ControlLayout m_layout;
    std::string m_text;
    bool m_enabled = true;
    int m_value;
    int m_selStart = 0, m_selLength = 0;
    bool m_hasFont;
    int m_fontChanges = 0;
    autosave::Font m_font{"MS Shell Dlg", 8, 1};
};

class HeadlessForm final : public autosave::Form {
public:
    HeadlessForm(std::shared_ptr<HeadlessForms::Shared> shared, const autosave::FormLayout& layout,
                 autosave::FormEvents& events);
    ~HeadlessForm() override;

    // --- what the user does while the form is shown ---
    // Clicks a control: focuses it, then a button runs its click handler, a
    // check box toggles, an option button is selected. Nothing happens to a
    // disabled control; false then.
    bool click(const std::string& name);
    // Types into a text box, replacing its text (no events).
    void type(const std::string& name, const std::string& text);
    // A key: the form's key handler first (key preview), then Enter presses
    // the focused button or the default button. Shift as the handler gets it.
    void pressKey(int keyCode, int shift = 0);
    // The title-bar close button.
    void closeBox();
    // The form becomes active again (e.g. after a message box).
    void activate();

    // --- what a test reads ---
    HeadlessControl& get(const std::string& name);
    const autosave::FormLayout& layout() const { return m_layout; }
    std::string focusedControl() const { return m_focus; }
    int showCount() const { return m_showCount; }
    int activateCount() const { return m_activateCount; }
    bool unloadedByUser() const { return m_unloadedByUser; }
    // Every visible change in order: "caption cmdSave=Save", "enabled cbPrompt=0",
    // "value cbPrompt=1", "text txtMinutes=10", "select txtMinutes 0 2",
    // "focus cmdOK", "font cmdOK=Tahoma/9/128", "form.caption X",
    // "form.font Tahoma/8/1", "show", "hide", "unload 0".
    std::vector<std::string> log;

    // --- autosave::Form ---
    std::string caption() const override { return m_caption; }
    void setCaption(const std::string& caption) override;
    autosave::Control& control(std::string_view name) override;
    std::vector<autosave::Control*> controls() override;
    autosave::Font font() const override { return m_font; }
    void setFont(const autosave::Font& font) override;
    void showModal() override;
    void hide() override;
    bool visible() const override { return m_visible; }
    bool loaded() const override { return m_loaded; }
    void unload() override;
    std::int32_t windowHandle() const override { return m_loaded ? m_handle : 0; }
    std::string defaultGuiFontFace() override;

private:
    friend class HeadlessControl;
    void requireShown(const char* action) const;
    void selectOption(HeadlessControl& selected);
    void doUnload(int mode);

    std::shared_ptr<HeadlessForms::Shared> m_shared;
    autosave::FormLayout m_layout;
    autosave::FormEvents& m_events;
    std::vector<std::unique_ptr<HeadlessControl>> m_controls;
    std::string m_caption;
    autosave::Font m_font{"MS Shell Dlg", 8, 1};
    std::string m_focus;
    bool m_loaded = true;
    bool m_visible = false;
    bool m_unloadedByUser = false;
    int m_showCount = 0;
    int m_activateCount = 0;
    std::int32_t m_handle;
};

}  // namespace fakes
