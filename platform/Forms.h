// Dialogs as the core sees them: forms built from a layout table, with
// controls that have a caption, an enabled state, a value, a text, a
// selection, the focus and a font; events for clicks, activation, keys and
// unload requests; and a modal show that returns when the form is hidden.
// Win32 builds real dialogs from the layout; the unit tests use a headless one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace autosave {

enum class ControlKind { Label, Button, CheckBox, OptionButton, TextBox, Frame };

// Positions and sizes in twips (1/1440 inch), relative to the form's client
// area, or to the frame named in `container`.
struct ControlLayout {
    std::string name;  // "cmdSave", "cbPrompt", ...
    ControlKind kind;
    int left, top, width, height;
    int tabIndex;
    std::string container{};     // empty: the form itself
    bool defaultButton = false;  // pressed by Enter
    int value = 0;               // design-time state: check box 1 = checked, option button 1 = selected
    std::string text{};          // design-time text of a text box
};

struct FormLayout {
    std::string name;               // "frmPrompt"
    int clientWidth, clientHeight;  // twips
    bool keyPreview = false;        // the form sees every key before the focused control
    std::vector<ControlLayout> controls;
};

struct Font {
    std::string name;
    double size = 8;
    int charset = 1;  // DEFAULT_CHARSET
};

// Unload modes, as the close request reports them.
inline constexpr int kUnloadFromControlMenu = 0;  // the user's close box or system menu
inline constexpr int kUnloadFromCode = 1;

class Control {
public:
    virtual ~Control() = default;
    virtual const std::string& name() const = 0;
    virtual ControlKind kind() const = 0;
    virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& caption) = 0;
    virtual bool enabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    // Check box: 0 unchecked, 1 checked. Option button: 1 selected. Setting a
    // new value runs the control's click handler, as a user's click would;
    // selecting an option button clears the others of its container.
    virtual int value() const = 0;
    virtual void setValue(int value) = 0;
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
    virtual void select(int start, int length) = 0;  // text box selection, in characters
    virtual void setFocus() = 0;
    virtual bool hasFocus() const = 0;
    // Labels, buttons, check boxes, option buttons, text boxes and frames all
    // have a font; setFont raises a run-time error for a control without one.
    virtual Font font() const = 0;
    virtual void setFont(const Font& font) = 0;
};

// What a form tells the logic behind it. The handlers run on the UI thread,
// inside the modal loop while the form is shown.
class FormEvents {
public:
    virtual void Form_Activate() {}
    virtual void Form_KeyDown(int /*keyCode*/, int /*shift*/) {}
    // Set cancel to keep the form loaded.
    virtual void Form_QueryUnload(bool& /*cancel*/, int /*unloadMode*/) {}
    virtual void Click(const std::string& /*controlName*/) {}

protected:
    ~FormEvents() = default;
};

class Form {
public:
    virtual ~Form() = default;
    virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& caption) = 0;
    // The control of that name; a name the layout lacks raises a run-time error.
    virtual Control& control(std::string_view name) = 0;
    // Every control, in layout order.
    virtual std::vector<Control*> controls() = 0;
    virtual Font font() const = 0;
    virtual void setFont(const Font& font) = 0;

    // Shows the form modally, without an owner; returns when the form has
    // been hidden or unloaded.
    virtual void showModal() = 0;
    virtual void hide() = 0;
    virtual bool visible() const = 0;
    // False once the user closed the form and the close was not cancelled;
    // such a form must be created again.
    virtual bool loaded() const = 0;
    // Unloads by code (the close request sees kUnloadFromCode).
    virtual void unload() = 0;

    // The form's window, as a 32-bit handle value.
    virtual std::int32_t windowHandle() const = 0;
    // The face name of the system's default GUI font as the form's device
    // context reports it; the context gets its font back afterwards.
    virtual std::string defaultGuiFontFace() = 0;
};

class Forms {
public:
    virtual ~Forms() = default;
    // Creates a form, hidden, with its controls in their design-time state.
    // The caller runs its own load handler afterwards, once it holds the form.
    virtual std::unique_ptr<Form> load(const FormLayout& layout, FormEvents& events) = 0;
};

}  // namespace autosave
