// Copy rate of replaceBackup (copy to a temporary file, flush, rename)
// against a plain CopyFileW of the same file. Usage:
//   backup_benchmark [megabytes=100] [rounds=5]
#include "host/AutomationError.h"
#include "platform/win32/Variant.h"
#include "platform/win32/Win32FileSystem.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

double seconds(const std::function<void()>& action) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    action();
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
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
    CloseHandle(file);
    return good;
}

}  // namespace

int main(int argc, char** argv) {
    const long long megabytes = argc > 1 ? std::atoll(argv[1]) : 100;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    if (megabytes <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: backup_benchmark [megabytes] [rounds]\n");
        return 2;
    }
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"backup_benchmark_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring source = folder + L"\\source.tsd", backup = folder + L"\\source.bak",
                       copy = folder + L"\\source.copy";
    const double size = static_cast<double>(megabytes) * 1024 * 1024;
    if (!makeSource(source, megabytes * 1024 * 1024)) {
        std::fprintf(stderr, "cannot write %lld MB in %ls\n", megabytes, folder.c_str());
        return 1;
    }

    win32::Win32FileSystem files;
    double bestBackup = 0, bestCopy = 0, totalBackup = 0, totalCopy = 0;
    int status = 0;
    for (int round = 1; round <= rounds && status == 0; ++round) {
        double b = 0, c = 0;
        try {
            b = seconds([&] { files.replaceBackup(win32::narrow(source), win32::narrow(backup)); });
        } catch (const autosave::AutomationError& e) {
            std::fprintf(stderr, "replaceBackup failed: %d %s\n", e.info().number, e.info().description.c_str());
            status = 1;
            break;
        }
        c = seconds([&] {
            if (!CopyFileW(source.c_str(), copy.c_str(), FALSE)) status = 1;
        });
        const double rateBackup = size / b / 1e6, rateCopy = size / c / 1e6;
        std::printf("round %d: replaceBackup %8.1f MB/s   CopyFileW %8.1f MB/s\n", round, rateBackup, rateCopy);
        totalBackup += b;
        totalCopy += c;
        if (rateBackup > bestBackup) bestBackup = rateBackup;
        if (rateCopy > bestCopy) bestCopy = rateCopy;
    }
    if (status == 0) {
        const double meanBackup = size * rounds / totalBackup / 1e6, meanCopy = size * rounds / totalCopy / 1e6;
        std::printf("%lld MB x %d rounds\n", megabytes, rounds);
        std::printf("replaceBackup: mean %.1f MB/s, best %.1f MB/s\n", meanBackup, bestBackup);
        std::printf("CopyFileW:     mean %.1f MB/s, best %.1f MB/s\n", meanCopy, bestCopy);
        std::printf("ratio replaceBackup/CopyFileW (mean): %.2f\n", meanBackup / meanCopy);
    }
    DeleteFileW(source.c_str());
    DeleteFileW(backup.c_str());
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(folder.c_str());
    return status;
}
