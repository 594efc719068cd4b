#include "platform/win32/RenameOpenFile.h"

#include <algorithm>
#include <vector>

namespace win32 {

bool rename_open_file(HANDLE file, const std::wstring& to) {
    // The system takes the new name in its own form: \??\C:\..., \??\UNC\...
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFullPathNameW(to.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return false;
        const bool fits = n < full.size();
        full.resize(n);
        if (fits) break;
    }
    std::wstring name;
    if (full.starts_with(L"\\\\?\\")) name = L"\\??\\" + full.substr(4);
    else if (full.starts_with(L"\\\\")) name = L"\\??\\UNC\\" + full.substr(2);
    else name = L"\\??\\" + full;
    std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::copy(name.begin(), name.end(), rename->FileName);
    return SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != FALSE;
}

}  // namespace win32
