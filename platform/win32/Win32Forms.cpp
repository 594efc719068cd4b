#include "platform/win32/Win32Forms.h"

#include "platform/win32/Win32Form.h"

namespace win32 {

Win32Forms::Win32Forms() : m_owner(std::make_shared<unique_hwnd>()) {}
Win32Forms::~Win32Forms() = default;

std::unique_ptr<autosave::Form> Win32Forms::load(const autosave::FormLayout& layout, autosave::FormEvents& events) {
    auto form = std::make_unique<Win32Form>(layout, events, m_owner);
    form->create();
    return form;
}

}  // namespace win32
