// Conformance test of the reference host's object model, driven in-process
// through IDispatch as add-ins drive it: the event source and its sinks, the
// add-ins collection and the add-ins' lifecycle, and failures injected into
// members. The menus and the documents have tests of their own.
#include "tests/wine/TessalineFixture.h"
#include "tests/wine/WineTest.h"

#include "platform/win32/ComObject.h"
#include "platform/win32/Variant.h"
#include "tessaline/AddInRegistry.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/HostFramework.h"
#include "tessaline/ScriptRunner.h"

#include <olectl.h>

#include <string>
#include <vector>

#include "Tessaline.h"

using namespace tessaline_fixture;

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

WINE_TEST_MAIN
