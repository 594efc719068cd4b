// Forms as real Win32 dialogs, built at run time from their layout tables.
//
// Each form is a dialog made from an in-memory template: fixed dialog frame
// with caption and close box (no minimise or maximise box), the font
// "MS Shell Dlg" at 8 points, twips mapped to dialog units as DialogUnits
// describes. Controls are created in tab order (tabIndex), which is the
// order Tab walks them. The form is owned by a hidden window of its own,
// which keeps it off the taskbar; no window of the host becomes its owner or
// is disabled while it is shown. It opens centred on the window that was
// active, or on the screen.
//
// Finding a control from outside (also from another process): its control
// ID is kFirstControlId + its index in the layout, its window text is its
// caption, and its property kControlNameProp holds a global atom whose name
// is the control's layout name (the dialog's own property kFormNameProp
// holds the form's name). findControl() and controlName() read them.
#pragma once

#include "platform/Forms.h"
#include "platform/win32/Unique.h"

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

namespace win32 {

inline constexpr int kFirstControlId = 1000;
inline constexpr wchar_t kControlNameProp[] = L"ControlName";
inline constexpr wchar_t kFormNameProp[] = L"FormName";
// The forms' window class: the dialog class with a device context of its own,
// so that a font selected into it stays selected.
inline constexpr wchar_t kFormClass[] = L"vokAutoSaveForm";

class Win32Forms final : public autosave::Forms {
public:
    Win32Forms();
    ~Win32Forms() override;
    Win32Forms(const Win32Forms&) = delete;
    Win32Forms& operator=(const Win32Forms&) = delete;

    std::unique_ptr<autosave::Form> load(const autosave::FormLayout& layout, autosave::FormEvents& events) override;

private:
    // The hidden owner of every form; a form holds it as long as it lives.
    std::shared_ptr<unique_hwnd> m_owner;
};

// The layout name a control's window (or a form's dialog) carries; empty
// when it carries none.
std::string controlName(HWND window);
// The child of `form` with that layout name (letter case ignored), or null.
HWND findControl(HWND form, std::string_view name);

}  // namespace win32
