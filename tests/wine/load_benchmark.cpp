// Load to ready: the reference host creates the add-in and calls
// InitializeApplication, Install and UIInitialize (AddIns.Add, Load, LoadUI),
// then unloads it again. The median of the loads after the first, and of each
// step. The host's window is shown, as a user's is. Usage:
//   load_benchmark [loads=100]
#include "BenchmarkReport.h"
#include "platform/win32/Unique.h"
#include "tessaline/HostAddInEntry.h"
#include "tessaline/HostAddIns.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostSession.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

struct Loads {
    double first = 0;
    std::vector<double> total;
    // Creation (AddIns.Add), InitializeApplication, Install (Load), UIInitialize (LoadUI).
    std::vector<double> steps[4];
};

std::optional<Loads> measure(int loads) {
    Loads result;
    auto log = std::make_shared<tessaline::HostLog>();
    auto options = bench::sessionOptions({{L"Status", L"On"}, {L"Minutes", L"10"}});
    options.showWindow = true;
    tessaline::HostSession session(log, options);
    if (!session.start()) return std::nullopt;
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
        if (!entry) {
            std::printf("the add-in is not registered in this prefix\n");
            return std::nullopt;
        }
        lap(step[0]);
        entry->call(L"InitializeApplication");
        lap(step[1]);
        entry->Load();
        lap(step[2]);
        entry->LoadUI();
        lap(step[3]);
        if (i == 0) {
            result.first = last;
        } else {
            result.total.push_back(last);
            for (int s = 0; s < 4; ++s) result.steps[s].push_back(step[s]);
        }
        session.unload_add_in(L"vokAutoSave412.CAddIn");
    }
    session.shutdown();
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const int loads = argc > 1 ? std::atoi(argv[1]) : 100;
    if (loads <= 0) return 2;
    const auto run = [&] {
        win32::com_apartment apartment;
        return measure(loads);
    }();
    if (!run) return 1;
    const double median = bench::median(run->total);
    std::printf("load to ready: first %.2f ms, then median %.2f ms of %d\n", run->first * 1e3, median * 1e3, loads);
    std::printf("  medians: create %.2f ms, InitializeApplication %.2f ms, Install %.2f ms, UIInitialize %.2f ms\n",
                bench::median(run->steps[0]) * 1e3, bench::median(run->steps[1]) * 1e3,
                bench::median(run->steps[2]) * 1e3, bench::median(run->steps[3]) * 1e3);
    bench::row(bench::format("load to ready (create, InitializeApplication, Install, UIInitialize), median of %d "
                             "loads after the first",
                             loads),
               bench::format("%.2f ms (first %.1f ms)", median * 1e3, run->first * 1e3), "at most 5 ms",
               median <= 5e-3);
    return 0;
}
