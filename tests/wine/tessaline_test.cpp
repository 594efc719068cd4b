// Conformance test of the reference host's object model, driven in-process
// through IDispatch as add-ins drive it: the event source and its sinks, the
// menus, the add-ins collection and the add-ins' lifecycle, failures
// injected into members, and the documents with their events.
#include "tests/wine/TessalineFixture.h"
#include "tests/wine/WineTest.h"

#include "platform/win32/ComObject.h"
#include "platform/win32/Variant.h"
#include "tessaline/AddInRegistry.h"
#include "tessaline/Drawing.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/HostFramework.h"
#include "tessaline/LateBound.h"
#include "tessaline/MenuCaptions.h"
#include "tessaline/ScriptRunner.h"

#include <commctrl.h>
#include <olectl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Tessaline.h"

using namespace tessaline_fixture;
namespace late_bound = tessaline::late_bound;

namespace {

DWORD attributes_of(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

std::vector<com_ptr<IDispatch>> enumerate(IDispatch* collection) {
    std::vector<com_ptr<IDispatch>> out;
    win32::unique_variant enumVar;
    if (!collection || FAILED(call(collection, DISPID_NEWENUM, kGet, Args(), enumVar.get())) ||
        V_VT(enumVar.get()) != VT_UNKNOWN || !V_UNKNOWN(enumVar.get()))
        return out;
    com_ptr<IEnumVARIANT> items;
    V_UNKNOWN(enumVar.get())->QueryInterface(IID_IEnumVARIANT, items.put_void());
    if (!items) return out;
    win32::unique_variant item;
    while (items->Next(1, item.put(), nullptr) == S_OK) {
        if (V_VT(item.get()) == VT_DISPATCH) out.emplace_back(V_DISPATCH(item.get()));
    }
    return out;
}

}  // namespace

WINE_TEST(event_source_connections) {
    Apartment apartment;
    Host host;
    auto source = get_object(host.framework().get(), L"EventSource");
    auto container = source.try_query<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ok(container, "the event source is a connection point container");
    if (!container) return;

    com_ptr<IConnectionPoint> point, none;
    ok(container->FindConnectionPoint(IID_IDispatch, none.put()) == CONNECT_E_NOCONNECTION && !none,
       "no connection point for other interfaces");
    ok(container->FindConnectionPoint(DIID_ApplicationEvents, point.put()) == S_OK, "connection point found");
    IID iid{};
    point->GetConnectionInterface(&iid);
    ok(iid == DIID_ApplicationEvents, "the point is for the application events");
    com_ptr<IConnectionPointContainer> back;
    point->GetConnectionPointContainer(back.put());
    ok(win32::same_object(back.get(), container.get()), "the point leads back to its container");

    auto a = com_ptr<TestSink>::attach(new TestSink(true));
    auto b = com_ptr<TestSink>::attach(new TestSink(true));
    auto stranger = com_ptr<TestSink>::attach(new TestSink(false));
    DWORD ca = 0, cb = 0, cs = 77;
    ok(point->Advise(a.get(), &ca) == S_OK && ca != 0, "first sink connected");
    ok(point->Advise(b.get(), &cb) == S_OK && cb != 0 && cb != ca, "second sink gets its own cookie");
    ok(point->Advise(stranger.get(), &cs) == CONNECT_E_CANNOTCONNECT && cs == 0,
       "an object without the event interface is refused");
    ok(host.session->context().events()->sink_count() == 2, "two sinks connected");
    ok(a->refs() > 1, "the host holds the sink while connected");

    ok(point->Unadvise(ca) == S_OK, "unadvise");
    ok(a->refs() == 1, "the host let go of the sink");
    ok(point->Unadvise(ca) == CONNECT_E_NOCONNECTION, "a cookie works only once");
    ok(point->Unadvise(ca + cb + 100) == CONNECT_E_NOCONNECTION, "unknown cookie refused");
    DWORD cc = 0;
    point->Advise(a.get(), &cc);
    ok(cc != ca && cc != cb, "cookies are not reused");
    point->Unadvise(cb);
    point->Unadvise(cc);
    ok(host.session->context().events()->sink_count() == 0, "all disconnected");
}

WINE_TEST(idle_events_and_sinks_leaving) {
    Apartment apartment;
    Host host;
    auto point = events_point(host);
    if (!ok(point, "connection point")) return;

    // The leaver is held only by the host, and disconnects itself in its first call.
    auto leaverGone = std::make_shared<bool>(false);
    bool aliveAfterUnadvise = false;
    DWORD leaverCookie = 0;
    {
        auto leaver = com_ptr<TestSink>::attach(new TestSink(true, leaverGone));
        leaver->onEvent = [&](TestSink&, DISPID id, DISPPARAMS&) {
            if (id != tessaline::kEventInIdle) return;
            point->Unadvise(leaverCookie);
            aliveAfterUnadvise = !*leaverGone;
        };
        point->Advise(leaver.get(), &leaverCookie);
    }
    auto stayer = com_ptr<TestSink>::attach(new TestSink(true));
    DWORD stayerCookie = 0;
    point->Advise(stayer.get(), &stayerCookie);

    ok(host.session->run_idle(3), "the message loop ran");
    ok(aliveAfterUnadvise, "a sink that disconnects inside its callback stays alive until the call returns");
    ok(*leaverGone, "and is released afterwards");
    ok(stayer->count(tessaline::kEventInIdle) == 3, "the other sink saw every InIdle (%u)",
       static_cast<unsigned>(stayer->count(tessaline::kEventInIdle)));
    void* app = identity(host.app().get());
    bool allWithApp = !stayer->seen.empty();
    for (const auto& e : stayer->seen) {
        allWithApp = allWithApp && e.types.size() == 1 && e.types[0] == VT_DISPATCH && e.firstObject == app;
    }
    ok(allWithApp, "InIdle carries the outer application object");
    point->Unadvise(stayerCookie);
}

WINE_TEST(event_arguments) {
    Apartment apartment;
    Host host;
    auto point = events_point(host);
    if (!ok(point, "connection point")) return;
    auto sink = com_ptr<TestSink>::attach(new TestSink(true));
    sink->onEvent = [](TestSink&, DISPID id, DISPPARAMS& params) {
        if (id == tessaline::kEventBeforeDocumentClose && params.cArgs == 3 &&
            V_VT(&params.rgvarg[0]) == (VT_BYREF | VT_BOOL))
            *V_BOOLREF(&params.rgvarg[0]) = VARIANT_TRUE;  // bCancel
    };
    DWORD cookie = 0;
    point->Advise(sink.get(), &cookie);

    tessaline::ScriptRunner runner(*host.session);
    runner.run_line("event DocumentSavedAs  C:\\drawings\\a b.drw  ", 1);
    runner.run_line("event BeforeDocumentClose", 2);
    runner.run_line("event CommandAborted 57603", 3);
    runner.run_line("event DocumentSaved", 4);
    point->Unadvise(cookie);

    if (!ok(sink->seen.size() == 4, "four events arrived (%u)", static_cast<unsigned>(sink->seen.size()))) return;
    const auto& savedAs = sink->seen[0];
    const std::vector<VARTYPE> savedAsTypes = {VT_BSTR, VT_DISPATCH};
    const std::vector<VARTYPE> closeTypes = {VT_BYREF | VT_BOOL, VT_BYREF | VT_BOOL, VT_DISPATCH};
    const std::vector<VARTYPE> commandTypes = {VT_I4}, savedTypes = {VT_DISPATCH};
    ok(savedAs.id == tessaline::kEventDocumentSavedAs && savedAs.types == savedAsTypes,
       "DocumentSavedAs(Document, fileName) in reverse order");
    ok(savedAs.text == L"C:\\drawings\\a b.drw", "file name with its blanks");
    ok(sink->seen[1].types == closeTypes,
       "BeforeDocumentClose(Document, bToBeSaved, bCancel) with Booleans by reference");
    ok(sink->seen[2].id == tessaline::kEventCommandAborted && sink->seen[2].types == commandTypes &&
           sink->seen[2].number == 57603,
       "CommandAborted carries the command id");
    ok(sink->seen[3].types == savedTypes && !sink->seen[3].firstObject, "DocumentSaved with no document");
    ok(contains(host.log_text(), "bToBeSaved=False, bCancel=True"), "the host sees what the sink set");
}

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

WINE_TEST(add_ins_collection) {
    Apartment apartment;
    FakeAddInClass fake;
    Host host;
    auto addIns = get_object(host.framework().get(), L"AddIns");
    if (!ok(addIns, "AddIns")) return;

    const wchar_t* exact = L"Tessaline.TestAddIn";
    const wchar_t* unknown = L"Tessaline.NoSuchAddIn";
    auto entry = get_object(addIns.get(), L"Add", Args(L"tessaline.testaddin", L""));
    if (!ok(entry, "Add creates the class whatever the letter case")) return;
    ok(get_text(entry.get(), L"ProgID") == kTestProgId, "and the entry goes by the class's own spelling");
    ok(g_addIn->calls.empty(), "Add calls nothing on the add-in");
    ok(win32::same_object(get_object(addIns.get(), L"Add", Args(exact, L"")).get(), entry.get()),
       "Add of the same class returns the same entry");
    win32::unique_variant nothing;
    HRESULT hr = call(addIns.get(), L"Add", DISPATCH_METHOD, Args(unknown, L""), nothing.get());
    ok(hr == S_OK && V_VT(nothing.get()) == VT_DISPATCH && !V_DISPATCH(nothing.get()),
       "an unknown class gives Nothing (0x%08lx)", hr);
    ok(get_long(addIns.get(), L"Count") == 1, "one entry");
    ok(win32::same_object(get_object(addIns.get(), L"Item", Args(1)).get(), entry.get()), "Item(1)");
    ok(win32::same_object(get_object(addIns.get(), L"Item", Args(exact)).get(), entry.get()), "Item(ProgID)");

    win32::unique_variant enumVar;
    call(addIns.get(), DISPID_NEWENUM, kGet, Args(), enumVar.get());
    com_ptr<IEnumVARIANT> items;
    if (V_VT(enumVar.get()) == VT_UNKNOWN && V_UNKNOWN(enumVar.get()))
        V_UNKNOWN(enumVar.get())->QueryInterface(IID_IEnumVARIANT, items.put_void());
    if (ok(items, "_NewEnum gives an enumerator")) {
        win32::unique_variant got[2];
        VARIANT raw[2];
        ULONG fetched = 0;
        ok(items->Next(2, raw, &fetched) == S_FALSE && fetched == 1, "it enumerates the one entry");
        for (ULONG i = 0; i < fetched; ++i) *got[i].put() = raw[i];
        ok(fetched == 1 && win32::same_object(V_DISPATCH(got[0].get()), entry.get()), "and it is the entry");
    }

    ok(get_text(entry.get(), L"Name") == L"First", "Name is the add-in's name");
    g_addIn->name = L"Second";
    ok(get_text(entry.get(), L"Name") == L"Second", "Name is read from the add-in each time");
    ok(get_long(entry.get(), L"Loaded") == 0, "not loaded before Load");
    win32::unique_variant ignored;
    ok(call(entry.get(), L"Load", DISPATCH_METHOD, Args(), ignored.get()) == S_OK, "Load");
    const std::vector<std::wstring> loadCalls = {L"InitializeApplication", L"Install"};
    ok(g_addIn->calls == loadCalls, "Load initialises and installs the add-in, as at start");
    ok(g_addIn->appIsByRef && g_addIn->docIsNothing && g_addIn->appIdentity == identity(host.app().get()),
       "Install(app, doc) gets the outer application and no document, by reference");
    ok(get_long(entry.get(), L"Loaded") != 0, "loaded after Load");

    // A menu command bound to the class: picking it creates another instance.
    auto menus = get_object(host.framework().get(), L"Menus");
    auto tools = get_object(get_object(menus.get(), L"Menu", Args(L"Tools")).get(), L"MenuItems");
    auto command = get_object(tools.get(), L"AddCommand", Args(L"Settings", exact));
    long id = get_long(command.get(), L"ID");
    SendMessageW(host.session->window().hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    ok(g_addIn->commandId == id, "Command_Initialize got a command object with the command's ID (%ld)",
       g_addIn->commandId);
    auto broken = get_object(tools.get(), L"AddCommand", Args(L"Settings", unknown));
    SendMessageW(host.session->window().hwnd(), WM_COMMAND, MAKEWPARAM(get_long(broken.get(), L"ID"), 0), 0);
    ok(contains(host.log_text(), "cannot create Tessaline.NoSuchAddIn"), "a command that cannot be created is logged");
}

WINE_TEST(lifecycle_and_live_objects) {
    Apartment apartment;
    FakeAddInClass fake;
    {
        tessaline::SessionOptions options;
        options.extraAddIns = {kTestProgId};
        Host host(std::move(options));
        const std::vector<std::wstring> startCalls = {L"InitializeApplication", L"Install", L"UIInitialize"};
        ok(g_addIn->calls == startCalls, "start: InitializeApplication, Install, UIInitialize");
        ok(g_addIn->appIdentity == identity(host.app().get()), "with the outer application");
        host.session->shutdown();
        ok(g_addIn->calls.size() == 5 && g_addIn->calls[3] == L"UIUnInitialize" && g_addIn->calls[4] == L"UnInstall",
           "exit: UIUnInitialize, then UnInstall");
        ok(g_addIn->shuttingDown, "UIUnInitialize is told the application is shutting down");
        ok(g_addIn->destroyed, "the host released the add-in");
        ok(win32::ModuleCount::value() == 0, "no host object left alive (%ld)", win32::ModuleCount::value());
        std::string log = host.log_text();
        ok(contains(log, "call Tessaline.TestAddIn.Install -> 0x00000000"), "lifecycle calls are logged");
        ok(contains(log, "host objects alive: 0"), "the count is logged");
    }
    {
        // Something outside keeps a host object: the count must say so.
        Host host;
        auto kept = host.framework();
        host.session->shutdown();
        ok(contains(host.log_text(), "host objects alive: 1"), "a kept object is counted");
        ok(!get_object(kept.get(), L"Parent"), "and it no longer reaches the torn-down host");
    }
    ok(win32::ModuleCount::value() == 0, "released at last (%ld)", win32::ModuleCount::value());
    {
        // A failed Install may still have taken host objects: exit undoes it all the same.
        tessaline::SessionOptions options;
        options.extraAddIns = {kTestProgId};
        g_addIn->calls.clear();
        g_addIn->failInstall = true;
        Host host(std::move(options));
        host.session->shutdown();
        ok(!g_addIn->calls.empty() && g_addIn->calls.back() == L"UnInstall", "UnInstall after a failed Install");
        ok(contains(host.log_text(), "host objects alive: 0"), "and everything was released");
    }
}

WINE_TEST(add_in_server_path) {
    Apartment apartment;
    FakeAddInClass fake;
    wchar_t clsid[40];
    StringFromGUID2(CLSID_TestAddIn, clsid, 40);
    std::wstring key = std::wstring(L"CLSID\\") + clsid;
    ok(tessaline::AddInRegistry::server_path(kTestProgId).empty(), "no server registered, no path");
    {
        win32::unique_hkey server;
        RegCreateKeyExW(HKEY_CLASSES_ROOT, (key + L"\\InprocServer32").c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        server.put(), nullptr);
        const wchar_t value[] = L"%SystemRoot%\\tessaline_test_addin.dll";
        RegSetValueExW(server.get(), nullptr, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);
    }
    wchar_t expected[MAX_PATH];
    ExpandEnvironmentStringsW(L"%SystemRoot%\\tessaline_test_addin.dll", expected, MAX_PATH);
    std::wstring path = tessaline::AddInRegistry::server_path(L"tessaline.testaddin");
    ok(path == expected, "the registered server, expanded: %s", win32::narrow(path).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
}

WINE_TEST(failure_injection) {
    Apartment apartment;
    tessaline::SessionOptions options;
    for (const wchar_t* member : {L"progid", L"orvapplication", L"EventSource", L"Menus"}) options.failures.add(member);
    Host host;
    Host failing(std::move(options));

    auto framework = host.framework();
    auto app = failing.app();
    // An exception comes back as its scode, with "source: description" as the error.
    std::string error;
    win32::unique_variant result;
    ok(call(app.get(), L"orvapplication", kGet, Args(), result.get(), &error) == E_FAIL && !error.empty(),
       "orvapplication fails late-bound");
    // Reach the failing framework by the host side: its own getter is what fails.
    auto failingFramework = com_ptr<IDispatch>(static_cast<IDispatch*>(failing.session->context().framework().get()));
    std::string progIdError;
    HRESULT hr = call(failingFramework.get(), L"ProgId", kGet, Args(), result.get(), &progIdError);
    ok(FAILED(hr) && !progIdError.empty(), "ProgId fails late-bound (named in another case)");
    ok(hr == E_FAIL && progIdError == "Tessaline: ProgId failed (injected)", "with the exception described");
    ok(!get_object(failingFramework.get(), L"EventSource"), "EventSource fails");
    ok(!get_object(failingFramework.get(), L"Menus"), "Menus fails");
    ok(get_text(failingFramework.get(), L"ApplicationKey") == L"Tessaline", "other members still work");

    auto vtable = failingFramework.try_query<FrameworkApplication>(IID_FrameworkApplication);
    win32::unique_bstr text;
    ok(vtable && vtable->get_ProgId(text.put()) == E_FAIL && !text, "the vtable method returns E_FAIL");
    com_ptr<IErrorInfo> info;
    win32::unique_bstr description;
    if (GetErrorInfo(0, info.put()) == S_OK) info->GetDescription(description.put());
    ok(description && std::wstring(description.get()) == L"ProgId failed (injected)", "and leaves error info");

    ok(get_text(framework.get(), L"ProgId") == L"Tessaline.Application", "a host without /fail is unaffected");
}

WINE_TEST(documents_identity_and_save) {
    Apartment apartment;
    Folder folder;
    Host host;
    auto framework = host.framework();
    tessaline::ScriptRunner runner(*host.session);
    ok(!get_object(framework.get(), L"ActiveDocument"), "no drawing open: ActiveDocument is Nothing");

    // An existing file that is no drawing is refused.
    {
        std::FILE* f = _wfopen((folder / L"junk.tsd").c_str(), L"wb");
        if (f) std::fputs("not a drawing\n", f), std::fclose(f);
    }
    runner.run_line(("open " + folder.script_path(L"junk.tsd")).c_str(), 1);
    runner.run_line(("open " + folder.script_path(L"plan.tsd")).c_str(), 2);
    runner.run_line(("open " + folder.script_path(L"site.tsd")).c_str(), 3);
    ok(contains(host.log_text(), "junk.tsd -> failed: not a drawing"), "a file without the header is refused");
    std::string created = read_text(folder / L"plan.tsd");
    ok(created.rfind("TESSALINE-DRAWING 1\r\n", 0) == 0, "a missing file is created with a drawing");

    auto documents = get_object(framework.get(), L"OpenDocuments");
    ok(get_long(documents.get(), L"Count") == 2, "two drawings open (%ld)", get_long(documents.get(), L"Count"));
    auto listed = enumerate(documents.get());
    auto active = get_object(framework.get(), L"ActiveDocument");
    if (!ok(listed.size() == 2 && active, "the collection enumerates both")) return;
    ok(get_text(listed[0].get(), L"Name") == L"plan.tsd" && get_text(listed[1].get(), L"Name") == L"site.tsd",
       "in opening order");
    ok(win32::same_object(listed[1].get(), active.get()), "the last opened is active, and the same object");
    ok(win32::same_object(get_object(documents.get(), L"Item", Args(1)).get(), listed[0].get()),
       "Item(1) is the same object as the enumerated one");
    ok(get_text(listed[0].get(), L"FullName") == folder / L"plan.tsd", "FullName is the path");

    runner.run_line("activate plan.tsd", 4);
    runner.run_line("modify", 5);
    active = get_object(framework.get(), L"ActiveDocument");
    ok(win32::same_object(active.get(), listed[0].get()), "activate changes ActiveDocument");
    ok(get_long(active.get(), L"Modified") != 0 && get_long(listed[1].get(), L"Modified") == 0,
       "modify marks only the active drawing modified");
    wchar_t title[128] = {};
    GetWindowTextW(host.session->window().hwnd(), title, 128);
    ok(std::wstring(title).find(L"plan.tsd") != std::wstring::npos, "the title shows the active drawing");
    auto lines = host.session->window().document_lines();
    ok(lines.size() == 2 && lines[0].find(L"plan.tsd *") != std::wstring::npos,
       "the window lists the drawings, the modified one marked");

    DWORD cookie = 0;
    auto sink = connect_sink(host, cookie);
    bool inCall = false, savedInsideCall = false;
    sink->onEvent = [&](TestSink&, DISPID id, DISPPARAMS&) {
        if (id == tessaline::kEventDocumentSaved) savedInsideCall = inCall;
    };
    win32::unique_variant ignored;
    inCall = true;
    HRESULT hr = call(active.get(), L"Save", DISPATCH_METHOD, Args(), ignored.get());
    inCall = false;
    ok(hr == S_OK, "Save (0x%08lx)", hr);
    ok(sink->count(tessaline::kEventDocumentSaved) == 1 && savedInsideCall, "DocumentSaved was raised inside Save");
    ok(sink->seen.size() == 1 && sink->seen[0].firstObject == identity(active.get()), "for that document");
    ok(get_long(active.get(), L"Modified") == 0, "no longer modified");
    tessaline::drawing::Shapes shapes;
    std::string error;
    ok(tessaline::drawing::parse(read_text(folder / L"plan.tsd"), shapes, error) && shapes.size() == 3,
       "the file holds the added shape (%u)", static_cast<unsigned>(shapes.size()));

    // A file that cannot be written: an exception, and no event.
    SetFileAttributesW((folder / L"plan.tsd").c_str(), FILE_ATTRIBUTE_READONLY);
    runner.run_line("modify", 6);
    // An exception comes back as its scode, with "source: description" as the error.
    std::string saveError;
    hr = call(active.get(), L"Save", DISPATCH_METHOD, Args(), ignored.get(), &saveError);
    ok(FAILED(hr) && !saveError.empty(), "a failing Save raises an exception (0x%08lx)", hr);
    ok(hr == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), "scode is the system error (0x%08lx)", hr);
    ok(saveError.rfind("Tessaline: ", 0) == 0 && saveError.size() > 11, "with source and the system's message");
    ok(sink->count(tessaline::kEventDocumentSaved) == 1, "no DocumentSaved for a failed save");
    ok(get_long(active.get(), L"Modified") != 0, "still modified");
    SetFileAttributesW((folder / L"plan.tsd").c_str(), FILE_ATTRIBUTE_NORMAL);
    disconnect_sink(host, cookie);
}

WINE_TEST(file_save_command) {
    Apartment apartment;
    Folder folder;
    Host host;
    DWORD cookie = 0;
    auto sink = connect_sink(host, cookie);
    HWND main = static_cast<HWND>(LongToHandle(get_long(host.framework().get(), L"MainWindowHandle")));
    auto post_save = [&] {
        PostMessageW(main, WM_COMMAND, tessaline::kCmdFileSave, 0);
        host.session->run_idle(1);
    };

    post_save();
    long aborted = 0;
    for (const auto& e : sink->seen)
        if (e.id == tessaline::kEventCommandAborted) aborted = e.number;
    ok(sink->count(tessaline::kEventCommandAborted) == 1 && aborted == 57603, "no drawing: CommandAborted(57603)");

    tessaline::ScriptRunner runner(*host.session);
    runner.run_line(("open " + folder.script_path(L"plan.tsd")).c_str(), 1);
    runner.run_line("modify", 2);
    sink->seen.clear();
    post_save();
    auto active = get_object(host.framework().get(), L"ActiveDocument");
    ok(sink->count(tessaline::kEventDocumentSaved) == 1 && sink->count(tessaline::kEventCommandAborted) == 0,
       "a posted File-Save saves the active drawing");
    ok(!sink->seen.empty() && sink->seen[0].firstObject == identity(active.get()), "DocumentSaved names it");
    ok(get_long(active.get(), L"Modified") == 0, "and it is saved");

    runner.run_line(("readonly " + folder.script_path(L"plan.tsd") + " on").c_str(), 3);
    ok(attributes_of(folder / L"plan.tsd") & FILE_ATTRIBUTE_READONLY, "the readonly step sets the attribute");
    sink->seen.clear();
    post_save();
    ok(sink->count(tessaline::kEventCommandAborted) == 1 && sink->count(tessaline::kEventDocumentSaved) == 0,
       "a read-only drawing: CommandAborted instead");
    runner.run_line("readonly plan.tsd off", 4);
    ok(!(attributes_of(folder / L"plan.tsd") & FILE_ATTRIBUTE_READONLY), "and clears it");

    std::string log = host.log_text();
    ok(contains(log, "command 57603 from posted"), "the command is logged with its source");
    ok(contains(log, "event CommandAborted 57603") && contains(log, "event DocumentSaved plan.tsd"),
       "and the events it raised");
    disconnect_sink(host, cookie);
}

WINE_TEST(close_honours_the_sinks) {
    Apartment apartment;
    Folder folder;
    Host host;
    tessaline::ScriptRunner runner(*host.session);
    runner.run_line(("open " + folder.script_path(L"plan.tsd")).c_str(), 1);
    runner.run_line("modify", 2);
    auto doc = get_object(host.framework().get(), L"ActiveDocument");
    DWORD cookie = 0;
    auto sink = connect_sink(host, cookie);
    bool cancel = true, toBeSaved = false, sawInitialToBeSaved = true;
    sink->onEvent = [&](TestSink&, DISPID id, DISPPARAMS& params) {
        if (id != tessaline::kEventBeforeDocumentClose || params.cArgs != 3) return;
        sawInitialToBeSaved = *V_BOOLREF(&params.rgvarg[1]) != VARIANT_FALSE;
        *V_BOOLREF(&params.rgvarg[1]) = toBeSaved ? VARIANT_TRUE : VARIANT_FALSE;
        *V_BOOLREF(&params.rgvarg[0]) = cancel ? VARIANT_TRUE : VARIANT_FALSE;
    };

    runner.run_line("close plan.tsd", 3);
    ok(sink->count(tessaline::kEventBeforeDocumentClose) == 1 && sink->seen[0].firstObject == identity(doc.get()),
       "BeforeDocumentClose(Document, ...) before closing");
    ok(!sawInitialToBeSaved, "bToBeSaved starts False");
    ok(get_long(get_object(host.framework().get(), L"OpenDocuments").get(), L"Count") == 1,
       "bCancel = True keeps the drawing open");

    cancel = false;
    toBeSaved = true;
    runner.run_line("close", 4);
    ok(sink->count(tessaline::kEventDocumentSaved) == 1, "bToBeSaved = True saves before closing");
    ok(get_long(get_object(host.framework().get(), L"OpenDocuments").get(), L"Count") == 0, "then it is closed");
    ok(!get_object(host.framework().get(), L"ActiveDocument"), "and nothing is active");
    win32::unique_variant ignored;
    ok(FAILED(call(doc.get(), L"Save", DISPATCH_METHOD, Args(), ignored.get())), "a closed drawing cannot be saved");
    ok(get_text(doc.get(), L"Name") == L"plan.tsd", "but still has its name");
    disconnect_sink(host, cookie);
}

WINE_TEST(menu_language_and_checks) {
    Apartment apartment;
    struct Case {
        const wchar_t* language;
        const wchar_t* file;
        const wchar_t* tools;  // as string 113 of that language's library
        const wchar_t* help;
    };
    const Case cases[] = {
        {L"ENU", L"&File", L"Tools", L"&Help"},
        {L"deu", L"&Datei", L"Extras", L"&Hilfe"},
        {L"JPN", L"ファイル(&F)", L"ツール", L"ヘルプ(&H)"},
        {L"XYZ", L"&File", L"Tools", L"&Help"},
    };
    for (const auto& c : cases) {
        tessaline::SessionOptions options;
        options.language = c.language;
        Host host(std::move(options));
        HMENU bar = host.session->window().menu_bar();
        wchar_t file[64] = {}, help[64] = {};
        GetMenuStringW(bar, 0, file, 64, MF_BYPOSITION);
        GetMenuStringW(bar, 2, help, 64, MF_BYPOSITION);
        ok(std::wstring(file) == c.file && std::wstring(help) == c.help, "%ls: File and Help menus", c.language);
        auto menus = get_object(host.framework().get(), L"Menus");
        auto tools = get_object(menus.get(), L"Menu", Args(c.tools));
        ok(tools && get_text(tools.get(), L"name") == c.tools, "%ls: the Tools menu is found by its name", c.language);
        ok(get_text(get_object(tools.get(), L"MenuItems").get(), L"MenuName") == c.tools, "%ls: MenuName matches",
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
