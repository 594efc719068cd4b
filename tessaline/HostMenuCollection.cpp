#include "tessaline/HostMenuCollection.h"

#include "platform/win32/Variant.h"
#include "tessaline/ComMethod.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostMenuItem.h"
#include "tessaline/MainWindow.h"
#include "tessaline/MenuText.h"

namespace tessaline {

HostMenuCollection::HostMenuCollection(std::shared_ptr<HostContext> context, HMENU menu, std::wstring name) noexcept
    : HostObject(std::move(context)), m_menu(menu), m_name(std::move(name)) {}

win32::com_ptr<HostMenuCollection> HostMenuCollection::create(std::shared_ptr<HostContext> context, HMENU menu,
                                                              std::wstring name) noexcept {
    return win32::com_ptr<HostMenuCollection>::attach(
        new (std::nothrow) HostMenuCollection(std::move(context), menu, std::move(name)));
}

win32::com_ptr<HostMenuItem> HostMenuCollection::item_at(int position) {
    if (!IsMenu(m_menu) || position < 0 || position >= GetMenuItemCount(m_menu)) return {};
    win32::com_ptr<HostMenuCollection> self(this);
    HMENU submenu = GetSubMenu(m_menu, position);
    UINT command = submenu ? 0 : GetMenuItemID(m_menu, position);
    auto item = HostMenuItem::create(shared_context(), std::move(self), command, submenu);
    if (!item) throw std::bad_alloc();
    return item;
}

HRESULT HostMenuCollection::get_Menu(BSTR key, IDispatch** result) noexcept {
    return property(L"Menu", result, [&](IDispatch*& out) -> HRESULT {
        if (!key || !IsMenu(m_menu)) return S_OK;
        std::wstring_view wanted(key, SysStringLen(key));
        int count = GetMenuItemCount(m_menu);
        for (int i = 0; i < count; ++i) {
            if (menu_text::names(wanted, menu_text::caption_at(m_menu, i))) return hand_out(item_at(i), &out);
        }
        return S_OK;  // Nothing
    });
}

HRESULT HostMenuCollection::get_Count(LONG* result) noexcept {
    return property(L"Count", result, [&](LONG& out) -> HRESULT {
        if (!IsMenu(m_menu)) return kHostGone;
        out = GetMenuItemCount(m_menu);
        return S_OK;
    });
}

HRESULT HostMenuCollection::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excep, UINT* argErr) noexcept {
    constexpr DISPID kItem = 2;  // as Tessaline.idl declares it
    // The type library's dispatcher would copy a value into the [in, out]
    // index; a strict host insists on the reference itself.
    if (id == kItem && context().by_reference() && params && params->cArgs > 0 &&
        !(V_VT(&params->rgvarg[params->cArgs - 1]) & VT_BYREF)) {
        if (argErr) *argErr = params->cArgs - 1;
        return DISP_E_TYPEMISMATCH;
    }
    return HostObject::Invoke(id, iid, lcid, flags, params, result, excep, argErr);
}

HRESULT HostMenuCollection::get_Item(LONG* index, IDispatch** result) noexcept {
    return property(L"Item", result, [&](IDispatch*& out) -> HRESULT {
        if (!index) return E_POINTER;
        auto item = item_at(*index - 1);
        return item ? hand_out(item, &out) : DISP_E_BADINDEX;
    });
}

HRESULT HostMenuCollection::get_MenuName(BSTR* result) noexcept {
    return property(L"MenuName", result, [&](BSTR& out) { return hand_out_text(m_name, &out); });
}

HRESULT HostMenuCollection::AddCommand(BSTR caption, BSTR progId, IDispatch** result) noexcept {
    return property(L"AddCommand", result, [&](IDispatch*& out) -> HRESULT {
        if (!caption || !progId) return E_INVALIDARG;
        MainWindow* window = context().window();
        if (!window || !IsMenu(m_menu)) return kHostGone;
        std::wstring boundTo(progId, SysStringLen(progId));
        UINT command = window->bind_command(boundTo);
        if (!AppendMenuW(m_menu, MF_STRING, command, caption)) {
            window->unbind_command(command);
            return HRESULT_FROM_WIN32(GetLastError());
        }
        // The menu bar keeps its items: the drop-down shows the new one when it opens.
        context().log().line("menu " + win32::narrow(m_name) + ": added command " + std::to_string(command) + " \"" +
                             win32::narrow(caption) + "\" -> " + win32::narrow(boundTo));
        auto item = HostMenuItem::create(shared_context(), win32::com_ptr<HostMenuCollection>(this), command, nullptr);
        return item ? hand_out(item, &out) : E_OUTOFMEMORY;
    });
}

}  // namespace tessaline
