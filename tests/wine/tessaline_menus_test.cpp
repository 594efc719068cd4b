// The reference host's menus in-process, as add-ins and users reach them: the
// menu collections, command checks, the status bar, and the menu bar in each
// interface language.
#include "tests/wine/TessalineFixture.h"
#include "tests/wine/WineTest.h"

#include "addin/StringIds.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"
#include "tessaline/HostFramework.h"
#include "tessaline/LateBound.h"
#include "tessaline/MenuCaptions.h"
#include "tessaline/ScriptRunner.h"

#include <commctrl.h>

#include <span>
#include <string>
#include <vector>

#include "Tessaline.h"

using namespace tessaline_fixture;
namespace late_bound = tessaline::late_bound;

WINE_TEST(menus) {
    Apartment apartment;
    Host host;
    auto framework = host.framework();
    auto menus = get_object(framework.get(), L"Menus");
    if (!ok(menus, "Menus")) return;
    HMENU bar = host.session->window().menu_bar();
    ok(get_long(menus.get(), L"Count") == GetMenuItemCount(bar), "Count is the real menu bar's");

    win32::unique_variant nothing;
    HRESULT hr = call(menus.get(), DISPID_VALUE, kGet, Args(L"No such menu"), nothing.get());
    ok(hr == S_OK && V_VT(nothing.get()) == VT_DISPATCH && !V_DISPATCH(nothing.get()),
       "an unknown menu name gives Nothing without failing (0x%08lx)", hr);

    auto tools = get_object(menus.get(), L"Menu", Args(L"tools"));
    if (!ok(tools, "a menu found by its name without '&' and in other case")) return;
    ok(get_text(tools.get(), L"name") == L"Tools", "its name");
    auto items = get_object(tools.get(), L"MenuItems");
    ok(get_text(items.get(), L"MenuName") == L"Tools", "MenuName of its items is the menu's name");
    ok(static_cast<bool>(get_object(menus.get(), L"Menu", Args(L"&Tools"))), "the raw caption finds it too");

    HMENU toolsMenu = GetSubMenu(bar, 1);
    int before = GetMenuItemCount(toolsMenu);
    auto added = get_object(items.get(), L"AddCommand", Args(L"&Auto save settings...", L"Tessaline.TestAddIn"));
    if (!ok(added, "AddCommand returns the new item")) return;
    ok(GetMenuItemCount(toolsMenu) == before + 1, "the real menu has one more item");
    long id = get_long(added.get(), L"ID");
    ok(id != 0 && GetMenuItemID(toolsMenu, before) == static_cast<UINT>(id), "ID is the real item's command id");
    ok(win32::same_object(get_object(added.get(), L"ParentMenu").get(), items.get()), "ParentMenu is the collection");
    ok(get_text(added.get(), L"name") == L"Auto save settings...", "the new item's name");

    Args byRef(before + 1);
    byRef.by_reference();
    ok(get_long(get_object(items.get(), L"Item", std::move(byRef)).get(), L"ID") == id,
       "Item with the index by reference");
    ok(get_long(get_object(items.get(), L"Item", Args(before + 1)).get(), L"ID") == id, "Item with the index by value");
    win32::unique_variant none;
    ok(FAILED(call(items.get(), L"Item", kGet, Args(before + 5), none.get())), "Item beyond the end fails");

    win32::unique_variant ignored;
    ok(call(added.get(), L"Delete", DISPATCH_METHOD, Args(), ignored.get()) == S_OK, "Delete");
    ok(GetMenuItemCount(toolsMenu) == before, "the real item is gone");
    ok(FAILED(call(added.get(), L"Delete", DISPATCH_METHOD, Args(), ignored.get())), "a deleted item cannot go twice");

    hr = call(framework.get(), L"SetCommandCheck", DISPATCH_METHOD, Args(tessaline::kCmdFileSave, true), ignored.get());
    ok(hr == S_OK && (GetMenuState(bar, tessaline::kCmdFileSave, MF_BYCOMMAND) & MF_CHECKED),
       "SetCommandCheck checks the real item");

    ok(late_bound::put(framework.get(), L"StatusBar", L"Saving drawing", nullptr) == S_OK, "StatusBar put");
    wchar_t shown[64] = {};
    SendMessageW(host.session->window().status_bar(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(shown));
    ok(std::wstring(shown) == L"Saving drawing", "the real status bar shows it");
    HWND hwnd = static_cast<HWND>(LongToHandle(get_long(framework.get(), L"hwnd")));
    wchar_t title[64] = {};
    GetWindowTextW(hwnd, title, 64);
    ok(hwnd == host.session->window().hwnd() && std::wstring(title) == L"Tessaline", "hwnd is the main window");
}

WINE_TEST(menu_language_and_checks) {
    Apartment apartment;
    // The menu bar shows the language's table, English for a language
    // without one; the add-in finds the Tools menu by the name its own
    // language library gives it.
    struct Case {
        const wchar_t* language;
        std::span<const tessaline::MenuCaption> captions;
        const wchar_t* library;
    };
    const Case cases[] = {
        {L"ENU", tessaline::kMenuCaptionsENU, L"vokAutoSave_ENU.dll"},
        {L"deu", tessaline::kMenuCaptionsDEU, L"vokAutoSave_DEU.dll"},
        {L"JPN", tessaline::kMenuCaptionsJPN, L"vokAutoSave_JPN.dll"},
        {L"XYZ", tessaline::kMenuCaptionsENU, L"vokAutoSave_ENU.dll"},
    };
    for (const auto& c : cases) {
        std::vector<std::wstring> menuCaptions;
        for (const auto& caption : c.captions)
            if (caption.command == 0) menuCaptions.push_back(caption.text);
        win32::unique_hmodule library(
            LoadLibraryExW((beside_this_program() + c.library).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        wchar_t toolsName[64] = {};
        if (!ok(library && LoadStringW(library.get(), IDS_MENU_NAME, toolsName, 64) > 0, "%ls: no menu name in %ls",
                c.language, c.library))
            continue;
        tessaline::SessionOptions options;
        options.language = c.language;
        Host host(std::move(options));
        HMENU bar = host.session->window().menu_bar();
        for (size_t i = 0; i < menuCaptions.size(); ++i) {
            wchar_t shown[64] = {};
            GetMenuStringW(bar, static_cast<UINT>(i), shown, 64, MF_BYPOSITION);
            ok(menuCaptions[i] == shown, "%ls: menu %zu is '%ls'", c.language, i, shown);
        }
        const std::wstring tools = toolsName;
        auto menus = get_object(host.framework().get(), L"Menus");
        auto found = get_object(menus.get(), L"Menu", Args(tools.c_str()));
        ok(found && get_text(found.get(), L"name") == tools, "%ls: the Tools menu is found by its name", c.language);
        ok(get_text(get_object(found.get(), L"MenuItems").get(), L"MenuName") == tools, "%ls: MenuName matches",
           c.language);
    }

    Host host;
    auto framework = host.framework();
    HMENU bar = host.session->window().menu_bar();
    auto set_check = [&](long id, bool on) {
        win32::unique_variant ignored;
        return call(framework.get(), L"SetCommandCheck", DISPATCH_METHOD, Args(id, on), ignored.get());
    };
    set_check(tessaline::kCmdToolsRedraw, true);
    ok(GetMenuState(bar, tessaline::kCmdToolsRedraw, MF_BYCOMMAND) & MF_CHECKED, "checked on the real menu");
    tessaline::ScriptRunner runner(*host.session);
    runner.run_line("check Redraw", 1);
    runner.run_line("menu", 2);
    set_check(tessaline::kCmdToolsRedraw, false);
    ok(!(GetMenuState(bar, tessaline::kCmdToolsRedraw, MF_BYCOMMAND) & MF_CHECKED), "and unchecked");
    runner.run_line("check 32771", 3);
    ok(FAILED(set_check(12345, true)), "an unknown command id is refused");
    std::string log = host.log_text();
    ok(contains(log, "check Redraw -> checked") && contains(log, "check 32771 -> unchecked"),
       "the check step reads the real state");
    ok(contains(log, "  32771 \"Redraw\" checked"), "the menu step lists items with their state");
}

WINE_TEST_MAIN
