#include "tessaline/ProcessFigures.h"

#include <psapi.h>

#include <vector>

namespace tessaline::process_figures {

// Wine's GetProcessHandleCount succeeds with 0; the system's handle table
// then gives the count.
DWORD handle_count() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count) return count;
    using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    constexpr ULONG kExtendedHandleInformation = 64;
    constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004UL);
    struct Entry {
        void* object;
        ULONG_PTR process, handle;
        ULONG access;
        USHORT backTrace, type;
        ULONG attributes, reserved;
    };
    std::vector<BYTE> table(1 << 16);
    LONG status = 0;
    ULONG needed = 0;
    while ((status = query(kExtendedHandleInformation, table.data(), static_cast<ULONG>(table.size()), &needed)) ==
               kLengthMismatch &&
           table.size() < (64u << 20))
        table.resize(table.size() * 2);
    if (status != 0) return 0;
    // A count and a reserved word, then the entries of every process.
    ULONG_PTR entries = *reinterpret_cast<const ULONG_PTR*>(table.data());
    const auto* entry = reinterpret_cast<const Entry*>(table.data() + 2 * sizeof(ULONG_PTR));
    for (ULONG_PTR i = 0; i < entries; ++i)
        if (entry[i].process == GetCurrentProcessId()) ++count;
    return count;
}

bool private_bytes(SIZE_T& bytes) {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
        return false;
    // Wine leaves PrivateUsage at 0; PagefileUsage is the same commit charge.
    bytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
    return true;
}

}  // namespace tessaline::process_figures
