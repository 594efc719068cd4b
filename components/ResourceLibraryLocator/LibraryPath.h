// Naming and finding the language resource libraries:
// <folder>\<base name><language>.dll, such as C:\Add-in\vokAutoSave_DEU.dll.
#pragma once

#include <string>
#include <string_view>

namespace components {

// The three-letter abbreviation (ENU, DEU, JPN, ...) of the user's interface
// language; ENU when the system cannot name it.
std::wstring ui_language_abbreviation();

// folder\baseName + language + ".dll"; a trailing separator on folder is not doubled.
std::wstring library_path(std::wstring_view folder, std::wstring_view baseName, std::wstring_view language);

// The library for language when that file exists, otherwise the ENU one
// (returned even when missing, so the caller's load names what it tried).
std::wstring locate_library(std::wstring_view folder, std::wstring_view baseName, std::wstring_view language);

}  // namespace components
