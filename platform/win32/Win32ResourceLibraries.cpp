#include "platform/win32/Win32ResourceLibraries.h"

#include "platform/win32/Variant.h"

#include <vector>

namespace win32 {

autosave::LibraryHandle Win32ResourceLibraries::loadAsDataFile(const std::string& path) {
    // No code of the library runs; its string table is all that is used.
    HMODULE module = LoadLibraryExW(widen(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return reinterpret_cast<autosave::LibraryHandle>(module);
}

void Win32ResourceLibraries::free(autosave::LibraryHandle library) noexcept {
    if (library) FreeLibrary(reinterpret_cast<HMODULE>(library));
}

std::string Win32ResourceLibraries::loadString(autosave::LibraryHandle library, std::int32_t number, int bufferChars) {
    if (bufferChars <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<size_t>(bufferChars), L'\0');
    int n = LoadStringW(reinterpret_cast<HINSTANCE>(library), static_cast<UINT>(number), buffer.data(), bufferChars);
    if (n <= 0) return {};
    return narrow(std::wstring_view(buffer.data(), static_cast<size_t>(n)));
}

}  // namespace win32
