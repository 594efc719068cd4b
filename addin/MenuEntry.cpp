// CAddIn's one menu item, which opens the settings dialog.
#include "addin/AddIn.h"

#include "addin/MRegistry.h"
#include "addin/StringIds.h"
#include "addin/Version.h"
#include "host/HostModel.h"

namespace autosave {
namespace {

// The collection's item with that caption seen as a menu item; Nothing when
// there is none (the host's look-up answers Nothing, it does not fail).
ObjectPtr itemByCaption(const ObjectPtr& collection, const std::string& caption) {
    ObjectPtr item = toObject(deref(collection).get(kDefaultMember, {caption}));
    return item ? item->query(host::IID_MenuItem) : nullptr;
}

}  // namespace

void CAddIn::CreateMenuEntry(const std::string& menuName) {
    guarded(m_module.errors, "CAddIn:CreateMenuEntry()", [&] {
        if (!m_module.g_Application) return;
        ObjectPtr menu = itemByCaption(getObject(m_module.g_Application, "Menus"), menuName);
        if (!menu) return;
        auto caption = [&] { return get_name() + GetResourceString(m_module, m_module.g_hResourceLib, IDS_ELLIPSIS); };
        if (ObjectPtr existing = itemByCaption(getObject(menu, "MenuItems"), caption())) {
            m_MenuCommand = existing;  // adopt it: never a second item
            return;
        }
        ObjectPtr added = toObject(
            deref(getObject(menu, "MenuItems")).call("AddCommand", {caption(), commandProgId()}));
        m_MenuCommand = added ? added->query(host::IID_MenuItem) : nullptr;
    });
}

bool CAddIn::menuItemOnMenuBar(const ObjectPtr& framework) {
    const std::int32_t count = toInt32(deref(getObject(framework, "Menus")).get("Count"));
    for (std::int32_t i = 1; i <= count; ++i) {
        ObjectPtr menu = toObject(deref(getObject(framework, "Menus")).get("Item", {i}));
        std::string name = toText(deref(menu).get("name"));
        ObjectPtr holder = getObject(m_MenuCommand, "ParentMenu");
        holder = holder ? holder->query(host::IID_MenuCollection) : nullptr;
        if (name == toText(deref(holder).get("MenuName"))) return true;
    }
    return false;
}

void CAddIn::RemoveMenuEntry(const ObjectPtr& app) {
    if (!m_MenuCommand) return;
    // Only while its menu is still on the menu bar.
    if (menuItemOnMenuBar(getObject(app, "orvapplication"))) m_MenuCommand->call("Delete");
    m_MenuCommand = nullptr;
}

}  // namespace autosave
