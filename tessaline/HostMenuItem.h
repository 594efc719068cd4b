// One entry of a host menu: a top-level menu (it has MenuItems) or a
// command. It is found in the real menu by its submenu or command id, so it
// stays right while other entries come and go.
#pragma once

#include "tessaline/HostObject.h"

#include "Tessaline.h"

namespace tessaline {

class HostMenuCollection;

class HostMenuItem final : public HostObject<MenuItem> {
public:
    static win32::com_ptr<HostMenuItem> create(std::shared_ptr<HostContext> context,
                                               win32::com_ptr<HostMenuCollection> parent, UINT command,
                                               HMENU submenu) noexcept;

    HRESULT STDMETHODCALLTYPE get_name(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_MenuItems(IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ParentMenu(IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ID(LONG* result) noexcept override;
    HRESULT STDMETHODCALLTYPE Delete() noexcept override;

private:
    HostMenuItem(std::shared_ptr<HostContext> context, win32::com_ptr<HostMenuCollection> parent, UINT command,
                 HMENU submenu) noexcept;
    ~HostMenuItem() override;

    // Where the entry is now in its parent menu; -1 once it was deleted.
    int position() const noexcept;

    win32::com_ptr<HostMenuCollection> m_parent;
    UINT m_command;   // 0 for a menu
    HMENU m_submenu;  // null for a command
};

}  // namespace tessaline
