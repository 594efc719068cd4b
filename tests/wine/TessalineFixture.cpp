#include "tests/wine/TessalineFixture.h"

#include "tests/wine/WineTest.h"

#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"
#include "tessaline/HostApplication.h"
#include "tessaline/HostContext.h"
#include "tessaline/LateBound.h"

#include <cstdio>

#include "Tessaline.h"

namespace tessaline_fixture {

namespace late_bound = tessaline::late_bound;

std::shared_ptr<AddInState> g_addIn;

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

bool in_order(const std::string& text, const std::vector<std::string>& parts) {
    size_t at = 0;
    for (const auto& part : parts) {
        at = text.find(part, at);
        if (at == std::string::npos) return false;
        at += part.size();
    }
    return true;
}

void* identity(IUnknown* p) {
    if (!p) return nullptr;
    com_ptr<IUnknown> unknown;
    p->QueryInterface(IID_IUnknown, unknown.put_void());
    return unknown.get();
}

// ---- late binding ----

HRESULT call(IDispatch* target, std::wstring_view member, WORD flags, tessaline::CallArgs&& args, VARIANT* result,
             std::string* error) {
    return late_bound::invoke(target, member, flags, args, result, error);
}

HRESULT call(IDispatch* target, DISPID member, WORD flags, tessaline::CallArgs&& args, VARIANT* result,
             std::string* error) {
    return late_bound::invoke(target, member, flags, args, result, error);
}

com_ptr<IDispatch> get_object(IDispatch* target, std::wstring_view member, tessaline::CallArgs&& args) {
    win32::unique_variant v;
    if (FAILED(late_bound::invoke(target, member, kGet, args, v.get(), nullptr)) || V_VT(v.get()) != VT_DISPATCH)
        return {};
    return com_ptr<IDispatch>(V_DISPATCH(v.get()));
}

std::wstring get_text(IDispatch* target, std::wstring_view member) {
    win32::unique_variant v;
    if (FAILED(late_bound::get(target, member, v.get(), nullptr))) return L"<failed>";
    return win32::widen(late_bound::to_text(*v.get()));
}

long get_long(IDispatch* target, std::wstring_view member) {
    win32::unique_variant v;
    if (FAILED(late_bound::get(target, member, v.get(), nullptr)) ||
        FAILED(VariantChangeType(v.get(), v.get(), 0, VT_I4)))
        return -1;
    return V_I4(v.get());
}

// ---- test COM objects ----

TestDispatch::TestDispatch(std::vector<std::wstring> names, IID extra, std::shared_ptr<bool> destroyed)
    : m_names(std::move(names)), m_extra(extra), m_destroyed(std::move(destroyed)) {}

TestDispatch::~TestDispatch() {
    if (m_destroyed) *m_destroyed = true;
}

HRESULT STDMETHODCALLTYPE TestDispatch::QueryInterface(REFIID iid, void** out) {
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != m_extra) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE TestDispatch::Release() {
    ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

HRESULT STDMETHODCALLTYPE TestDispatch::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    for (size_t i = 0; i < m_names.size(); ++i) {
        if (CompareStringOrdinal(names[0], -1, m_names[i].c_str(), -1, TRUE) == CSTR_EQUAL) {
            ids[0] = static_cast<DISPID>(i + 1);
            return S_OK;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

const std::wstring& TestDispatch::name_of(DISPID id) const {
    static const std::wstring none;
    return id >= 1 && static_cast<size_t>(id) <= m_names.size() ? m_names[static_cast<size_t>(id - 1)] : none;
}

TestSink::TestSink(bool speaksEvents, std::shared_ptr<bool> destroyed)
    : TestDispatch({}, speaksEvents ? DIID_ApplicationEvents : IID_NULL, std::move(destroyed)) {}

size_t TestSink::count(DISPID id) const {
    size_t n = 0;
    for (const auto& e : seen) n += e.id == id;
    return n;
}

HRESULT STDMETHODCALLTYPE TestSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                           UINT*) {
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

namespace {

class FakeAddIn final : public TestDispatch {
public:
    explicit FakeAddIn(std::shared_ptr<AddInState> state)
        : TestDispatch({L"name", L"InitializeApplication", L"Install", L"UnInstall", L"UIInitialize", L"UIUnInitialize",
                        L"Command_Initialize", L"HelpFileName"},
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

}  // namespace

FakeAddInClass::FakeAddInClass() {
    g_addIn = std::make_shared<AddInState>();
    wchar_t clsid[40];
    StringFromGUID2(CLSID_TestAddIn, clsid, 40);
    win32::unique_hkey key;
    RegCreateKeyExW(HKEY_CLASSES_ROOT, (std::wstring(kTestProgId) + L"\\CLSID").c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                    nullptr, key.put(), nullptr);
    RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid),
                   static_cast<DWORD>((wcslen(clsid) + 1) * sizeof(wchar_t)));
    win32::unique_hkey back;
    RegCreateKeyExW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + clsid + L"\\ProgID").c_str(), 0, nullptr, 0,
                    KEY_SET_VALUE, nullptr, back.put(), nullptr);
    RegSetValueExW(back.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kTestProgId), sizeof kTestProgId);
    CoRegisterClassObject(CLSID_TestAddIn, &g_factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
}

FakeAddInClass::~FakeAddInClass() {
    CoRevokeClassObject(cookie);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kTestProgId);
    wchar_t clsid[40];
    StringFromGUID2(CLSID_TestAddIn, clsid, 40);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + clsid).c_str());
}

// ---- an in-process host ----

Host::Host(tessaline::SessionOptions options) {
    log->open(logPath);
    options.loadRegistered = false;  // independent of what is registered in the prefix
    session = std::make_unique<tessaline::HostSession>(log, std::move(options));
    ok(session->start(), "the host starts");
}

Host::~Host() {
    session.reset();
    log.reset();  // closes the file, which cannot be deleted while open
    DeleteFileW(logPath.c_str());
}

com_ptr<IDispatch> Host::app() const {
    return com_ptr<IDispatch>(static_cast<IDispatch*>(session->context().application().get()));
}

com_ptr<IDispatch> Host::framework() const { return get_object(app().get(), L"orvapplication"); }

com_ptr<IConnectionPoint> events_point(const Host& host) {
    auto source = get_object(host.framework().get(), L"EventSource");
    auto container = source.try_query<IConnectionPointContainer>(IID_IConnectionPointContainer);
    com_ptr<IConnectionPoint> point;
    if (container) container->FindConnectionPoint(DIID_ApplicationEvents, point.put());
    return point;
}

com_ptr<TestSink> connect_sink(const Host& host, DWORD& cookie) {
    auto sink = com_ptr<TestSink>::attach(new TestSink(true));
    if (auto point = events_point(host)) point->Advise(sink.get(), &cookie);
    return sink;
}

void disconnect_sink(const Host& host, DWORD cookie) {
    if (auto point = events_point(host)) point->Unadvise(cookie);
}

Folder::Folder() : path(temp_file(L"tsd")) {
    DeleteFileW(path.c_str());
    CreateDirectoryW(path.c_str(), nullptr);
}

Folder::~Folder() {
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

std::string Folder::script_path(const wchar_t* name) const {
    std::string quoted(1, '"');
    quoted += win32::narrow(*this / name);
    quoted += '"';
    return quoted;
}

// ---- tessaline.exe run on a script ----

std::wstring beside_this_program() {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

Run run_host(const std::wstring& arguments, const char* script) {
    std::wstring path = beside_this_program() + L"tessaline.exe";
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
        if (WaitForSingleObject(process.get(), 120000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.get(), &run.exitCode);
        else TerminateProcess(process.get(), 99);
    }
    run.log = read_text(logPath);
    DeleteFileW(scriptPath.c_str());
    DeleteFileW(logPath.c_str());
    return run;
}

}  // namespace tessaline_fixture
