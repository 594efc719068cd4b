// Conformance test of the reference host: its object model driven in-process
// through IDispatch as add-ins drive it, with a test event sink and a fake
// add-in class registered by this program, and tessaline.exe run with a script.
#include "tests/wine/WineTest.h"

#include "platform/win32/ComObject.h"
#include "platform/win32/DialogTemplate.h"
#include "platform/win32/Variant.h"
#include "tessaline/AddInRegistry.h"
#include "tessaline/Drawing.h"
#include "tessaline/HostAddIns.h"
#include "tessaline/HostApplication.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/HostFramework.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostSession.h"
#include "tessaline/MenuCaptions.h"
#include "tessaline/ScriptRunner.h"

#include <commctrl.h>
#include <olectl.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ApplicationLocator.h"
#include "Tessaline.h"
#include "ZelCmCtl.h"

using win32::com_ptr;

namespace {

// {5D0F8E52-3C43-4C41-9D5B-6A1E0C2B7F11}
const CLSID CLSID_TestAddIn = {0x5d0f8e52, 0x3c43, 0x4c41, {0x9d, 0x5b, 0x6a, 0x1e, 0x0c, 0x2b, 0x7f, 0x11}};
constexpr wchar_t kTestProgId[] = L"Tessaline.TestAddIn";

struct Apartment {
    Apartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Apartment() { CoUninitialize(); }
};

std::wstring temp_file(const wchar_t* prefix) {
    wchar_t dir[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, prefix, 0, path);
    return path;
}

std::string read_text(const std::wstring& path) {
    std::string text;
    if (std::FILE* f = _wfopen(path.c_str(), L"rb")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void* identity(IUnknown* p) {
    if (!p) return nullptr;
    com_ptr<IUnknown> unknown;
    p->QueryInterface(IID_IUnknown, unknown.put_void());
    return unknown.get();
}

// ---- late binding, as an add-in does it ----

struct Excep {
    EXCEPINFO value{};
    ~Excep() {
        win32::unique_bstr(value.bstrSource).reset();
        win32::unique_bstr(value.bstrDescription).reset();
        win32::unique_bstr(value.bstrHelpFile).reset();
    }
};

DISPID id_of(IDispatch* target, const wchar_t* name) {
    std::wstring copy(name);
    LPOLESTR names[] = {copy.data()};
    DISPID id = DISPID_UNKNOWN;
    target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

// args in natural order; the caller owns what they point to.
HRESULT invoke_id(IDispatch* target, DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result,
               EXCEPINFO* excep = nullptr) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    DISPID named = DISPID_PROPERTYPUT;
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    UINT argErr = 0;
    return target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, excep, &argErr);
}

HRESULT invoke(IDispatch* target, const wchar_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result,
               EXCEPINFO* excep = nullptr) {
    return invoke_id(target, id_of(target, name), flags, std::move(args), result, excep);
}

constexpr WORD kGet = DISPATCH_PROPERTYGET | DISPATCH_METHOD;

com_ptr<IDispatch> get_object(IDispatch* target, const wchar_t* name, std::vector<VARIANT> args = {}) {
    win32::unique_variant v;
    if (!target || FAILED(invoke(target, name, kGet, std::move(args), v.get())) || V_VT(v.get()) != VT_DISPATCH)
        return {};
    return com_ptr<IDispatch>(V_DISPATCH(v.get()));
}

std::wstring get_text(IDispatch* target, const wchar_t* name) {
    win32::unique_variant v, text;
    if (!target || FAILED(invoke(target, name, kGet, {}, v.get()))) return L"<failed>";
    if (FAILED(VariantChangeType(text.get(), v.get(), 0, VT_BSTR))) return L"<not text>";
    return std::wstring(V_BSTR(text.get()), SysStringLen(V_BSTR(text.get())));
}

long get_long(IDispatch* target, const wchar_t* name) {
    win32::unique_variant v;
    if (!target || FAILED(invoke(target, name, kGet, {}, v.get())) ||
        FAILED(VariantChangeType(v.get(), v.get(), 0, VT_I4)))
        return -1;
    return V_I4(v.get());
}

// ---- test COM objects ----

// IDispatch over a list of member names; DISPIDs are 1-based positions.
class TestDispatch : public IDispatch {
public:
    TestDispatch(std::vector<std::wstring> names, IID extra, std::shared_ptr<bool> destroyed)
        : m_names(std::move(names)), m_extra(extra), m_destroyed(std::move(destroyed)) {}
    virtual ~TestDispatch() {
        if (m_destroyed) *m_destroyed = true;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != m_extra) return E_NOINTERFACE;
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG refs = --m_refs;
        if (refs == 0) delete this;
        return refs;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        for (size_t i = 0; i < m_names.size(); ++i) {
            if (CompareStringOrdinal(names[0], -1, m_names[i].c_str(), -1, TRUE) == CSTR_EQUAL) {
                ids[0] = static_cast<DISPID>(i + 1);
                return S_OK;
            }
        }
        return DISP_E_UNKNOWNNAME;
    }
    ULONG refs() const { return m_refs; }

protected:
    const std::wstring& name_of(DISPID id) const {
        static const std::wstring none;
        return id >= 1 && static_cast<size_t>(id) <= m_names.size() ? m_names[static_cast<size_t>(id - 1)] : none;
    }

private:
    ULONG m_refs = 1;
    std::vector<std::wstring> m_names;
    IID m_extra;
    std::shared_ptr<bool> m_destroyed;
};

struct SeenEvent {
    DISPID id = 0;
    std::vector<VARTYPE> types;  // in DISPPARAMS order (last argument first)
    void* firstObject = nullptr;
    std::wstring text;
    long number = 0;
};

// An application-events sink; onEvent runs inside each event call.
class TestSink final : public TestDispatch {
public:
    explicit TestSink(bool speaksEvents, std::shared_ptr<bool> destroyed = nullptr)
        : TestDispatch({}, speaksEvents ? DIID_ApplicationEvents : IID_NULL, std::move(destroyed)) {}

    std::function<void(TestSink&, DISPID, DISPPARAMS&)> onEvent;
    std::vector<SeenEvent> seen;

    size_t count(DISPID id) const {
        size_t n = 0;
        for (const auto& e : seen) n += e.id == id;
        return n;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        SeenEvent e;
        e.id = id;
        for (UINT i = 0; i < params->cArgs; ++i) {
            const VARIANT& a = params->rgvarg[i];
            e.types.push_back(V_VT(&a));
            if (V_VT(&a) == VT_DISPATCH && i + 1 == params->cArgs) e.firstObject = identity(V_DISPATCH(&a));
            if (V_VT(&a) == VT_BSTR) e.text = V_BSTR(&a);
            if (V_VT(&a) == VT_I4) e.number = V_I4(&a);
        }
        seen.push_back(e);
        if (onEvent) onEvent(*this, id, *params);
        return S_OK;
    }
};

// What the fake add-in saw; shared with the test because the host owns the add-in.
struct AddInState {
    std::vector<std::wstring> calls;
    std::wstring name = L"First";
    bool appIsByRef = true;
    bool docIsNothing = true;
    bool shuttingDown = false;
    void* appIdentity = nullptr;
    long commandId = -1;
    bool destroyed = false;
    bool failInstall = false;
    // Runs in Command_Initialize with the command object; what it returns lives as long as the class does.
    std::function<com_ptr<IUnknown>(IDispatch* command)> onCommand;
};
std::shared_ptr<AddInState> g_addIn;

class FakeAddIn final : public TestDispatch {
public:
    explicit FakeAddIn(std::shared_ptr<AddInState> state)
        : TestDispatch({L"name", L"InitializeApplication", L"Install", L"UnInstall", L"UIInitialize",
                        L"UIUnInitialize", L"Command_Initialize", L"HelpFileName"},
                       IID_NULL, nullptr),
          m_state(std::move(state)) {}
    ~FakeAddIn() override { m_state->destroyed = true; }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        const std::wstring& member = name_of(id);
        if (member == L"HelpFileName" && result) {
            V_VT(result) = VT_BSTR;
            V_BSTR(result) = SysAllocString(L"test.chm");
            return S_OK;
        }
        if (member == L"name") {
            if (flags & DISPATCH_PROPERTYPUT) {
                m_state->name = V_BSTR(&params->rgvarg[0]);
                return S_OK;
            }
            if (result) {
                V_VT(result) = VT_BSTR;
                V_BSTR(result) = SysAllocString(m_state->name.c_str());
            }
            return S_OK;
        }
        m_state->calls.push_back(member);
        if (member == L"Install" && m_state->failInstall) return E_FAIL;
        // Objects come by reference, last argument first.
        UINT n = params->cArgs;
        auto object_at = [&](UINT fromFirst) -> IDispatch* {
            const VARIANT& a = params->rgvarg[n - 1 - fromFirst];
            if (V_VT(&a) != (VT_BYREF | VT_DISPATCH)) {
                m_state->appIsByRef = false;
                return nullptr;
            }
            return *V_DISPATCHREF(&a);
        };
        if (member == L"Command_Initialize" && n == 1) {
            m_state->commandId = get_long(object_at(0), L"ID");
            if (m_state->onCommand) m_kept = m_state->onCommand(object_at(0));
            return S_OK;
        }
        if (n >= 1) {
            IDispatch* app = object_at(0);
            m_state->appIdentity = identity(app);
            // Like a real add-in, keep the application for as long as we live.
            if (member == L"InitializeApplication") m_app = com_ptr<IDispatch>(app);
        }
        if (n >= 2 && object_at(1)) m_state->docIsNothing = false;
        if (member == L"UIUnInitialize" && n == 3) {
            const VARIANT& flag = params->rgvarg[0];
            m_state->shuttingDown = V_VT(&flag) == (VT_BYREF | VT_BOOL) && *V_BOOLREF(&flag) == VARIANT_TRUE;
        }
        return S_OK;
    }

private:
    std::shared_ptr<AddInState> m_state;
    com_ptr<IDispatch> m_app;
    com_ptr<IUnknown> m_kept;
};

class FakeFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto object = com_ptr<FakeAddIn>::attach(new FakeAddIn(g_addIn));
        return object->QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};
FakeFactory g_factory;

// Makes kTestProgId name the fake add-in class for as long as it lives.
struct FakeAddInClass {
    DWORD cookie = 0;
    FakeAddInClass() {
        g_addIn = std::make_shared<AddInState>();
        wchar_t clsid[40];
        StringFromGUID2(CLSID_TestAddIn, clsid, 40);
        win32::unique_hkey key;
        RegCreateKeyExW(HKEY_CLASSES_ROOT, (std::wstring(kTestProgId) + L"\\CLSID").c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, key.put(), nullptr);
        RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid),
                       static_cast<DWORD>((wcslen(clsid) + 1) * sizeof(wchar_t)));
        win32::unique_hkey back;
        RegCreateKeyExW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + clsid + L"\\ProgID").c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, back.put(), nullptr);
        RegSetValueExW(back.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kTestProgId),
                       sizeof kTestProgId);
        CoRegisterClassObject(CLSID_TestAddIn, &g_factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    }
    ~FakeAddInClass() {
        CoRevokeClassObject(cookie);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kTestProgId);
        wchar_t clsid[40];
        StringFromGUID2(CLSID_TestAddIn, clsid, 40);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + clsid).c_str());
    }
};

// ---- an in-process host ----

struct Host {
    std::wstring logPath = temp_file(L"tsl");
    std::shared_ptr<tessaline::HostLog> log = std::make_shared<tessaline::HostLog>();
    std::unique_ptr<tessaline::HostSession> session;

    explicit Host(tessaline::SessionOptions options = {}) {
        log->open(logPath);
        options.loadRegistered = false;  // independent of what is registered in the prefix
        session = std::make_unique<tessaline::HostSession>(log, std::move(options));
        ok(session->start(), "the host starts");
    }
    ~Host() {
        session.reset();
        DeleteFileW(logPath.c_str());
    }
    com_ptr<IDispatch> app() const {
        return com_ptr<IDispatch>(static_cast<IDispatch*>(session->context().application().get()));
    }
    com_ptr<IDispatch> framework() const { return get_object(app().get(), L"orvapplication"); }
    std::string log_text() const { return read_text(logPath); }
};

com_ptr<IConnectionPoint> events_point(const Host& host) {
    auto source = get_object(host.framework().get(), L"EventSource");
    auto container = source.try_query<IConnectionPointContainer>(IID_IConnectionPointContainer);
    com_ptr<IConnectionPoint> point;
    if (container) container->FindConnectionPoint(DIID_ApplicationEvents, point.put());
    return point;
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
    ok(sink->seen[3].types == savedTypes && !sink->seen[3].firstObject,
       "DocumentSaved with no document");
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

    auto key = win32::make_bstr("No such menu");
    win32::unique_variant nothing;
    HRESULT hr = invoke_id(menus.get(), DISPID_VALUE, kGet, {win32::variant_bstr(key.get())}, nothing.get());
    ok(hr == S_OK && V_VT(nothing.get()) == VT_DISPATCH && !V_DISPATCH(nothing.get()),
       "an unknown menu name gives Nothing without failing (0x%08lx)", hr);

    auto toolsKey = win32::make_bstr("tools");
    auto tools = get_object(menus.get(), L"Menu", {win32::variant_bstr(toolsKey.get())});
    if (!ok(tools, "a menu found by its name without '&' and in other case")) return;
    ok(get_text(tools.get(), L"name") == L"Tools", "its name");
    auto items = get_object(tools.get(), L"MenuItems");
    ok(get_text(items.get(), L"MenuName") == L"Tools", "MenuName of its items is the menu's name");
    auto rawKey = win32::make_bstr("&Tools");
    ok(static_cast<bool>(get_object(menus.get(), L"Menu", {win32::variant_bstr(rawKey.get())})), "the raw caption finds it too");

    HMENU toolsMenu = GetSubMenu(bar, 1);
    int before = GetMenuItemCount(toolsMenu);
    auto caption = win32::make_bstr("&Auto save settings...");
    auto progId = win32::make_bstr("Tessaline.TestAddIn");
    auto added = get_object(items.get(), L"AddCommand", {win32::variant_bstr(caption.get()), win32::variant_bstr(progId.get())});
    if (!ok(added, "AddCommand returns the new item")) return;
    ok(GetMenuItemCount(toolsMenu) == before + 1, "the real menu has one more item");
    long id = get_long(added.get(), L"ID");
    ok(id != 0 && GetMenuItemID(toolsMenu, before) == static_cast<UINT>(id), "ID is the real item's command id");
    ok(win32::same_object(get_object(added.get(), L"ParentMenu").get(), items.get()), "ParentMenu is the collection");
    ok(get_text(added.get(), L"name") == L"Auto save settings...", "the new item's name");

    long index = before + 1;
    VARIANT byRef;
    VariantInit(&byRef);
    V_VT(&byRef) = VT_BYREF | VT_I4;
    V_I4REF(&byRef) = &index;
    ok(get_long(get_object(items.get(), L"Item", {byRef}).get(), L"ID") == id, "Item with the index by reference");
    ok(get_long(get_object(items.get(), L"Item", {win32::variant_i4(before + 1)}).get(), L"ID") == id,
       "Item with the index by value");
    win32::unique_variant none;
    ok(FAILED(invoke(items.get(), L"Item", kGet, {win32::variant_i4(before + 5)}, none.get())), "Item beyond the end fails");

    win32::unique_variant ignored;
    ok(invoke(added.get(), L"Delete", DISPATCH_METHOD, {}, ignored.get()) == S_OK, "Delete");
    ok(GetMenuItemCount(toolsMenu) == before, "the real item is gone");
    ok(FAILED(invoke(added.get(), L"Delete", DISPATCH_METHOD, {}, ignored.get())), "a deleted item cannot go twice");

    VARIANT args[2];
    args[0] = win32::variant_i4(tessaline::kCmdFileSave);
    VariantInit(&args[1]);
    V_VT(&args[1]) = VT_BOOL;
    V_BOOL(&args[1]) = VARIANT_TRUE;
    ok(invoke(framework.get(), L"SetCommandCheck", DISPATCH_METHOD, {args[0], args[1]}, ignored.get()) == S_OK &&
           (GetMenuState(bar, tessaline::kCmdFileSave, MF_BYCOMMAND) & MF_CHECKED),
       "SetCommandCheck checks the real item");

    auto status = win32::make_bstr("Saving drawing");
    ok(invoke(framework.get(), L"StatusBar", DISPATCH_PROPERTYPUT, {win32::variant_bstr(status.get())}, nullptr) == S_OK,
       "StatusBar put");
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

    auto lower = win32::make_bstr("tessaline.testaddin");
    auto exact = win32::make_bstr("Tessaline.TestAddIn");
    auto unknown = win32::make_bstr("Tessaline.NoSuchAddIn");
    auto empty = win32::make_bstr("");
    auto entry = get_object(addIns.get(), L"Add", {win32::variant_bstr(lower.get()), win32::variant_bstr(empty.get())});
    if (!ok(entry, "Add creates the class whatever the letter case")) return;
    ok(get_text(entry.get(), L"ProgID") == kTestProgId, "and the entry goes by the class's own spelling");
    ok(g_addIn->calls.empty(), "Add calls nothing on the add-in");
    ok(win32::same_object(get_object(addIns.get(), L"Add", {win32::variant_bstr(exact.get()), win32::variant_bstr(empty.get())}).get(),
                          entry.get()),
       "Add of the same class returns the same entry");
    win32::unique_variant nothing;
    HRESULT hr = invoke(addIns.get(), L"Add", DISPATCH_METHOD, {win32::variant_bstr(unknown.get()), win32::variant_bstr(empty.get())},
                        nothing.get());
    ok(hr == S_OK && V_VT(nothing.get()) == VT_DISPATCH && !V_DISPATCH(nothing.get()),
       "an unknown class gives Nothing (0x%08lx)", hr);
    ok(get_long(addIns.get(), L"Count") == 1, "one entry");
    ok(win32::same_object(get_object(addIns.get(), L"Item", {win32::variant_i4(1)}).get(), entry.get()), "Item(1)");
    ok(win32::same_object(get_object(addIns.get(), L"Item", {win32::variant_bstr(exact.get())}).get(), entry.get()),
       "Item(ProgID)");

    win32::unique_variant enumVar;
    invoke_id(addIns.get(), DISPID_NEWENUM, kGet, {}, enumVar.get());
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
    ok(invoke(entry.get(), L"Load", DISPATCH_METHOD, {}, ignored.get()) == S_OK, "Load");
    const std::vector<std::wstring> loadCalls = {L"InitializeApplication", L"Install"};
    ok(g_addIn->calls == loadCalls, "Load initialises and installs the add-in, as at start");
    ok(g_addIn->appIsByRef && g_addIn->docIsNothing && g_addIn->appIdentity == identity(host.app().get()),
       "Install(app, doc) gets the outer application and no document, by reference");
    ok(get_long(entry.get(), L"Loaded") != 0, "loaded after Load");

    // A menu command bound to the class: picking it creates another instance.
    auto menus = get_object(host.framework().get(), L"Menus");
    auto toolsKey = win32::make_bstr("Tools");
    auto tools = get_object(get_object(menus.get(), L"Menu", {win32::variant_bstr(toolsKey.get())}).get(), L"MenuItems");
    auto caption = win32::make_bstr("Settings");
    auto command = get_object(tools.get(), L"AddCommand", {win32::variant_bstr(caption.get()), win32::variant_bstr(exact.get())});
    long id = get_long(command.get(), L"ID");
    SendMessageW(host.session->window().hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    ok(g_addIn->commandId == id, "Command_Initialize got a command object with the command's ID (%ld)",
       g_addIn->commandId);
    auto broken = get_object(tools.get(), L"AddCommand", {win32::variant_bstr(caption.get()), win32::variant_bstr(unknown.get())});
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
    for (const wchar_t* member : {L"progid", L"orvapplication", L"EventSource", L"Menus"})
        options.failures.add(member);
    Host host;
    Host failing(std::move(options));

    auto framework = host.framework();
    auto app = failing.app();
    Excep excep;
    win32::unique_variant result;
    ok(invoke(app.get(), L"orvapplication", kGet, {}, result.get(), &excep.value) == DISP_E_EXCEPTION,
       "orvapplication fails late-bound");
    // Reach the failing framework by the host side: its own getter is what fails.
    auto failingFramework = com_ptr<IDispatch>(static_cast<IDispatch*>(failing.session->context().framework().get()));
    Excep progIdExcep;
    ok(invoke(failingFramework.get(), L"ProgId", kGet, {}, result.get(), &progIdExcep.value) == DISP_E_EXCEPTION,
       "ProgId fails late-bound (named in another case)");
    ok(progIdExcep.value.scode == E_FAIL && progIdExcep.value.bstrSource &&
           std::wstring(progIdExcep.value.bstrSource) == L"Tessaline" && progIdExcep.value.bstrDescription &&
           std::wstring(progIdExcep.value.bstrDescription) == L"ProgId failed (injected)",
       "with the exception described");
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

namespace {

struct Run {
    DWORD exitCode = 0xFFFFFFFF;
    std::string log;
};

// Runs tessaline.exe with arguments and a script; the log comes back as text.
Run run_host(const std::wstring& arguments, const char* script) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"tessaline.exe";
    std::wstring scriptPath = temp_file(L"tss"), logPath = temp_file(L"tsl");
    if (std::FILE* f = _wfopen(scriptPath.c_str(), L"wb")) {
        std::fputs(script, f);
        std::fclose(f);
    }
    std::wstring command = L"\"" + path + L"\" " + arguments + L" /script \"" + scriptPath + L"\" /log \"" + logPath +
                           L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    Run run;
    if (CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        win32::unique_handle process(pi.hProcess), thread(pi.hThread);
        // A guard against a hung host, not a measurement.
        if (WaitForSingleObject(process.get(), 120000) == WAIT_OBJECT_0) GetExitCodeProcess(process.get(), &run.exitCode);
        else TerminateProcess(process.get(), 99);
    }
    run.log = read_text(logPath);
    DeleteFileW(scriptPath.c_str());
    DeleteFileW(logPath.c_str());
    return run;
}

}  // namespace

WINE_TEST(scripted_host_process) {
    Run run = run_host(L"/noaddins /fail Menus",
                       "# comment line\n"
                       "sinks\n"
                       "idle 2   # trailing comment\n"
                       "addin Tessaline.NoSuchAddIn get name\n"
                       "bogus step\n"
                       "event CommandAborted 57603\n"
                       "log checkpoint reached\n"
                       "exit\n"
                       "log after exit\n");
    ok(run.exitCode == 0, "the host exits normally (%lu)", run.exitCode);
    ok(contains(run.log, "sinks: 0\n"), "sinks step");
    ok(contains(run.log, "script line 5: unknown step 'bogus'"), "an unknown step is reported with its line");
    ok(contains(run.log, "add-in Tessaline.NoSuchAddIn is not loaded"), "an unknown add-in is reported");
    ok(contains(run.log, "event CommandAborted -> 0 sinks"), "event step");
    ok(contains(run.log, "checkpoint reached\n") && !contains(run.log, "after exit"), "the script stops at exit");
    ok(contains(run.log, "host objects alive: 0"), "nothing left alive");

    Run noExit = run_host(L"/noaddins", "log only line\n");
    ok(noExit.exitCode == 0 && contains(noExit.log, "host objects alive: 0"), "the end of the script also exits");
}

WINE_TEST(register_add_in_failures) {
    Apartment apartment;
    Run run = run_host(L"/regaddin C:\\no\\such\\addin.dll Tessaline.Missing", "");
    ok(run.exitCode == 1, "registering a missing DLL fails (%lu)", run.exitCode);
    ok(contains(run.log, "load C:\\no\\such\\addin.dll -> 0x8007"), "and says why");
    win32::unique_hkey key;
    DWORD value = 0, size = sizeof value;
    bool listed = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Morvane\\Applications\\Tessaline.Application\\AddIns",
                                0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS &&
                  RegQueryValueExW(key.get(), L"Tessaline.Missing", nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS;
    ok(!listed, "a failed registration does not list the add-in");
}

namespace {

// A fresh folder for drawings, removed with what is in it.
struct Folder {
    std::wstring path;
    Folder() {
        path = temp_file(L"tsd");
        DeleteFileW(path.c_str());
        CreateDirectoryW(path.c_str(), nullptr);
    }
    ~Folder() {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::wstring file = path + L"\\" + data.cFileName;
                SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(file.c_str());
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        RemoveDirectoryW(path.c_str());
    }
    std::wstring operator/(const wchar_t* name) const { return path + L"\\" + name; }
    std::string script_path(const wchar_t* name) const {
        std::string quoted(1, '"');
        quoted += win32::narrow(*this / name);
        quoted += '"';
        return quoted;
    }
};

DWORD attributes_of(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

com_ptr<TestSink> connect_sink(const Host& host, DWORD& cookie) {
    auto sink = com_ptr<TestSink>::attach(new TestSink(true));
    if (auto point = events_point(host)) point->Advise(sink.get(), &cookie);
    return sink;
}

void disconnect_sink(const Host& host, DWORD cookie) {
    if (auto point = events_point(host)) point->Unadvise(cookie);
}

std::vector<com_ptr<IDispatch>> enumerate(IDispatch* collection) {
    std::vector<com_ptr<IDispatch>> out;
    win32::unique_variant enumVar;
    if (!collection || FAILED(invoke_id(collection, DISPID_NEWENUM, kGet, {}, enumVar.get())) ||
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
    ok(win32::same_object(get_object(documents.get(), L"Item", {win32::variant_i4(1)}).get(), listed[0].get()),
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
    HRESULT hr = invoke(active.get(), L"Save", DISPATCH_METHOD, {}, ignored.get());
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
    Excep excep;
    hr = invoke(active.get(), L"Save", DISPATCH_METHOD, {}, ignored.get(), &excep.value);
    ok(hr == DISP_E_EXCEPTION, "a failing Save raises an exception (0x%08lx)", hr);
    ok(excep.value.scode == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), "scode is the system error (0x%08lx)",
       excep.value.scode);
    ok(excep.value.bstrSource && std::wstring(excep.value.bstrSource) == L"Tessaline" &&
           excep.value.bstrDescription && SysStringLen(excep.value.bstrDescription) > 0,
       "with source and the system's message");
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
    ok(FAILED(invoke(doc.get(), L"Save", DISPATCH_METHOD, {}, ignored.get())), "a closed drawing cannot be saved");
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
        ok(std::wstring(file) == c.file && std::wstring(help) == c.help, "%ls: File and Help menus",
           c.language);
        auto menus = get_object(host.framework().get(), L"Menus");
        auto key = win32::make_bstr(win32::narrow(c.tools));
        auto tools = get_object(menus.get(), L"Menu", {win32::variant_bstr(key.get())});
        ok(tools && get_text(tools.get(), L"name") == c.tools, "%ls: the Tools menu is found by its name",
           c.language);
        ok(get_text(get_object(tools.get(), L"MenuItems").get(), L"MenuName") == c.tools,
           "%ls: MenuName matches", c.language);
    }

    Host host;
    auto framework = host.framework();
    HMENU bar = host.session->window().menu_bar();
    auto set_check = [&](long id, bool on) {
        VARIANT flag;
        VariantInit(&flag);
        V_VT(&flag) = VT_BOOL;
        V_BOOL(&flag) = on ? VARIANT_TRUE : VARIANT_FALSE;
        win32::unique_variant ignored;
        return invoke(framework.get(), L"SetCommandCheck", DISPATCH_METHOD, {win32::variant_i4(id), flag}, ignored.get());
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

namespace {

struct MessageBoxSink {
    std::wstring title;
    UINT style;
    int result = 0;
    int shown = 0;
};

}  // namespace

WINE_TEST(click_inside_a_modal_idle_handler) {
    Apartment apartment;
    Host host;
    DWORD cookie = 0;
    auto sink = connect_sink(host, cookie);
    // Like the add-in's prompt: a modal dialog without owner, shown from inside InIdle.
    MessageBoxSink box{L"Test prompt", MB_YESNOCANCEL};
    sink->onEvent = [&](TestSink&, DISPID id, DISPPARAMS&) {
        if (id != tessaline::kEventInIdle || box.shown >= 1) return;
        ++box.shown;
        box.result = MessageBoxW(nullptr, L"Save?", box.title.c_str(), box.style);
    };
    tessaline::ScriptRunner runner(*host.session);
    runner.run_line("click \"Test prompt\" No", 1);
    ok(box.shown == 1 && box.result == IDNO, "the button was clicked inside the modal loop (%d)", box.result);

    box = {L"Another prompt", MB_OKCANCEL};
    runner.run_line("closebox \"Another prompt\"", 2);
    ok(box.shown == 1 && box.result == IDCANCEL, "closebox closes it (%d)", box.result);

    box = {L"Third prompt", MB_OK};
    runner.run_line("click \"Third prompt\" Nonexistent", 3);
    ok(box.shown == 1 && box.result != 0, "a dialog without that button is closed, not left hanging");
    runner.run_line("click \"No such dialog\" OK 0.3", 4);

    std::string log = host.log_text();
    ok(contains(log, "click \"Test prompt\" \"No\" -> clicked button 7"), "the click is logged with the button id");
    ok(contains(log, "closebox \"Another prompt\" -> closed"), "closebox is logged");
    ok(contains(log, "\"Nonexistent\" -> the dialog has no such button, closed it"), "a missing button is reported");
    ok(contains(log, "click \"No such dialog\" \"OK\" -> timed out"), "a dialog that never shows times out");
    disconnect_sink(host, cookie);
}

WINE_TEST(scripted_session) {
    Folder folder;
    std::string script = "setting TessalineTestValue two words\n"
                         "open " + folder.script_path(L"plan.tsd") + "\n"
                         "open " + folder.script_path(L"site.tsd") + "\n"
                         "modify plan.tsd\n"
                         "until saved plan.tsd 0.2\n"
                         "post 57603\n"
                         "until saved site.tsd 30\n"
                         "activate plan.tsd\n"
                         "save\n"
                         "until modified plan.tsd off 30\n"
                         "saveas " + folder.script_path(L"copy.tsd") + "\n"
                         "documents\n"
                         "file " + folder.script_path(L"copy.tsd") + "\n"
                         "file " + folder.script_path(L"none.tsd") + "\n"
                         "post 57664\n"
                         "click \"About Tessaline\" OK\n"
                         "until nodialog \"About Tessaline\" 30\n"
                         "status\n"
                         "exit\n";
    Run run = run_host(L"/noaddins /language ENU /setting TessalineTestOther=1", script.c_str());
    ok(run.exitCode == 0, "the host exits normally (%lu)", run.exitCode);
    ok(contains(run.log, "setting TessalineTestOther = 1 -> 0x00000000\n"), "/setting is applied at start");
    ok(contains(run.log, "setting TessalineTestValue = two words -> 0x00000000\n"), "the setting step too");
    win32::unique_hkey key;
    wchar_t value[64] = {};
    DWORD size = sizeof value;
    bool stored = RegOpenKeyExW(HKEY_CURRENT_USER, tessaline::AddInRegistry::kSettingsKey, 0,
                                KEY_QUERY_VALUE | KEY_SET_VALUE, key.put()) == ERROR_SUCCESS &&
                  RegQueryValueExW(key.get(), L"TessalineTestValue", nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                                   &size) == ERROR_SUCCESS;
    ok(stored && std::wstring(value) == L"two words", "as REG_SZ under the add-in's key");
    if (key) {
        RegDeleteValueW(key.get(), L"TessalineTestValue");
        RegDeleteValueW(key.get(), L"TessalineTestOther");
    }

    ok(contains(run.log, "until saved plan.tsd 0.2 -> timed out"), "modifying alone saves nothing");
    ok(contains(run.log, "command 57603 from posted\nsave site.tsd -> written, 2 shapes\nevent DocumentSaved site.tsd\n"
                         "until saved site.tsd 30 -> met"),
       "a posted File-Save saves the active drawing and meets the condition");
    ok(contains(run.log, "command 57603 from menu\nsave plan.tsd -> written, 3 shapes\nevent DocumentSaved plan.tsd"),
       "the save step goes through File-Save");
    ok(contains(run.log, "until modified plan.tsd off 30 -> met"), "the modified condition");
    ok(contains(run.log, "event DocumentSavedAs copy.tsd " + win32::narrow(folder / L"copy.tsd")),
       "saveas raises DocumentSavedAs with the new path");
    ok(contains(run.log, "documents: 2\ndocument copy.tsd modified=False active=True path="),
       "the documents step lists the renamed drawing");
    std::string copy = read_text(folder / L"copy.tsd");
    ok(contains(run.log, "copy.tsd -> " + std::to_string(copy.size()) + " bytes, fnv1a "), "the file step");
    ok(contains(run.log, "none.tsd -> missing"), "a missing file");
    ok(contains(run.log, "click \"About Tessaline\" \"OK\" -> clicked button 1\n"), "the About box was clicked");
    ok(contains(run.log, "until nodialog \"About Tessaline\" 30 -> met"), "and it closed");
    ok(contains(run.log, "status \"Ready\""), "the status step");
}

WINE_TEST(reload_add_ins) {
    Apartment apartment;
    Folder folder;
    FakeAddInClass fake;
    tessaline::SessionOptions options;
    options.extraAddIns = {kTestProgId};
    Host host(std::move(options));
    tessaline::ScriptRunner runner(*host.session);
    runner.run_line(("open " + folder.script_path(L"plan.tsd")).c_str(), 1);
    g_addIn->calls.clear();
    g_addIn->shuttingDown = true;
    runner.run_line("reload", 2);
    const std::vector<std::wstring> expected = {L"UIUnInitialize", L"UnInstall", L"Install", L"UIInitialize"};
    ok(g_addIn->calls == expected, "reload: UIUnInitialize, UnInstall, Install, UIInitialize");
    ok(!g_addIn->shuttingDown, "the application is not shutting down");
    ok(!g_addIn->docIsNothing, "the active drawing is passed as the document");
    ok(!g_addIn->destroyed, "the same add-in object is kept");
}

namespace {

// The add-in's side of a command control: its events, in order.
class ControlSink final : public TestDispatch {
public:
    ControlSink() : TestDispatch({}, DIID__DqeCommandEvents, nullptr) {}
    std::function<void(DISPID)> onEvent;
    std::vector<DISPID> seen;

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        seen.push_back(id);
        if (onEvent) onEvent(id);
        return S_OK;
    }
};

HRESULT put_property(IDispatch* target, const wchar_t* name, WORD flags, VARIANT value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    return target->Invoke(id_of(target, name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, nullptr, nullptr,
                          nullptr);
}

// Whether text holds every part, each after the one before.
bool in_order(const std::string& text, const std::vector<std::string>& parts) {
    size_t at = 0;
    for (const auto& part : parts) {
        at = text.find(part, at);
        if (at == std::string::npos) return false;
        at += part.size();
    }
    return true;
}

}  // namespace

WINE_TEST(commands_run_through_the_command_control) {
    Apartment apartment;
    FakeAddInClass fake;
    Host host;
    tessaline::ScriptRunner runner(*host.session);
    auto sink = com_ptr<ControlSink>::attach(new ControlSink());
    bool doneInside = true;
    IDispatch* lastControl = nullptr;  // kept alive by the add-in's class
    // As the add-in's command does: a control on its dialog, events connected,
    // Command set; the dialog ends the command from inside Initialize.
    g_addIn->onCommand = [&](IDispatch* command) {
        com_ptr<IDispatch> control;
        CLSID clsid{};
        if (SUCCEEDED(CLSIDFromProgID(L"ZelComndLib.qeCommand", &clsid)))
            CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, control.put_void());
        if (!ok(control, "the command control is registered")) return com_ptr<IUnknown>();
        com_ptr<IConnectionPointContainer> container;
        com_ptr<IConnectionPoint> point;
        DWORD cookie = 0;
        control->QueryInterface(IID_IConnectionPointContainer, container.put_void());
        if (container) container->FindConnectionPoint(DIID__DqeCommandEvents, point.put());
        ok(point && point->Advise(sink.get(), &cookie) == S_OK, "events connected");
        ok(put_property(control.get(), L"Command", DISPATCH_PROPERTYPUTREF, win32::variant_dispatch(command)) == S_OK,
           "Command set");
        ok(win32::same_object(get_object(control.get(), L"application").get(), host.app().get()),
           "the control's application is the outer application");
        IDispatch* raw = control.get();
        sink->onEvent = [raw, &doneInside](DISPID id) {
            if (id == 1 && doneInside) put_property(raw, L"Done", DISPATCH_PROPERTYPUT, win32::variant_bool(true));
        };
        lastControl = raw;
        return com_ptr<IUnknown>(static_cast<IUnknown*>(raw));
    };

    runner.run_line("run Tessaline.TestAddIn", 1);
    std::string id = std::to_string(g_addIn->commandId);
    std::string log = host.log_text();
    ok(in_order(log, {"run Tessaline.TestAddIn -> command " + id, "command " + id + " control attached",
                      "call Tessaline.TestAddIn.Command_Initialize -> 0x00000000",
                      "Tessaline.TestAddIn.HelpFileName = test.chm", "command " + id + " Initialize",
                      "command " + id + " Done", "command " + id + " Terminate", "command " + id + " ended"}),
       "created, initialised, started, done inside Initialize, terminated, released:\n%s", log.c_str());
    ok(sink->seen == std::vector<DISPID>({1, 2}), "the add-in saw Initialize, then Terminate");
    ok(g_addIn->destroyed, "the host released the class, and so the control");

    // Done after Initialize returned: the command runs on until then.
    doneInside = false;
    sink->seen.clear();
    g_addIn->destroyed = false;
    runner.run_line("run Tessaline.TestAddIn", 2);
    id = std::to_string(g_addIn->commandId);
    ok(contains(host.log_text(), "command " + id + " running\n") && sink->seen == std::vector<DISPID>({1}),
       "no Done yet: the command is running");
    if (lastControl) put_property(lastControl, L"Done", DISPATCH_PROPERTYPUT, win32::variant_bool(true));
    host.session->run_idle(1);
    ok(in_order(host.log_text(), {"command " + id + " Done", "command " + id + " Terminate", "command " + id + " ended"}),
       "Done ends it from the message loop");
    ok(sink->seen == std::vector<DISPID>({1, 2}) && g_addIn->destroyed, "terminated and released");

    // Never ended by the add-in: the host ends it at shutdown.
    sink->seen.clear();
    runner.run_line("run Tessaline.TestAddIn", 3);
    id = std::to_string(g_addIn->commandId);
    host.session->shutdown();
    ok(in_order(host.log_text(), {"command " + id + " running", "command " + id + " Terminate",
                                  "command " + id + " ended", "host objects alive: 0"}),
       "a running command ends at shutdown, before the count");

    // Without a control the command ends after Command_Initialize; an unknown class is reported.
    Host plain;
    tessaline::ScriptRunner plainRunner(*plain.session);
    g_addIn->onCommand = nullptr;
    plainRunner.run_line("run Tessaline.TestAddIn", 1);
    plainRunner.run_line("run Tessaline.NoSuchCommand", 2);
    id = std::to_string(g_addIn->commandId);
    log = plain.log_text();
    ok(in_order(log, {"Tessaline.TestAddIn.HelpFileName = test.chm", "command " + id + " ended"}) &&
           !contains(log, "Initialize\n"),
       "no control: no Initialize, the command ends");
    ok(contains(log, ": cannot create Tessaline.NoSuchCommand -> 0x800401F3"), "an unknown class is logged");
}

namespace {

// A modal dialog with an edit box holding "old text" and a default OK
// button; OK keeps what the box holds.
std::wstring g_typed;

INT_PTR CALLBACK type_test_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;  // the focus goes to the edit box
    if (message != WM_COMMAND || LOWORD(wparam) != IDOK) return FALSE;
    wchar_t text[64] = {};
    GetDlgItemTextW(dialog, 100, text, 64);
    g_typed = text;
    EndDialog(dialog, IDOK);
    return TRUE;
}

void show_type_test() {
    win32::DialogDescription d{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 160, 40, L"",
                               L"Type test", 8, L"MS Shell Dlg", {}};
    d.items.push_back({win32::ControlClass::Edit, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 5,
                       5, 150, 12, 100, L"old text"});
    d.items.push_back({win32::ControlClass::Button, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 55, 22,
                       50, 14, IDOK, L"OK"});
    std::vector<WORD> words = win32::buildDialogTemplate(d);
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), nullptr,
                            type_test_proc, 0);
}

}  // namespace

WINE_TEST(pick_dialog_actions_and_settings_steps) {
    Apartment apartment;
    Host host;
    tessaline::ScriptRunner runner(*host.session);
    runner.run_line("pick save", 1);
    runner.run_line("pick No such item", 2);
    // The About box is modal inside the pick; the armed actions reach it from the timer.
    runner.run_line("with \"About Tessaline\": controls | msgbox", 3);
    runner.run_line("pick About Tessaline", 4);
    runner.run_line("with Nothing: bogus", 5);
    // Typed into the focused box, then Enter as the keyboard sends it: the default button.
    DWORD cookie = 0;
    auto sink = connect_sink(host, cookie);
    sink->onEvent = [&](TestSink& self, DISPID id, DISPPARAMS&) {
        if (id == tessaline::kEventInIdle && self.count(tessaline::kEventInIdle) == 1) show_type_test();
    };
    runner.run_line("with Type test: type \"h\u00e9llo w\u00f6rld\" | controls | key Enter", 7);
    runner.run_line("until answered 30", 8);
    disconnect_sink(host, cookie);
    ok(g_typed == L"h\u00e9llo w\u00f6rld", "the box holds what was typed: %ls", g_typed.c_str());

    // The user's settings are put back as they were afterwards.
    std::wstring status, backup;
    bool hadStatus = tessaline::AddInRegistry::read_setting(L"Status", status) == ERROR_SUCCESS;
    bool hadBackup = tessaline::AddInRegistry::read_setting(L"SaveBackup", backup) == ERROR_SUCCESS;
    auto restore = [](const wchar_t* name, bool had, const std::wstring& value) {
        if (had) {
            tessaline::AddInRegistry::write_setting(name, value);
        } else if (win32::unique_hkey key; RegOpenKeyExW(HKEY_CURRENT_USER, tessaline::AddInRegistry::kSettingsKey, 0,
                                                         KEY_SET_VALUE, key.put()) == ERROR_SUCCESS) {
            RegDeleteValueW(key.get(), name);
        }
    };
    tessaline::AddInRegistry::write_setting(L"Status", L"\u00d6n");
    restore(L"SaveBackup", false, {});
    runner.run_line("settings", 6);
    restore(L"Status", hadStatus, status);
    restore(L"SaveBackup", hadBackup, backup);

    std::string log = host.log_text();
    ok(in_order(log, {"pick \"File\" \"Save\" -> command 57603", "command 57603 from menu"}),
       "pick runs the item as a menu pick");
    ok(contains(log, "script line 2: no menu item \"No such item\""), "an unknown item is reported");
    ok(in_order(log, {"pick \"Help\" \"About Tessaline...\" -> command 57664", "control button \"OK\" enabled",
                      "dialog \"About Tessaline\" ", "msgbox \"About Tessaline\" \"Tessaline reference host\""}),
       "the message box's controls, then the message box, pressed:\n%s", log.c_str());
    ok(contains(log, "script line 5: unknown dialog action 'bogus'"), "an unknown action is reported");
    ok(in_order(log, {"with \"Type test\": type \"h\xc3\xa9llo w\xc3\xb6rld\" -> typed into edit 100",
                      "control edit \"h\xc3\xa9llo w\xc3\xb6rld\" enabled focus sel 11 0",
                      "control button \"OK\" enabled default", "dialog \"Type test\" ",
                      "with \"Type test\": key Enter -> to edit 100", "until answered 30 -> met"}),
       "type, controls and Enter logged in order:\n%s", log.c_str());
    ok(in_order(log, {"setting Status = \xc3\x96n", "setting Documents = ", "setting Minutes = ", "setting Prompt = ",
                      "setting SaveBackup = <missing>"}),
       "the five settings in order, in UTF-8");
}

WINE_TEST(the_locator_names_the_running_host) {
    Apartment apartment;
    com_ptr<IDispatch> locator;
    CoCreateInstance(CLSID_ApplicationLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, locator.put_void());
    if (!ok(locator, "the application locator is registered")) return;
    {
        Host host;
        ok(win32::same_object(get_object(locator.get(), L"ActiveApplication").get(), host.framework().get()),
           "ActiveApplication is the framework application");
        host.session->shutdown();
        ok(contains(host.log_text(), "application locator set -> 0x00000000\n") &&
               contains(host.log_text(), "application locator cleared -> 0x00000000\nhost objects alive: 0"),
           "set at start, cleared before the count");
    }
    ok(!get_object(locator.get(), L"ActiveApplication"), "Nothing once the host has shut down");
}

WINE_TEST(help_file_registration) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring expected(exe);
    expected = expected.substr(0, expected.find_last_of(L"\\/") + 1) + L"tessaline.chm";
    auto read_help = [] {
        wchar_t value[MAX_PATH] = {};
        DWORD size = sizeof value;
        if (RegGetValueW(HKEY_LOCAL_MACHINE, tessaline::AddInRegistry::kHelpFileKey, nullptr, RRF_RT_REG_SZ, nullptr,
                         value, &size) != ERROR_SUCCESS)
            return std::wstring(L"<none>");
        return std::wstring(value);
    };
    // The prefix may have the host registered already; it is left as found.
    win32::unique_hkey before;
    bool wasRegistered = RegOpenKeyExW(HKEY_LOCAL_MACHINE, tessaline::AddInRegistry::kHelpFileKey, 0,
                                       KEY_QUERY_VALUE, before.put()) == ERROR_SUCCESS;
    before.reset();

    Run reg = run_host(L"/regserver", "");
    ok(reg.exitCode == 0, "/regserver succeeds (%lu)", reg.exitCode);
    std::wstring help = read_help();
    ok(CompareStringOrdinal(help.c_str(), -1, expected.c_str(), -1, TRUE) == CSTR_EQUAL,
       "HelpFile names tessaline.chm beside the program: %s", win32::narrow(help).c_str());
    ok(GetFileAttributesW(help.c_str()) != INVALID_FILE_ATTRIBUTES, "the registered help file exists");
    Run unreg = run_host(L"/unregserver", "");
    ok(unreg.exitCode == 0 && read_help() == L"<none>", "/unregserver removes it");
    if (wasRegistered) run_host(L"/regserver", "");
}

WINE_TEST_MAIN
