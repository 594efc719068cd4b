// How long a window goes without repainting while a backup runs from its
// thread: another thread invalidates it every 10 ms, and the window notes
// each WM_PAINT. Once as the backup used to run (the copy on the window
// thread), once as it runs now (on a thread of its own, the window thread
// dispatching paint messages). A third thread sends the window a message
// during each backup: when its answer comes shows what happens to messages
// sent from other threads meanwhile. Usage:
//   stall_benchmark [megabytes=1024]
#include "BenchmarkReport.h"
#include "platform/AutomationError.h"
#include "platform/BackupCopy.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"
#include "platform/win32/Win32FileSystem.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<double> g_paints;
const bench::Stopwatch g_clock;

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        g_paints.push_back(g_clock.seconds());
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

struct Stall {
    double longestGap = 0;  // seconds without a repaint
    double backup = 0;      // seconds the backup took
    double answered = -1;   // when the sent message was answered, from the backup's start
    bool good = false;
};

struct Invalidator {
    HWND window;
    std::atomic<bool> stop{false};
    static DWORD WINAPI run(void* self) {
        auto* me = static_cast<Invalidator*>(self);
        while (!me->stop) {
            InvalidateRect(me->window, nullptr, FALSE);
            Sleep(10);
        }
        return 0;
    }
};

struct Sender {
    HWND window;
    double start = 0, answered = -1;
    static DWORD WINAPI run(void* self) {
        auto* me = static_cast<Sender*>(self);
        Sleep(100);
        DWORD_PTR result = 0;
        if (SendMessageTimeoutW(me->window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result))
            me->answered = g_clock.seconds() - me->start;
        return 0;
    }
};

Stall measure(HWND window, const std::function<bool()>& backup) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Invalidator invalidator{window};
    Sender sender{window};
    win32::unique_handle invalidating(CreateThread(nullptr, 0, &Invalidator::run, &invalidator, 0, nullptr));
    g_paints.clear();
    Stall stall;
    const double start = g_clock.seconds();
    sender.start = start;
    win32::unique_handle sending(CreateThread(nullptr, 0, &Sender::run, &sender, 0, nullptr));
    stall.good = backup();
    const double end = g_clock.seconds();
    invalidator.stop = true;
    WaitForSingleObject(invalidating.get(), INFINITE);
    // The sender's answer, if it waits for one still.
    while (WaitForSingleObject(sending.get(), 0) == WAIT_TIMEOUT)
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT) == WAIT_OBJECT_0)
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    double last = start;
    for (double paint : g_paints) {
        if (paint > end) break;
        stall.longestGap = std::max(stall.longestGap, paint - last);
        last = paint;
    }
    stall.longestGap = std::max(stall.longestGap, end - last);
    stall.backup = end - start;
    stall.answered = sender.answered;
    return stall;
}

}  // namespace

int main(int argc, char** argv) {
    const long long megabytes = argc > 1 ? std::atoll(argv[1]) : 1024;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"stall_benchmark_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring source = folder + L"\\drawing.tsd", backup = source + L".bak";
    if (megabytes <= 0 || !bench::makeSource(source, megabytes * 1024 * 1024)) {
        std::fprintf(stderr, "cannot write %lld MB in %ls\n", megabytes, folder.c_str());
        return 1;
    }
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"StallBenchmark";
    RegisterClassW(&windowClass);
    win32::unique_hwnd window(CreateWindowW(L"StallBenchmark", L"stall benchmark", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                            0, 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr));

    auto report = [](const char* way, const Stall& s) {
        std::printf("  %-44s longest gap %7.1f ms, backup %7.1f ms, sent message answered %s\n", way,
                    s.longestGap * 1e3, s.backup * 1e3,
                    s.answered < 0 ? "never" : bench::format("after %.0f ms", s.answered * 1e3).c_str());
    };
    const std::string from = win32::narrow(source), to = win32::narrow(backup);
    win32::Win32FileOperations operations;
    const Stall before = measure(window.get(), [&] {
        try {
            autosave::replaceBackup(operations, from, to, {win32::Win32FileSystem::kChunkSize, 0});
            return true;
        } catch (const autosave::AutomationError& e) {
            std::fprintf(stderr, "backup failed: %s\n", e.info().description.c_str());
            return false;
        }
    });
    win32::Win32FileSystem files;
    const Stall after = measure(window.get(), [&] {
        try {
            return files.replaceBackup(from, to, [](unsigned long long) {});
        } catch (const autosave::AutomationError& e) {
            std::fprintf(stderr, "backup failed: %s\n", e.info().description.c_str());
            return false;
        }
    });
    std::printf("%lld MB:\n", megabytes);
    report("copy on the window thread (as before)", before);
    report("copy on its own thread, paints dispatched", after);
    const bool good = before.good && after.good;
    if (good)
        bench::row(bench::format("longest time the window goes unpainted during the backup of a %lld MB drawing, "
                                 "invalidated every 10 ms",
                                 megabytes),
                   bench::format("%.0f ms (backup %.0f ms; before: %.0f ms); a message sent from another thread "
                                 "meanwhile was answered %s",
                                 after.longestGap * 1e3, after.backup * 1e3, before.longestGap * 1e3,
                                 after.answered < 0              ? "never"
                                 : after.answered < after.backup ? "during the backup"
                                                                 : "once the backup had ended"),
                   "at most 100 ms", after.longestGap <= 0.1);
    DeleteFileW(source.c_str());
    DeleteFileW(backup.c_str());
    RemoveDirectoryW(folder.c_str());
    return good ? 0 : 1;
}
