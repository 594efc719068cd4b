// The one-step backup (replaceBackup: copy to a temporary file, flush,
// rename) against the same file copied and flushed: CopyFileW, then
// FlushFileBuffers on the copy. Like the backup, which replaces the previous
// backup, the copy replaces the previous round's copy: releasing the old
// file's blocks costs as much as a third of the copy on a disk mounted with
// online discard. A copy to a fresh name is shown beside it. Rounds alternate
// between the ways, after one round that is not measured. Usage:
//   backup_benchmark [megabytes=100] [rounds=5] [explore]
// "explore" adds other ways of making the flushed copy, for comparison.
#include "BenchmarkReport.h"
#include "platform/AutomationError.h"
#include "platform/win32/Variant.h"
#include "platform/win32/Win32FileSystem.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

double seconds(const std::function<bool()>& action, bool& good) {
    bench::Stopwatch watch;
    good = action() && good;
    return watch.seconds();
}

bool flush(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool flushed = FlushFileBuffers(file);
    CloseHandle(file);
    return flushed;
}

// Touches `bytes` of fresh memory (at most half of what is free) and gives
// it back. A virtual machine may lend its memory to the system only when
// first touched, and take free memory back after a while: a copy that needs
// new page cache (a backup, beside its previous one) then pays for the
// lending, one that reuses the cache of the file it replaces does not. Each
// way starts from memory lent.
void touchMemory(unsigned long long bytes) {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (GlobalMemoryStatusEx(&status)) bytes = std::min<unsigned long long>(bytes, status.ullAvailPhys / 2);
    auto* memory = static_cast<char*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!memory) return;
    for (unsigned long long at = 0; at < bytes; at += 4096) memory[at] = 1;
    VirtualFree(memory, 0, MEM_RELEASE);
}

bool copyAndFlush(const std::wstring& source, const std::wstring& copy) {
    return CopyFileW(source.c_str(), copy.c_str(), FALSE) && flush(copy);
}

// The platform's own copy into a new temporary file, flushed, then renamed
// over `target`: the one-step backup built on CopyFileW.
bool copyFlushRename(const std::wstring& source, const std::wstring& temporary, const std::wstring& target) {
    return CopyFileW(source.c_str(), temporary.c_str(), TRUE) && flush(temporary) &&
           MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

// 1 MB chunks written unbuffered (sector-aligned buffer and sizes; the
// source is a whole number of megabytes), then flushed.
bool unbufferedCopy(const std::wstring& source, const std::wstring& copy) {
    constexpr DWORD chunk = 1 << 20;
    HANDLE in = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    HANDLE out = CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_NO_BUFFERING, nullptr);
    void* buffer = VirtualAlloc(nullptr, chunk, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    bool good = in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && buffer;
    for (DWORD got = 1; good && got;) {
        DWORD written = 0;
        good = ReadFile(in, buffer, chunk, &got, nullptr) &&
               (!got || (got % 4096 == 0 && WriteFile(out, buffer, got, &written, nullptr) && written == got));
    }
    good = good && FlushFileBuffers(out);
    if (buffer) VirtualFree(buffer, 0, MEM_RELEASE);
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    return good;
}

// Read and write in chunks of `chunk` bytes, then flush; `flags` for the copy.
bool chunkedCopy(const std::wstring& source, const std::wstring& copy, DWORD chunk, DWORD flags) {
    HANDLE in = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    HANDLE out = CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, flags, nullptr);
    bool good = in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE;
    std::unique_ptr<char[]> buffer(new char[chunk]);
    for (DWORD got = 1; good && got;) {
        DWORD written = 0;
        good = ReadFile(in, buffer.get(), chunk, &got, nullptr) &&
               (!got || (WriteFile(out, buffer.get(), got, &written, nullptr) && written == got));
    }
    good = good && FlushFileBuffers(out);
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    return good;
}

}  // namespace

int main(int argc, char** argv) {
    const long long megabytes = argc > 1 ? std::atoll(argv[1]) : 100;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const bool explore = argc > 3 && std::strcmp(argv[3], "explore") == 0;
    if (megabytes <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: backup_benchmark [megabytes] [rounds] [explore]\n");
        return 2;
    }
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"backup_benchmark_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring source = folder + L"\\source.tsd", backup = folder + L"\\source.bak",
                       copy = folder + L"\\source.copy", fresh = folder + L"\\fresh.copy",
                       temporary = folder + L"\\copy.tmp";
    if (!bench::makeSource(source, megabytes * 1024 * 1024)) {
        std::fprintf(stderr, "cannot write %lld MB in %ls\n", megabytes, folder.c_str());
        return 1;
    }

    struct Way {
        const char* name;
        std::function<bool()> run;
        std::vector<double> times;
    };
    win32::Win32FileSystem files;
    std::vector<Way> ways = {
        {"replaceBackup",
         [&] {
             try {
                 files.replaceBackup(win32::narrow(source), win32::narrow(backup));
                 return true;
             } catch (const autosave::AutomationError& e) {
                 std::fprintf(stderr, "replaceBackup failed: %d %s\n", e.info().number, e.info().description.c_str());
                 return false;
             }
         },
         {}},
        {"CopyFileW + FlushFileBuffers", [&] { return copyAndFlush(source, copy); }, {}},
        {"the same to a fresh name", [&] { return copyAndFlush(source, fresh); }, {}},
    };
    if (explore) {
        ways.push_back(
            {"CopyFileW to a temporary, flush, rename", [&] { return copyFlushRename(source, temporary, copy); }, {}});
        ways.push_back(
            {"CopyFileW, no flush", [&] { return CopyFileW(source.c_str(), copy.c_str(), FALSE) != 0; }, {}});
        for (DWORD kb : {64u, 256u, 1024u, 4096u, 16384u}) {
            ways.push_back({nullptr, [&, kb] { return chunkedCopy(source, copy, kb * 1024, 0); }, {}});
        }
        ways.push_back({"1 MB chunks, write-through",
                        [&] { return chunkedCopy(source, copy, 1 << 20, FILE_FLAG_WRITE_THROUGH); },
                        {}});
        ways.push_back({"1 MB chunks unbuffered + flush", [&] { return unbufferedCopy(source, copy); }, {}});
    }
    const char* chunkNames[] = {"64 KB chunks + flush", "256 KB chunks + flush", "1 MB chunks + flush",
                                "4 MB chunks + flush", "16 MB chunks + flush"};
    for (size_t i = 0, n = 0; i < ways.size(); ++i)
        if (!ways[i].name) ways[i].name = chunkNames[n++];

    bool good = true;
    for (int round = 0; round <= rounds && good; ++round) {
        DeleteFileW(fresh.c_str());
        for (auto& way : ways) {
            touchMemory(8ull * static_cast<unsigned long long>(megabytes) << 20);
            const double time = seconds(way.run, good);
            if (round > 0) way.times.push_back(time);
        }
    }
    if (good) {
        const double size = static_cast<double>(megabytes) * 1024 * 1024 / 1e6;
        std::printf("%lld MB, median of %d rounds:\n", megabytes, rounds);
        for (const auto& way : ways)
            std::printf("  %-40s %8.1f ms  %8.1f MB/s\n", way.name, bench::median(way.times) * 1e3,
                        size / bench::median(way.times));
        const double backupTime = bench::median(ways[0].times), copyTime = bench::median(ways[1].times),
                     freshTime = bench::median(ways[2].times);
        bench::row(
            bench::format("one-step backup of a %lld MB file replacing the last one, against CopyFileW then "
                          "FlushFileBuffers replacing the last copy",
                          megabytes),
            bench::format("%.0f ms vs %.0f ms: %.2fx the time (to a fresh name: %.0f ms, %.2fx)", backupTime * 1e3,
                          copyTime * 1e3, backupTime / copyTime, freshTime * 1e3, backupTime / freshTime),
            "at most 1.2x", backupTime / copyTime <= 1.2);
    }
    DeleteFileW(source.c_str());
    DeleteFileW(backup.c_str());
    DeleteFileW(copy.c_str());
    DeleteFileW(fresh.c_str());
    RemoveDirectoryW(folder.c_str());
    return good ? 0 : 1;
}
