// The idle handler's path that starts no pass runs on every idle event the
// host raises: its cost per event and its heap allocations per event.
#include "fakes/ModuleFixture.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

// Not inlined: GCC 12 would see malloc() or free() where the other side of
// the replaced pair is operator new or delete, and report a mismatch.
[[gnu::noinline]] void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// A fixture outside gtest: the same fakes the unit tests use.
struct InstalledAddIn : fakes::ModuleFixture {
    using ModuleFixture::clock;
    using ModuleFixture::host;
    using ModuleFixture::log;
    void TestBody() override {}
    autosave::CAddIn addIn{module};
    InstalledAddIn() {
        addIn.InitializeApplication(host.app);
        addIn.Install(host.app, nullptr);
        addIn.UIInitialize(host.app, nullptr);
        addIn.g_ApplicationEvents_InIdle(host.app);  // the menu check request is done
    }
};

void IdleWithoutPass(benchmark::State& state) {
    InstalledAddIn f;
    autosave::ObjectPtr application = f.host.app;
    f.log->clear();
    long before = g_allocations.load();
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark loop's variable is unused by design
    for (auto _ : state) f.addIn.g_ApplicationEvents_InIdle(application);
    state.counters["allocations/event"] = benchmark::Counter(double(g_allocations.load() - before) /
                                                             double(state.iterations()));
    state.counters["host calls"] = double(f.log->entries().size());
}
BENCHMARK(IdleWithoutPass);

// As on Windows: a steady count that shows the due time out of reach, so
// the time of day is not read at all.
void IdleWithoutPassSteadyClock(benchmark::State& state) {
    InstalledAddIn f;
    f.clock.steady = 1000;
    autosave::ObjectPtr application = f.host.app;
    f.addIn.g_ApplicationEvents_InIdle(application);  // the reading the count stands in for
    f.log->clear();
    const int reads = f.clock.reads;
    long before = g_allocations.load();
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark loop's variable is unused by design
    for (auto _ : state) f.addIn.g_ApplicationEvents_InIdle(application);
    state.counters["allocations/event"] = benchmark::Counter(double(g_allocations.load() - before) /
                                                             double(state.iterations()));
    state.counters["host calls"] = double(f.log->entries().size());
    state.counters["clock reads"] = double(f.clock.reads - reads);
}
BENCHMARK(IdleWithoutPassSteadyClock);

void IdleWhileSavingIsOff(benchmark::State& state) {
    InstalledAddIn f;
    f.addIn.put_Status("Off");
    f.clock.seconds += 3600;  // long past the due time
    autosave::ObjectPtr application = f.host.app;
    long before = g_allocations.load();
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark loop's variable is unused by design
    for (auto _ : state) f.addIn.g_ApplicationEvents_InIdle(application);
    state.counters["allocations/event"] = benchmark::Counter(double(g_allocations.load() - before) /
                                                             double(state.iterations()));
}
BENCHMARK(IdleWhileSavingIsOff);

}  // namespace

BENCHMARK_MAIN();
