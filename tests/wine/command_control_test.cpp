// Conformance of ZelCmCtl.ocx (the command control) and ApplicationLocator.dll
// through COM only: this program plays the host with a command object of
// its own, and the add-in with event sinks.
#include "tests/wine/ServerDll.h"
#include "tests/wine/WineTest.h"

#include "platform/win32/ComObject.h"
#include "platform/win32/Variant.h"

#include <olectl.h>

#include <functional>
#include <string>
#include <vector>

#include "ApplicationLocator.h"
#include "ZelCmCtl.h"

using servertest::Server;
using win32::com_ptr;

namespace {

Server g_control{L"ZelCmCtl.ocx", CLSID_qeCommand, IID_IqeCommand, LIBID_ZelComndLib, L"ZelComndLib.qeCommand", {}};
Server g_appLocator{L"ApplicationLocator.dll",   CLSID_ApplicationLocator,      IID_IApplicationLocator,
                    LIBID_ApplicationLocatorLib, L"Morvane.ApplicationLocator", {}};

// What happened, in order, across the sinks and the command objects.
std::vector<std::string> g_order;

ULONG refs(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

// IDispatch over a list of member names, DISPIDs their 1-based positions;
// onCall answers each call. Also answers for the interface extra.
class FakeDispatch final : public win32::ComObject<IDispatch> {
public:
    using Handler = std::function<HRESULT(const std::wstring& member, DISPPARAMS& params, VARIANT* result)>;

    FakeDispatch(std::vector<std::wstring> names, IID extra, Handler onCall)
        : m_names(std::move(names)), m_extra(extra), m_onCall(std::move(onCall)) {}

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        for (size_t i = 0; i < m_names.size(); ++i) {
            if (CompareStringOrdinal(names[0], -1, m_names[i].c_str(), -1, TRUE) == CSTR_EQUAL) {
                ids[0] = static_cast<DISPID>(i + 1);
                return S_OK;
            }
        }
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        // Event sinks are called by DISPID alone.
        std::wstring member = id >= 1 && static_cast<size_t>(id) <= m_names.size() ? m_names[id - 1]
                                                                                   : std::to_wstring(id);
        return m_onCall ? m_onCall(member, *params, result) : S_OK;
    }

private:
    ~FakeDispatch() override = default;
    void* query_extra(REFIID iid) noexcept override { return iid == m_extra ? identity() : nullptr; }

    std::vector<std::wstring> m_names;
    IID m_extra;
    Handler m_onCall;
};

com_ptr<FakeDispatch> fake(std::vector<std::wstring> names, FakeDispatch::Handler onCall = {}, IID extra = IID_NULL) {
    return com_ptr<FakeDispatch>::attach(new FakeDispatch(std::move(names), extra, std::move(onCall)));
}

DISPID id_of(IDispatch* target, const wchar_t* name) {
    std::wstring copy(name);
    LPOLESTR names[] = {copy.data()};
    DISPID id = DISPID_UNKNOWN;
    target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

// A property put as late-bound clients do it, with one argument.
HRESULT put(IDispatch* target, const wchar_t* name, WORD flags, VARIANT value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    return target->Invoke(id_of(target, name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, nullptr, nullptr,
                          nullptr);
}

HRESULT get(IDispatch* target, const wchar_t* name, VARIANT* result) {
    DISPPARAMS none{};
    return target->Invoke(id_of(target, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result,
                          nullptr, nullptr);
}

// The object a property read gives; null for Nothing or a failure.
com_ptr<IDispatch> get_object(IDispatch* target, const wchar_t* name, HRESULT* hr = nullptr) {
    win32::unique_variant value;
    HRESULT result = get(target, name, value.get());
    if (hr) *hr = result;
    if (FAILED(result) || V_VT(value.get()) != VT_DISPATCH) return {};
    return com_ptr<IDispatch>(V_DISPATCH(value.get()));
}

// A host's command object: the control introduces itself to it and reports Done.
struct HostCommand {
    com_ptr<FakeDispatch> application = fake({});
    com_ptr<IqeCommandControl> control;  // the control attached to it, as the host keeps it
    com_ptr<FakeDispatch> object;

    explicit HostCommand(const char* name) {
        object = fake({L"Application", L"AttachControl", L"ControlDone"},
                      [this, name](const std::wstring& member, DISPPARAMS& params, VARIANT* result) -> HRESULT {
                          if (member == L"Application") {
                              V_VT(result) = VT_DISPATCH;
                              V_DISPATCH(result) = application.get();
                              application->AddRef();
                          } else if (member == L"AttachControl") {
                              const VARIANT& arg = params.rgvarg[0];
                              control = nullptr;
                              if (V_VT(&arg) == VT_DISPATCH && V_DISPATCH(&arg))
                                  V_DISPATCH(&arg)->QueryInterface(IID_IqeCommandControl, control.put_void());
                              g_order.push_back(std::string(name) + (control ? " attached" : " detached"));
                          } else {
                              g_order.push_back(std::string(name) + " done");
                          }
                          return S_OK;
                      });
    }
};

// An add-in's sink of the control's events; onEvent runs inside each.
struct Sink {
    std::function<void(DISPID)> onEvent;
    DWORD cookie = 0;
    com_ptr<FakeDispatch> object;

    explicit Sink(const char* name) {
        object = fake(
            {},
            [this, name](const std::wstring& member, DISPPARAMS&, VARIANT*) {
                DISPID id = std::stoi(member);
                g_order.push_back(std::string(name) + (id == 1 ? " Initialize" : id == 2 ? " Terminate" : " ?"));
                if (onEvent) onEvent(id);
                return S_OK;
            },
            DIID__DqeCommandEvents);
    }
};

com_ptr<IConnectionPoint> events_of(IUnknown* control) {
    com_ptr<IConnectionPointContainer> container;
    com_ptr<IConnectionPoint> point;
    control->QueryInterface(IID_IConnectionPointContainer, container.put_void());
    if (container) container->FindConnectionPoint(DIID__DqeCommandEvents, point.put());
    return point;
}

std::string order() {
    std::string text;
    for (const auto& e : g_order) text += (text.empty() ? "" : ", ") + e;
    g_order.clear();
    return text;
}

}  // namespace

WINE_TEST(the_control_runs_as_the_host_command) {
    ok(g_control.call("DllRegisterServer") == S_OK, "DllRegisterServer");
    CLSID clsid{};
    ok(CLSIDFromProgID(L"zelcomndlib.QECOMMAND", &clsid) == S_OK && clsid == CLSID_qeCommand,
       "the ProgID resolves in any letter case");
    com_ptr<IDispatch> control;
    ok(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, control.put_void()) == S_OK,
       "created through COM");
    if (!control) return;

    {
        com_ptr<IProvideClassInfo> info;
        com_ptr<ITypeInfo> coclass;
        TYPEATTR* attributes = nullptr;
        if (SUCCEEDED(control->QueryInterface(IID_IProvideClassInfo, info.put_void())) &&
            SUCCEEDED(info->GetClassInfo(coclass.put())))
            coclass->GetTypeAttr(&attributes);
        ok(attributes && attributes->typekind == TKIND_COCLASS && attributes->guid == CLSID_qeCommand,
           "its class information is the coclass");
        if (attributes) coclass->ReleaseTypeAttr(attributes);
    }

    HRESULT hr = E_FAIL;
    ok(!get_object(control.get(), L"application", &hr) && hr == S_OK, "no command: application is Nothing");

    Sink first("sink 1"), second("sink 2");
    auto point = events_of(control.get());
    if (!ok(point, "a connection point for the events")) return;
    ok(point->Advise(first.object.get(), &first.cookie) == S_OK &&
           point->Advise(second.object.get(), &second.cookie) == S_OK,
       "two sinks connected");
    // The add-in ends the command from inside Initialize, as its modal dialog does.
    first.onEvent = [&](DISPID id) {
        if (id == 1)
            ok(put(control.get(), L"Done", DISPATCH_PROPERTYPUT, win32::variant_bool(true)) == S_OK, "Done = True");
    };
    // The other one leaves inside its own callback.
    second.onEvent = [&](DISPID) { point->Unadvise(second.cookie); };

    HostCommand command("command 1");
    ULONG before = refs(command.object.get());
    ok(put(control.get(), L"Command", DISPATCH_PROPERTYPUTREF, win32::variant_dispatch(command.object.get())) == S_OK,
       "Command set by reference");
    ok(order() == "command 1 attached" && command.control && win32::same_object(command.control.get(), control.get()),
       "the control introduced itself to the command");
    ok(refs(command.object.get()) == before + 1, "the control holds the command");
    ok(win32::same_object(get_object(control.get(), L"Command").get(), command.object.get()), "Command reads back");
    ok(win32::same_object(get_object(control.get(), L"application").get(), command.application.get()),
       "application is the command's Application");

    // The host starts the command, later ends it.
    ok(command.control && command.control->Start() == S_OK, "Start");
    ok(order() == "sink 1 Initialize, command 1 done, sink 2 Initialize", "Initialize to every sink, Done inside");
    ok(put(control.get(), L"Done", DISPATCH_PROPERTYPUT, win32::variant_bool(true)) == S_OK && order().empty(),
       "Done again tells the host nothing");
    ok(command.control && command.control->Finish() == S_OK, "Finish");
    ok(order() == "sink 1 Terminate", "Terminate to the sink still connected");
    win32::unique_variant done;
    ok(get(control.get(), L"Done", done.get()) == S_OK && V_VT(done.get()) == VT_BOOL && V_BOOL(done.get()),
       "Done reads True");

    // A plain property put of an object works too and starts a new command.
    HostCommand next("command 2");
    ok(put(control.get(), L"Command", DISPATCH_PROPERTYPUT, win32::variant_dispatch(next.object.get())) == S_OK,
       "Command set by value");
    ok(order() == "command 2 attached, command 1 detached" && !command.control, "the old command let go");
    ok(get(control.get(), L"Done", done.put()) == S_OK && !V_BOOL(done.get()), "Done is False for the new command");
    ok(win32::same_object(get_object(control.get(), L"application").get(), next.application.get()),
       "application follows the command");

    // A command object that knows nothing of the control is just held.
    auto foreign = fake({L"Application"});
    ok(put(control.get(), L"Command", DISPATCH_PROPERTYPUTREF, win32::variant_dispatch(foreign.get())) == S_OK &&
           put(control.get(), L"Done", DISPATCH_PROPERTYPUT, win32::variant_bool(true)) == S_OK,
       "a foreign command object");
    ok(order() == "command 2 detached", "and the previous one let go");
    ok(put(control.get(), L"Command", DISPATCH_PROPERTYPUTREF, win32::variant_dispatch(nullptr)) == S_OK &&
           !get_object(control.get(), L"application"),
       "Command = Nothing: application is Nothing");

    point->Unadvise(first.cookie);
    point = nullptr;
    next.control = nullptr;
    control = nullptr;
    ok(refs(command.object.get()) == 1 && refs(next.object.get()) == 1 && refs(foreign.get()) == 1,
       "every command object released");
    ok(refs(first.object.get()) == 1 && refs(second.object.get()) == 1, "every sink released");
    ok(g_control.call("DllCanUnloadNow") == S_OK, "the control can be unloaded");
}

WINE_TEST(the_application_locator_is_one_object_per_process) {
    ok(g_appLocator.call("DllRegisterServer") == S_OK, "DllRegisterServer");
    com_ptr<IDispatch> first, second;
    ok(CoCreateInstance(CLSID_ApplicationLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, first.put_void()) ==
           S_OK,
       "created by its class identifier");
    if (!first) return;
    first = nullptr;
    CoCreateInstance(CLSID_ApplicationLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, second.put_void());
    CoCreateInstance(CLSID_ApplicationLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, first.put_void());
    ok(second && win32::same_object(first.get(), second.get()), "every creation gives the same object");

    HRESULT hr = E_FAIL;
    ok(!get_object(first.get(), L"ActiveApplication", &hr) && hr == S_OK, "no host here: ActiveApplication is Nothing");

    com_ptr<IApplicationLocatorHost> host;
    first->QueryInterface(IID_IApplicationLocatorHost, host.put_void());
    auto application = fake({});
    ok(host && host->SetActiveApplication(application.get()) == S_OK, "the host sets its application");
    ok(win32::same_object(get_object(second.get(), L"ActiveApplication").get(), application.get()),
       "ActiveApplication is the host's");
    ok(host && host->SetActiveApplication(nullptr) == S_OK && !get_object(first.get(), L"ActiveApplication") &&
           refs(application.get()) == 1,
       "cleared at shutdown: Nothing, and released");
    ok(g_appLocator.call("DllCanUnloadNow") == S_FALSE, "the one object is kept for the process");
}

int main() {
    win32::com_apartment apartment;
    if (!apartment) return 2;
    return winetest::run_all();
}
