// When the error reporter refuses a report, the error reaches the host: the
// add-in, loaded into this process with a reporter that fails every report,
// answers the host's call and the host's event with the reporter's error,
// its number in the HRESULT and its description in the caller's IErrorInfo.
#include "WineTest.h"

#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include "ErrorReporter.h"
#include "vokAutoSave412.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <vector>

using win32::com_ptr;

namespace {

// The host's identifiers, as the host declares them.
const IID kFrameworkApplication{0xAB7A1700, 0x22C5, 0x11D0, {0x9D, 0xB1, 0x08, 0x00, 0x36, 0x42, 0xD2, 0x02}};
const IID kApplicationEventSource{0x219162CD, 0xF151, 0x11D0, {0x9E, 0x3E, 0x08, 0x00, 0x36, 0x55, 0xF3, 0x02}};
const IID kApplicationEvents{0x14A88CA1, 0xF17A, 0x11D0, {0x9E, 0x3E, 0x08, 0x00, 0x36, 0x55, 0xF3, 0x02}};
constexpr DISPID kCommandAborted = 5;

// Error 61 in the control facility, as a component built with the classic
// language runtime raises it, with its own description.
constexpr HRESULT kRefused = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 61);
const wchar_t kRefusedDescription[] = L"The report log is full";

// Counts references without owning itself: lives for the whole run.
template <typename... Interfaces>
class Static : public Interfaces... {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }
    // References held by others.
    ULONG references() const { return m_refs - 1; }

private:
    ULONG m_refs = 1;
};

// The reporter: records each report, then fails it as a component does,
// with the error published through IErrorInfo.
class RefusingReporter final : public Static<IErrorReporter, ISupportErrorInfo> {
public:
    std::vector<std::wstring> labels;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IErrorReporter)
            *out = static_cast<IErrorReporter*>(this);
        else if (iid == IID_ISupportErrorInfo) *out = static_cast<ISupportErrorInfo*>(this);
        else return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
        return iid == IID_IErrorReporter ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_LogFile(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_LogFile(BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ShowMessages(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_ShowMessages(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReportError(BSTR, BSTR, BSTR*, LONG*, LONG*, BSTR* label, LONG*, LONG*, LONG*,
                                          LONG* result) override {
        labels.push_back(label && *label ? *label : L"");
        if (result) *result = 0;
        com_ptr<ICreateErrorInfo> create;
        if (FAILED(CreateErrorInfo(create.put()))) return kRefused;
        create->SetSource(const_cast<LPOLESTR>(L"Morvane.ErrorReporter"));
        create->SetDescription(const_cast<LPOLESTR>(kRefusedDescription));
        if (auto info = create.try_query<IErrorInfo>(IID_IErrorInfo)) SetErrorInfo(0, info.get());
        return kRefused;
    }
};

class ReporterFactory final : public Static<IClassFactory> {
public:
    explicit ReporterFactory(RefusingReporter& reporter) : m_reporter(reporter) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = iid == IID_IUnknown || iid == IID_IClassFactory ? static_cast<IClassFactory*>(this) : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        return outer ? CLASS_E_NOAGGREGATION : m_reporter.QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    RefusingReporter& m_reporter;
};

// The host: one object that is the application, its framework application
// and its event source with one connection point. Its event source and its
// status bar can be made to fail.
class EventHost final : public Static<IDispatch, IConnectionPointContainer, IConnectionPoint> {
public:
    std::string progId = "ReportFailureTest" + std::to_string(GetCurrentProcessId());
    bool eventSourceFails = false;
    com_ptr<IDispatch> sink;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kFrameworkApplication ||
            iid == kApplicationEventSource)
            *out = static_cast<IDispatch*>(this);
        else if (iid == IID_IConnectionPointContainer) *out = static_cast<IConnectionPointContainer*>(this);
        else if (iid == IID_IConnectionPoint) *out = static_cast<IConnectionPoint*>(this);
        else return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        const wchar_t* members[] = {L"orvapplication", L"ProgId", L"EventSource", L"StatusBar"};
        for (DISPID id = 0; id < 4; ++id)
            if (lstrcmpiW(names[0], members[id]) == 0) {
                *ids = id + 1;
                return S_OK;
            }
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO* excep,
                                     UINT*) override {
        if (result) VariantInit(result);
        // The members answered are properties: each hands back a value.
        if ((id == 1 || id == 2 || id == 3) && !result) return E_POINTER;
        if (id == 2) {
            result->vt = VT_BSTR;
            result->bstrVal = win32::make_bstr(progId).release();
            return S_OK;
        }
        if (id == 1 || (id == 3 && !eventSourceFails)) {
            AddRef();
            result->vt = VT_DISPATCH;
            result->pdispVal = this;
            return S_OK;
        }
        if (excep) {
            *excep = EXCEPINFO{};
            excep->scode = E_FAIL;
            excep->bstrSource = SysAllocString(L"Host");
            excep->bstrDescription = SysAllocString(id == 3 ? L"EventSource failed" : L"StatusBar failed");
        }
        return DISP_E_EXCEPTION;
    }

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        *point = nullptr;
        if (iid != kApplicationEvents) return CONNECT_E_NOCONNECTION;
        return QueryInterface(IID_IConnectionPoint, reinterpret_cast<void**>(point));
    }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        *iid = kApplicationEvents;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override {
        return QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container));
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* subscriber, DWORD* cookie) override {
        if (sink) return CONNECT_E_ADVISELIMIT;
        if (FAILED(subscriber->QueryInterface(kApplicationEvents, sink.put_void()))) return CONNECT_E_CANNOTCONNECT;
        *cookie = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        if (cookie != 1 || !sink) return CONNECT_E_NOCONNECTION;
        sink = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    ~EventHost() {
        RegDeleteTreeW(HKEY_CURRENT_USER, (L"SOFTWARE\\Morvane\\Applications\\" + win32::widen(progId)).c_str());
    }
};

// What the caller of a failed method finds: the HRESULT and the thread's
// error information.
struct Failure {
    HRESULT hr;
    std::wstring description;
};

Failure failureOf(HRESULT hr) {
    Failure f{hr, L"<no error info>"};
    com_ptr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) == S_OK && info) {
        win32::unique_bstr description;
        info->GetDescription(description.put());
        f.description = description.get() ? description.get() : L"";
    }
    return f;
}

using NoArgsFn = HRESULT(STDAPICALLTYPE*)();

}  // namespace

WINE_TEST(a_refused_report_fails_the_hosts_call_and_event) {
    RefusingReporter reporter;
    ReporterFactory factory(reporter);
    DWORD registration = 0;
    HRESULT hr = CoRegisterClassObject(CLSID_ErrorReporter, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                       &registration);
    if (!ok(hr == S_OK, "CoRegisterClassObject: 0x%08lx", hr)) return;

    EventHost host;
    win32::unique_hmodule module(LoadLibraryW(L"vokAutoSave412.dll"));
    auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(module.get(), "DllGetClassObject")));
    com_ptr<IClassFactory> addInFactory;
    com_ptr<_CAddIn> addIn;
    if (getClassObject && SUCCEEDED(getClassObject(CLSID_CAddIn, IID_IClassFactory, addInFactory.put_void())))
        addInFactory->CreateInstance(nullptr, IID__CAddIn, addIn.put_void());
    addInFactory = nullptr;
    if (!ok(static_cast<bool>(addIn), "add-in not created")) return;

    IDispatch* application = &host;
    IDispatch* noDocument = nullptr;
    ok(addIn->InitializeApplication(&application) == S_OK, "InitializeApplication failed");
    ok(addIn->Install(&application, &noDocument) == S_OK && host.sink, "Install failed or did not connect");
    ok(reporter.labels.empty(), "%zu reports before the failures", reporter.labels.size());

    // The host's event: the aborted File-Save command takes back the status
    // bar, which fails, and the report of that fails in turn.
    if (host.sink) {
        VARIANT commandId;
        commandId.vt = VT_I4;
        commandId.lVal = 57603;
        DISPPARAMS params{&commandId, nullptr, 1, 0};
        SetErrorInfo(0, nullptr);
        Failure f = failureOf(host.sink->Invoke(kCommandAborted, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                                &params, nullptr, nullptr, nullptr));
        ok(f.hr == kRefused, "event answered 0x%08lx", f.hr);
        ok(f.description == kRefusedDescription, "event error description '%ls'", f.description.c_str());
        ok(reporter.labels.size() == 1 && reporter.labels.back() == L"CAddIn:g_ApplicationEvents_CommandAborted()",
           "event: %zu reports", reporter.labels.size());
    }

    // The host's call, through the interface and late-bound: Install cannot
    // reach the event source, and the report of that fails.
    host.eventSourceFails = true;
    SetErrorInfo(0, nullptr);
    Failure f = failureOf(addIn->Install(&application, &noDocument));
    ok(f.hr == kRefused, "Install answered 0x%08lx", f.hr);
    ok(f.description == kRefusedDescription, "Install error description '%ls'", f.description.c_str());
    ok(reporter.labels.size() == 2 && reporter.labels.back() == L"CAddIn:Install()", "Install: %zu reports",
       reporter.labels.size());

    VARIANT args[2];
    for (VARIANT& arg : args) {
        arg.vt = VT_BYREF | VT_DISPATCH;
        arg.ppdispVal = &application;
    }
    args[0].ppdispVal = &noDocument;
    DISPPARAMS params{args, nullptr, 2, 0};
    EXCEPINFO excep{};
    hr = addIn->Invoke(0x6003000D, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, &excep, nullptr);
    win32::unique_bstr source(excep.bstrSource), description(excep.bstrDescription), helpFile(excep.bstrHelpFile);
    ok(hr == DISP_E_EXCEPTION && excep.scode == kRefused, "late-bound Install: 0x%08lx, scode 0x%08lx", hr,
       excep.scode);
    ok(description.get() && description.get() == std::wstring(kRefusedDescription),
       "late-bound Install error description '%ls'", description.get() ? description.get() : L"(none)");

    // Nothing of the host is kept once the host has let the add-in go.
    host.eventSourceFails = false;
    ok(addIn->UnInstall(&application, &noDocument) == S_OK, "UnInstall failed");
    addIn = nullptr;
    ok(host.references() == 0, "the add-in kept %lu references to the host", host.references());
    auto canUnloadNow = reinterpret_cast<NoArgsFn>(
        reinterpret_cast<void*>(GetProcAddress(module.get(), "DllCanUnloadNow")));
    ok(canUnloadNow && canUnloadNow() == S_OK, "the add-in cannot unload");
    CoRevokeClassObject(registration);
}

int main() {
    win32::com_apartment apartment;
    return winetest::run_all();
}
