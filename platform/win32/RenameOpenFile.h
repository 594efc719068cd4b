// Renaming a file through a handle that has it open.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// Renames the file open as `file` (opened with DELETE access) to `to`, a
// Win32 path, replacing a file of that name; the handle stays open. False
// with the last error set when the system refuses.
bool rename_open_file(HANDLE file, const std::wstring& to);

}  // namespace win32
