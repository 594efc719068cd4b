#include "tessaline/HostMenuItem.h"

#include "tessaline/ComMethod.h"
#include "tessaline/HostMenuCollection.h"
#include "tessaline/MainWindow.h"
#include "tessaline/MenuText.h"

namespace tessaline {
namespace {

constexpr HRESULT kNoSuchItem = HRESULT_FROM_WIN32(ERROR_MENU_ITEM_NOT_FOUND);

}  // namespace

HostMenuItem::HostMenuItem(std::shared_ptr<HostContext> context, win32::com_ptr<HostMenuCollection> parent,
                           UINT command, HMENU submenu) noexcept
    : HostObject(std::move(context)), m_parent(std::move(parent)), m_command(command), m_submenu(submenu) {}

HostMenuItem::~HostMenuItem() = default;

win32::com_ptr<HostMenuItem> HostMenuItem::create(std::shared_ptr<HostContext> context,
                                                  win32::com_ptr<HostMenuCollection> parent, UINT command,
                                                  HMENU submenu) noexcept {
    return win32::com_ptr<HostMenuItem>::attach(
        new (std::nothrow) HostMenuItem(std::move(context), std::move(parent), command, submenu));
}

int HostMenuItem::position() const noexcept {
    HMENU menu = m_parent->menu();
    if (!IsMenu(menu)) return -1;
    return m_submenu ? menu_text::position_of_submenu(menu, m_submenu)
                     : menu_text::position_of_command(menu, m_command);
}

HRESULT HostMenuItem::get_name(BSTR* result) noexcept {
    return property(L"name", result, [&](BSTR& out) -> HRESULT {
        int at = position();
        if (at < 0) return kNoSuchItem;
        return hand_out_text(menu_text::plain(menu_text::caption_at(m_parent->menu(), at)), &out);
    });
}

HRESULT HostMenuItem::get_MenuItems(IDispatch** result) noexcept {
    return property(L"MenuItems", result, [&](IDispatch*& out) -> HRESULT {
        if (!m_submenu) return S_OK;  // a command has no items: Nothing
        int at = position();
        if (at < 0) return kNoSuchItem;
        auto items = HostMenuCollection::create(shared_context(), m_submenu,
                                                menu_text::plain(menu_text::caption_at(m_parent->menu(), at)));
        return items ? hand_out(items, &out) : E_OUTOFMEMORY;
    });
}

HRESULT HostMenuItem::get_ParentMenu(IDispatch** result) noexcept {
    return object_property(L"ParentMenu", result, [this] { return m_parent; });
}

HRESULT HostMenuItem::get_ID(LONG* result) noexcept {
    return property(L"ID", result, [&](LONG& out) {
        out = static_cast<LONG>(m_command);
        return S_OK;
    });
}

HRESULT HostMenuItem::Delete() noexcept {
    return member(L"Delete", [&]() -> HRESULT {
        int at = position();
        if (at < 0) return kNoSuchItem;
        if (!DeleteMenu(m_parent->menu(), static_cast<UINT>(at), MF_BYPOSITION))
            return HRESULT_FROM_WIN32(GetLastError());
        if (MainWindow* window = context().window(); window && m_command) window->unbind_command(m_command);
        return S_OK;
    });
}

}  // namespace tessaline
