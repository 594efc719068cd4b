// Conformance test of the reference host's commands: an add-in class bound
// to a command, run through the command control as the add-in's dialogs run
// it, ended from inside Initialize, later from the message loop, or by the
// host at shutdown.
#include "tests/wine/TessalineFixture.h"
#include "tests/wine/WineTest.h"

#include "tessaline/ScriptRunner.h"

#include <functional>
#include <string>
#include <vector>

#include "ZelCmCtl.h"

using namespace tessaline_fixture;

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

}  // namespace

WINE_TEST(commands_run_through_the_command_control) {
    Apartment apartment;
    FakeAddInClass fake;
    Host host;
    tessaline::ScriptRunner runner(*host.session);
    auto sink = com_ptr<ControlSink>::attach(new ControlSink());
    bool doneInside = true;
    std::function<void()> insideInitialize;
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
        ok(call(control.get(), L"Command", DISPATCH_PROPERTYPUTREF, Args(command), nullptr) == S_OK, "Command set");
        ok(win32::same_object(get_object(control.get(), L"application").get(), host.app().get()),
           "the control's application is the outer application");
        IDispatch* raw = control.get();
        sink->onEvent = [raw, &doneInside, &insideInitialize](DISPID id) {
            if (id == 1 && insideInitialize) insideInitialize();
            if (id == 1 && doneInside) call(raw, L"Done", DISPATCH_PROPERTYPUT, Args(true), nullptr);
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

    // Picked again while it starts (its dialog up): one instance, brought forward.
    insideInitialize = [&] {
        insideInitialize = nullptr;
        host.session->run_command(static_cast<UINT>(g_addIn->commandId));
    };
    auto starts = [&] {
        const std::string text = host.log_text(), started = "call Tessaline.TestAddIn.Command_Initialize";
        size_t n = 0;
        for (size_t at = text.find(started); at != std::string::npos; at = text.find(started, at + 1)) ++n;
        return n;
    };
    const size_t startsBefore = starts();
    sink->seen.clear();
    runner.run_line("run Tessaline.TestAddIn", 2);
    id = std::to_string(g_addIn->commandId);
    ok(starts() == startsBefore + 1 && sink->seen == std::vector<DISPID>({1, 2}) &&
           contains(host.log_text(), "command " + id + " already running -> "),
       "picked again while starting, it ran twice:\n%s", host.log_text().c_str());

    // Done after Initialize returned: the command runs on until then.
    doneInside = false;
    sink->seen.clear();
    g_addIn->destroyed = false;
    runner.run_line("run Tessaline.TestAddIn", 2);
    id = std::to_string(g_addIn->commandId);
    ok(contains(host.log_text(), "command " + id + " running\n") && sink->seen == std::vector<DISPID>({1}),
       "no Done yet: the command is running");
    if (lastControl) call(lastControl, L"Done", DISPATCH_PROPERTYPUT, Args(true), nullptr);
    host.session->run_idle(1);
    ok(in_order(host.log_text(),
                {"command " + id + " Done", "command " + id + " Terminate", "command " + id + " ended"}),
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

WINE_TEST_MAIN
