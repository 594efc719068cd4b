// Load to ready: the reference host creates the add-in and calls
// InitializeApplication, Install and UIInitialize (AddIns.Add, Load, LoadUI),
// then unloads it again. The median of the loads after the first, and of each
// step. Usage:
//   load_benchmark [loads=100]
#include "BenchmarkReport.h"
#include "tessaline/HostAddInEntry.h"
#include "tessaline/HostAddIns.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostSession.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    const int loads = argc > 1 ? std::atoi(argv[1]) : 100;
    if (loads <= 0) return 2;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::vector<double> times;
    // Creation (AddIns.Add), InitializeApplication, Install (Load), UIInitialize (LoadUI).
    std::vector<double> steps[4];
    double first = 0;
    {
        auto log = std::make_shared<tessaline::HostLog>();
        tessaline::HostSession session(log, bench::sessionOptions({{L"Status", L"On"}, {L"Minutes", L"10"}}));
        if (!session.start()) return 1;
        for (int i = 0; i <= loads; ++i) {
            bench::Stopwatch watch;
            double step[4] = {};
            double last = 0;
            auto lap = [&](double& into) {
                const double now = watch.seconds();
                into = now - last;
                last = now;
            };
            // As HostSession::load_add_in, step by step.
            auto addIns = session.context().add_ins();
            auto entry = addIns ? addIns->add(L"vokAutoSave412.CAddIn") : nullptr;
            lap(step[0]);
            if (entry) {
                entry->call(L"InitializeApplication");
                lap(step[1]);
                entry->Load();
                lap(step[2]);
                entry->LoadUI();
                lap(step[3]);
            }
            const bool loaded = entry != nullptr;
            const double seconds = watch.seconds();
            if (!loaded) {
                std::printf("the add-in is not registered in this prefix\n");
                return 1;
            }
            if (i == 0) first = seconds;
            else {
                times.push_back(seconds);
                for (int s = 0; s < 4; ++s) steps[s].push_back(step[s]);
            }
            session.unload_add_in(L"vokAutoSave412.CAddIn");
        }
        session.shutdown();
    }
    CoUninitialize();
    const double median = bench::median(times);
    std::printf("load to ready: first %.2f ms, then median %.2f ms of %d\n", first * 1e3, median * 1e3, loads);
    std::printf("  medians: create %.2f ms, InitializeApplication %.2f ms, Install %.2f ms, UIInitialize %.2f ms\n",
                bench::median(steps[0]) * 1e3, bench::median(steps[1]) * 1e3, bench::median(steps[2]) * 1e3,
                bench::median(steps[3]) * 1e3);
    bench::row(bench::format("load to ready (create, InitializeApplication, Install, UIInitialize), median of %d "
                             "loads after the first",
                             loads),
               bench::format("%.2f ms (first %.1f ms)", median * 1e3, first * 1e3), "at most 5 ms", median <= 5e-3);
    return 0;
}
