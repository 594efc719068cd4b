// An all-documents pass of the add-in over N open drawings of the reference
// host, 1 in 100 modified, no prompt: the time of the pass and the calls the
// host answers (the median of three passes). The host flushes every drawing
// it saves, so a pass's time follows the disk: whether it grows linearly
// with N is judged on the time without the host's writes. Calls per
// unmodified drawing are the difference to a pass over the modified drawings
// alone, in the same session. Usage:
//   pass_benchmark [largest N=10000]
#include "BenchmarkReport.h"
#include "platform/win32/Unique.h"
#include "tessaline/CallArgs.h"
#include "tessaline/DocumentSet.h"
#include "tessaline/Drawing.h"
#include "tessaline/HostAddInEntry.h"
#include "tessaline/HostApplication.h"
#include "tessaline/HostCalls.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostDocument.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostSession.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Pass {
    double seconds = 0;
    double writing = 0;  // of which the host wrote drawings
    std::uint64_t calls = 0;
    double withoutWriting() const { return seconds - writing; }
};

// One InIdle as the host's idle loop raises it, a pass being due.
Pass idlePass(tessaline::HostSession& session) {
    Sleep(20);  // the timer moves past the next due time (Minutes 0.0001: 6 ms)
    auto events = session.context().events();
    auto application = session.context().application();
    const std::uint64_t before = tessaline::HostCalls::answered(), wroteBefore = tessaline::HostCalls::writing();
    bench::Stopwatch watch;
    tessaline::CallArgs args;
    args.object(static_cast<IDispatch*>(application.get()));
    events->fire(tessaline::kEventInIdle, args);
    const double seconds = watch.seconds();
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return {seconds, double(tessaline::HostCalls::writing() - wroteBefore) / double(frequency.QuadPart),
            tessaline::HostCalls::answered() - before};
}

struct Measured {
    int drawings = 0, modified = 0;
    Pass pass;
    double callsPerUnmodified = 0;
    bool saved = false;  // every modified drawing saved by the pass
};

Measured measure(const std::wstring& folder, int drawings) {
    Measured result;
    result.drawings = drawings;
    result.modified = drawings / 100 > 0 ? drawings / 100 : 1;
    auto log = std::make_shared<tessaline::HostLog>();
    tessaline::HostSession session(log, bench::sessionOptions({{L"Status", L"On"},
                                                               {L"Documents", L"All"},
                                                               {L"Prompt", L"Off"},
                                                               {L"Minutes", L"0.0001"},
                                                               {L"SaveBackup", L"Off"}}));
    if (!session.start()) return result;
    tessaline::DocumentSet& documents = *session.context().documents();
    std::vector<tessaline::DocumentSet::Ptr> open;
    auto openDrawing = [&](int i) {
        std::string error;
        auto document = documents.open(folder + L"\\d" + std::to_wstring(i) + L".tsd", error);
        if (document) open.push_back(document);
        return document != nullptr;
    };
    // The first drawing stays active and unmodified; then the modified ones.
    for (int i = 0; i <= result.modified; ++i)
        if (!openDrawing(i)) return result;
    auto modifyAll = [&] {
        for (int i = 1; i <= result.modified; ++i) documents.modify(*open[i].get());
        documents.activate(*open[0].get());
    };
    modifyAll();
    if (!session.load_add_in(L"vokAutoSave412.CAddIn")) return result;
    idlePass(session);  // the first pass after loading
    modifyAll();
    const Pass alone = idlePass(session);
    for (int i = result.modified + 1; i < drawings; ++i)
        if (!openDrawing(i)) return result;
    // The host flushes every drawing it saves: the median of a few passes.
    std::vector<double> times, writing;
    for (int round = 0; round < 3; ++round) {
        modifyAll();
        result.pass = idlePass(session);
        times.push_back(result.pass.seconds);
        writing.push_back(result.pass.writing);
    }
    result.pass.seconds = bench::median(times);
    result.pass.writing = bench::median(writing);
    result.saved = true;
    for (int i = 1; i <= result.modified; ++i) result.saved = result.saved && !open[i]->modified();
    const int unmodifiedAdded = drawings - 1 - result.modified;
    result.callsPerUnmodified = unmodifiedAdded > 0 ? double(result.pass.calls - alone.calls) / double(unmodifiedAdded)
                                                    : 0;
    open.clear();
    session.shutdown();
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const int largest = argc > 1 ? std::atoi(argv[1]) : 10000;
    auto apartment = std::make_unique<win32::com_apartment>();
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"pass_benchmark_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    // The drawings on disk, written once without the host's flush.
    const std::string content = tessaline::drawing::format(tessaline::drawing::default_shapes());
    for (int i = 0; i < largest; ++i) {
        HANDLE file = CreateFileW((folder + L"\\d" + std::to_wstring(i) + L".tsd").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        if (file == INVALID_HANDLE_VALUE) return 1;
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(file);
    }
    std::vector<Measured> results;
    for (int n = 10; n <= largest; n *= 10) results.push_back(measure(folder, n));
    apartment.reset();

    std::string times, calls;
    double worstCalls = 0;
    bool good = !results.empty();
    std::printf("%8s %9s %10s %12s %14s %14s %12s %16s\n", "drawings", "modified", "pass ms", "host writes",
                "without them", "us per drawing", "host calls", "per unmodified");
    for (const auto& r : results) {
        good = good && r.saved;
        std::printf("%8d %9d %10.2f %12.2f %14.2f %14.2f %12llu %16.2f%s\n", r.drawings, r.modified,
                    r.pass.seconds * 1e3, r.pass.writing * 1e3, r.pass.withoutWriting() * 1e3,
                    r.pass.withoutWriting() * 1e6 / r.drawings, static_cast<unsigned long long>(r.pass.calls),
                    r.callsPerUnmodified, r.saved ? "" : "  (modified drawings left unsaved)");
        times += bench::format("%s%d: %.1f ms (%.1f)", times.empty() ? "" : ", ", r.drawings, r.pass.seconds * 1e3,
                               r.pass.withoutWriting() * 1e3);
        calls += bench::format("%s%.2f", calls.empty() ? "" : "/", r.callsPerUnmodified);
        if (r.callsPerUnmodified > worstCalls) worstCalls = r.callsPerUnmodified;
    }
    // Linear: the time per drawing without the host's writes, at the largest
    // N, no more than 1.5 times that at a tenth of it.
    bool linear = results.size() >= 2;
    if (linear) {
        const auto& big = results.back();
        const auto& smaller = results[results.size() - 2];
        linear = big.pass.withoutWriting() / big.drawings <= 1.5 * smaller.pass.withoutWriting() / smaller.drawings;
    }
    bench::row(
        "all-documents pass over N drawings, 1% modified, no prompt: host calls per unmodified drawing "
        "(N = 10, 100, ...), time per pass (without the host's flushed writes)",
        calls + " calls; " + times, "at most 3 calls; time linear in N", good && worstCalls <= 3 && linear);
    for (const auto& entry : {L"\\*.tsd", L"\\*.tmp"}) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + entry).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
    return good ? 0 : 1;
}
