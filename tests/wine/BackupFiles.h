// Files for the backup tests: a fresh folder of the test's own, contents
// written and read whole, the temporary files a backup left.
#pragma once

#include "platform/win32/Unique.h"

#include <windows.h>

#include <string>

namespace backupfiles {

// Deletes the files of `folder` (not its subfolders).
inline void emptyFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do DeleteFileW((folder + L"\\" + data.cFileName).c_str());
    while (FindNextFileW(find, &data));
    FindClose(find);
}

inline std::wstring testFolder(const wchar_t* name = L"file_system_test_") {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    // Empty, whatever an earlier run with the same process id left.
    emptyFolder(folder);
    return folder;
}

// A test's folder, emptied and removed when the test ends.
struct ScopedFolder {
    explicit ScopedFolder(const wchar_t* name = L"file_system_test_") : path(testFolder(name)) {}
    ~ScopedFolder() {
        emptyFolder(path);
        RemoveDirectoryW(path.c_str());
    }
    ScopedFolder(const ScopedFolder&) = delete;
    ScopedFolder& operator=(const ScopedFolder&) = delete;
    const std::wstring path;
};

inline void writeFile(const std::wstring& path, const std::string& content) {
    win32::unique_handle f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (!content.empty()) WriteFile(f.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

inline std::string readFile(const std::wstring& path) {
    win32::unique_handle f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    if (f.get() == INVALID_HANDLE_VALUE) {
        (void)f.release();
        return "<missing>";
    }
    std::string content;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(f.get(), buffer, sizeof buffer, &got, nullptr) && got) content.append(buffer, got);
    return content;
}

inline int leftoverTemporaries(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*.tmp").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (FindNextFileW(find, &data));
    FindClose(find);
    return count;
}

inline std::string pattern(size_t size, unsigned seed) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + seed + i / 4099) & 0xFF);
    return s;
}

}  // namespace backupfiles
