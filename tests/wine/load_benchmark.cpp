// Load to ready: the reference host creates the add-in and calls
// InitializeApplication, Install and UIInitialize (AddIns.Add, Load, LoadUI),
// then unloads it again. The median of the loads after the first. Usage:
//   load_benchmark [loads=100]
#include "BenchmarkReport.h"
#include "tessaline/HostAddInEntry.h"
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
    double first = 0;
    {
        auto log = std::make_shared<tessaline::HostLog>();
        tessaline::HostSession session(log, bench::sessionOptions({{L"Status", L"On"}, {L"Minutes", L"10"}}));
        if (!session.start()) return 1;
        for (int i = 0; i <= loads; ++i) {
            bench::Stopwatch watch;
            const bool loaded = session.load_add_in(L"vokAutoSave412.CAddIn") != nullptr;
            const double seconds = watch.seconds();
            if (!loaded) {
                std::printf("the add-in is not registered in this prefix\n");
                return 1;
            }
            if (i == 0) first = seconds;
            else times.push_back(seconds);
            session.unload_add_in(L"vokAutoSave412.CAddIn");
        }
        session.shutdown();
    }
    CoUninitialize();
    const double median = bench::median(times);
    std::printf("load to ready: first %.2f ms, then median %.2f ms of %d\n", first * 1e3, median * 1e3, loads);
    bench::row(bench::format("load to ready (create, InitializeApplication, Install, UIInitialize), median of %d "
                             "loads after the first",
                             loads),
               bench::format("%.2f ms (first %.1f ms)", median * 1e3, first * 1e3), "at most 5 ms", median <= 5e-3);
    return 0;
}
