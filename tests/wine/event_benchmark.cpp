// InIdle through the reference host's real connection point: to the add-in
// while no save is due (its path that starts no pass) against a sink that
// does nothing. Both sit behind event sources of the same host, fired the
// same way, in alternating rounds of one run. A benchmark, not a test.
// Usage: event_benchmark [events per round=100000] [rounds=9] [addin-only]
#include "BenchmarkReport.h"
#include "platform/win32/Unique.h"
#include "tessaline/CallArgs.h"
#include "tessaline/HostAddInEntry.h"
#include "tessaline/HostApplication.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostSession.h"

#include <ocidl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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

// Microseconds per InIdle over `count` events fired as the host's idle loop fires them.
double fireIdle(tessaline::HostEventSource& events, IDispatch* application, int count) {
    bench::Stopwatch watch;
    for (int i = 0; i < count; ++i) {
        tessaline::CallArgs args;
        args.object(application);
        events.fire(tessaline::kEventInIdle, args);
    }
    return watch.seconds() * 1e6 / count;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 9;
    const bool addInOnly = argc > 3 && std::strcmp(argv[3], "addin-only") == 0;
    if (count <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: event_benchmark [events per round] [rounds] [addin-only]\n");
        return 2;
    }
    win32::com_apartment apartment;
    int status = 0;
    {
        auto log = std::make_shared<tessaline::HostLog>();
        // No save comes due while the add-in is measured.
        tessaline::HostSession session(log, bench::sessionOptions({{L"Status", L"On"}, {L"Minutes", L"10"}}));
        if (!session.start()) return 1;
        auto application = session.context().application();
        IDispatch* app = static_cast<IDispatch*>(application.get());

        // A second source of the same host for the sink that does nothing.
        auto noopEvents = tessaline::HostEventSource::create(session.context().shared_from_this());
        NoopSink sink;
        win32::com_ptr<IConnectionPoint> point;
        noopEvents->FindConnectionPoint(DIID_ApplicationEvents, point.put());
        DWORD cookie = 0;
        point->Advise(&sink, &cookie);

        // Held for the whole run: the host's own source, which the add-in listens to.
        auto events = session.context().events();
        if (!session.load_add_in(L"vokAutoSave412.CAddIn")) {
            std::printf("the add-in is not registered in this prefix\n");
            status = 1;
        } else if (auto& hostEvents = *events.get(); addInOnly) {
            // For a profiler: nothing but the add-in's path.
            for (int round = 0; round < rounds; ++round) fireIdle(hostEvents, app, count);
        } else {
            fireIdle(*noopEvents.get(), app, count / 10);  // warm both paths up
            fireIdle(hostEvents, app, count / 10);
            std::vector<double> noop, addIn;
            for (int round = 0; round < rounds; ++round) {
                noop.push_back(fireIdle(*noopEvents.get(), app, count));
                addIn.push_back(fireIdle(hostEvents, app, count));
            }
            const double n = bench::median(noop), a = bench::median(addIn);
            std::printf("InIdle, median of %d rounds of %d: sink that does nothing %.3f us, add-in %.3f us\n", rounds,
                        count, n, a);
            bench::row(
                "InIdle to the add-in through the host's connection point, no save due, "
                "against a sink that does nothing",
                bench::format("%.3f us vs %.3f us: %.2fx", a, n, a / n), "at most 1.10x", a / n <= 1.10);
        }
        point->Unadvise(cookie);
        point.reset();
        noopEvents.reset();
        application.reset();
        session.shutdown();
    }
    return status;
}
