// The one-step backup (replaceBackup: copy to a temporary file, flush,
// rename) against the same file copied and flushed: CopyFileW, then
// FlushFileBuffers on the copy. Rounds alternate between the two. Usage:
//   backup_benchmark [megabytes=100] [rounds=5] [explore]
// "explore" adds other ways of making the flushed copy, for comparison.
#include "BenchmarkReport.h"
#include "host/AutomationError.h"
#include "platform/win32/Variant.h"
#include "platform/win32/Win32FileSystem.h"

#include <windows.h>

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

bool makeSource(const std::wstring& path, long long bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 2654435761u >> 24);
    bool good = true;
    for (long long left = bytes; left > 0 && good;) {
        DWORD chunk = static_cast<DWORD>(left < static_cast<long long>(block.size()) ? left : block.size());
        DWORD written = 0;
        good = WriteFile(file, block.data(), chunk, &written, nullptr) && written == chunk;
        left -= chunk;
        block[static_cast<size_t>(left) % block.size()] ^= 0x5A;  // no two blocks alike
    }
    FlushFileBuffers(file);
    CloseHandle(file);
    return good;
}

bool flush(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool flushed = FlushFileBuffers(file);
    CloseHandle(file);
    return flushed;
}

bool copyAndFlush(const std::wstring& source, const std::wstring& copy) {
    return CopyFileW(source.c_str(), copy.c_str(), FALSE) && flush(copy);
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
                       copy = folder + L"\\source.copy";
    if (!makeSource(source, megabytes * 1024 * 1024)) {
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
        {"replaceBackup", [&] {
             try {
                 files.replaceBackup(win32::narrow(source), win32::narrow(backup));
                 return true;
             } catch (const autosave::AutomationError& e) {
                 std::fprintf(stderr, "replaceBackup failed: %d %s\n", e.info().number, e.info().description.c_str());
                 return false;
             }
         }, {}},
        {"CopyFileW + FlushFileBuffers", [&] { return copyAndFlush(source, copy); }, {}},
    };
    if (explore) {
        ways.push_back({"CopyFileW, no flush", [&] { return CopyFileW(source.c_str(), copy.c_str(), FALSE) != 0; }, {}});
        for (DWORD kb : {64u, 256u, 1024u, 4096u, 16384u}) {
            ways.push_back({nullptr, [&, kb] { return chunkedCopy(source, copy, kb * 1024, 0); }, {}});
        }
        ways.push_back({"1 MB chunks, write-through",
                        [&] { return chunkedCopy(source, copy, 1 << 20, FILE_FLAG_WRITE_THROUGH); }, {}});
    }
    const char* chunkNames[] = {"64 KB chunks + flush", "256 KB chunks + flush", "1 MB chunks + flush",
                                "4 MB chunks + flush", "16 MB chunks + flush"};
    for (size_t i = 0, n = 0; i < ways.size(); ++i)
        if (!ways[i].name) ways[i].name = chunkNames[n++];

    bool good = true;
    for (int round = 0; round < rounds && good; ++round) {
        for (auto& way : ways) way.times.push_back(seconds(way.run, good));
        DeleteFileW(copy.c_str());
    }
    if (good) {
        const double size = static_cast<double>(megabytes) * 1024 * 1024 / 1e6;
        std::printf("%lld MB, median of %d rounds:\n", megabytes, rounds);
        for (const auto& way : ways)
            std::printf("  %-30s %8.1f ms  %8.1f MB/s\n", way.name, bench::median(way.times) * 1e3,
                        size / bench::median(way.times));
        const double backupTime = bench::median(ways[0].times), copyTime = bench::median(ways[1].times);
        bench::row(bench::format("one-step backup of a %lld MB file against CopyFileW then FlushFileBuffers", megabytes),
                   bench::format("%.0f ms vs %.0f ms: %.2fx the time", backupTime * 1e3, copyTime * 1e3,
                                 backupTime / copyTime),
                   "at most 1.2x", backupTime / copyTime <= 1.2);
    }
    DeleteFileW(source.c_str());
    DeleteFileW(backup.c_str());
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(folder.c_str());
    return good ? 0 : 1;
}
