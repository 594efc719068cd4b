// Forms as real Win32 dialogs, built at run time from their layout tables.
//
// Each form is a dialog made from an in-memory template: fixed dialog frame
// with caption and close box (no minimise or maximise box), the font
// "MS Shell Dlg" at 8 points, twips mapped to dialog units as DialogUnits
// describes. Controls are created in tab order (tabIndex), which is the
// order Tab walks them. The form is owned by a hidden window of its own,
// which keeps it off the taskbar; no window of the host becomes its owner or
// is disabled while it is shown. It opens centred on the window that was
// active, or on the screen. ControlNames.h says how its windows are found
// from outside.
#pragma once

#include "platform/Forms.h"
#include "platform/win32/Unique.h"

#include <windows.h>

#include <memory>

namespace win32 {

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

}  // namespace win32
