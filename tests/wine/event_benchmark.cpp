// Application events per second through the reference host's real
// connection point: to a sink that does nothing, and to the add-in while no
// save is due (its path that starts no pass). A benchmark, not a test.
#include "tessaline/CallArgs.h"
#include "tessaline/HostAddInEntry.h"
#include "tessaline/HostApplication.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostSession.h"

#include <ocidl.h>

#include <cstdio>

namespace {

// Answers every event at once.
class NoopSink final : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID_ApplicationEvents) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return S_OK;
    }
};

double now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

// Events per second over `count` InIdle events fired to the connected sinks.
double fireIdle(tessaline::HostSession& session, int count) {
    auto events = session.context().events();
    auto application = session.context().application();
    double started = now();
    for (int i = 0; i < count; ++i) {
        tessaline::CallArgs args;
        args.object(static_cast<IDispatch*>(application.get()));
        events->fire(tessaline::kEventInIdle, args);
    }
    return count / (now() - started);
}

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        auto log = std::make_shared<tessaline::HostLog>();
        tessaline::SessionOptions options;
        options.loadRegistered = false;
        options.showWindow = false;
        // No save comes due while the add-in is measured.
        options.settings = {{L"Status", L"On"}, {L"Minutes", L"10"}};
        tessaline::HostSession session(log, options);
        if (!session.start()) return 1;
        const int count = 200000;

        NoopSink sink;
        double noop = 0;
        {
            win32::com_ptr<IConnectionPoint> point;
            session.context().events()->FindConnectionPoint(DIID_ApplicationEvents, point.put());
            DWORD cookie = 0;
            point->Advise(&sink, &cookie);
            noop = fireIdle(session, count);
            point->Unadvise(cookie);
        }
        std::printf("InIdle to a sink that does nothing: %.0f events/s (%.2f us/event)\n", noop, 1e6 / noop);

        if (session.load_add_in(L"vokAutoSave412.CAddIn")) {
            double addIn = fireIdle(session, count);
            std::printf("InIdle to the add-in, no save due:  %.0f events/s (%.2f us/event)\n", addIn, 1e6 / addIn);
        } else {
            std::printf("the add-in is not registered in this prefix\n");
        }
        session.shutdown();
    }
    CoUninitialize();
    return 0;
}
