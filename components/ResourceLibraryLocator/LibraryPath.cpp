#include "components/ResourceLibraryLocator/LibraryPath.h"

#include <windows.h>

namespace components {

namespace {

constexpr wchar_t kFallbackLanguage[] = L"ENU";

bool is_file(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring ui_language_abbreviation() {
    LCID locale = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
    wchar_t name[16] = {};
    if (GetLocaleInfoW(locale, LOCALE_SABBREVLANGNAME, name, 16) == 0 || name[0] == L'\0') return kFallbackLanguage;
    return name;
}

std::wstring library_path(std::wstring_view folder, std::wstring_view baseName, std::wstring_view language) {
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.remove_suffix(1);
    std::wstring path(folder);
    path += L'\\';
    path += baseName;
    path += language;
    path += L".dll";
    return path;
}

std::wstring locate_library(std::wstring_view folder, std::wstring_view baseName, std::wstring_view language) {
    std::wstring path = library_path(folder, baseName, language);
    if (language == kFallbackLanguage || is_file(path)) return path;
    return library_path(folder, baseName, kFallbackLanguage);
}

}  // namespace components
