// A menu of the main window as add-ins see it: the menu bar (its menus) or
// one menu (its items). Reads the real menu every time, so it always agrees
// with what the user sees.
//
// The default member looks an entry up by name: the key matches a caption
// either exactly or with '&' markers and accelerator text removed from both,
// ignoring letter case; an unknown name gives Nothing.
#pragma once

#include "tessaline/HostObject.h"

#include "Tessaline.h"

#include <string>

namespace tessaline {

class HostMenuItem;

class HostMenuCollection final : public HostObject<MenuCollection> {
public:
    static win32::com_ptr<HostMenuCollection> create(std::shared_ptr<HostContext> context, HMENU menu,
                                                     std::wstring name) noexcept;

    // Under /byref, Item refuses an index passed by value.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argErr) noexcept override;

    HRESULT STDMETHODCALLTYPE get_Menu(BSTR key, IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Item(LONG* index, IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_MenuName(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE AddCommand(BSTR caption, BSTR progId, IDispatch** result) noexcept override;

    HMENU menu() const noexcept { return m_menu; }
    const std::wstring& name() const noexcept { return m_name; }

private:
    HostMenuCollection(std::shared_ptr<HostContext> context, HMENU menu, std::wstring name) noexcept;
    ~HostMenuCollection() override = default;

    // The entry at a 0-based position; empty when there is none.
    win32::com_ptr<HostMenuItem> item_at(int position);

    HMENU m_menu;
    std::wstring m_name;
};

}  // namespace tessaline
