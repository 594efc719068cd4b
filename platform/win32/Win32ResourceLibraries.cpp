#include "platform/win32/Win32ResourceLibraries.h"

#include "platform/win32/Variant.h"

#include <string>
#include <vector>

namespace win32 {

autosave::LibraryHandle Win32ResourceLibraries::loadAsDataFile(const std::string& path) {
    // No code of the library runs; its string table is all that is used.
    // Mapped as an image, the file cannot be written while it is mapped, so
    // the texts read are those of the file as it was loaded; exclusive also
    // refuses a file that someone is writing.
    const std::wstring file = widen(path);
    HMODULE module = LoadLibraryExW(file.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE);
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER)
        module = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
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
