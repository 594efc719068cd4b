// The host's registry: its own type library and ProgID, and the lists of
// add-ins to load at start, the user's and the machine's (a per-machine
// install's),
//   HKCU\Software\Morvane\Applications\Tessaline.Application\AddIns
//   HKLM\Software\Morvane\Applications\Tessaline.Application\AddIns
// one REG_DWORD per ProgID (1 = load at start); the user's entry for a
// ProgID overrides the machine's.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

class HostLog;

class AddInRegistry {
public:
    static constexpr wchar_t kAddInsKey[] = L"Software\\Morvane\\Applications\\Tessaline.Application\\AddIns";

    // ProgIDs listed with value 1, the user's in registry order, then the
    // machine's that the user's list does not name. set_startup writes the
    // user's list.
    static std::vector<std::wstring> startup_add_ins();
    static HRESULT set_startup(std::wstring_view progId, bool load);

    // Loads dll, calls its ORVRegisterServer (or ORVUnregisterServer) and
    // adds progId to (or removes it from) the start-up list.
    static HRESULT register_add_in(const std::wstring& dll, const std::wstring& progId, HostLog& log);
    static HRESULT unregister_add_in(const std::wstring& dll, const std::wstring& progId, HostLog& log);

    // The in-process server registered for the class of progId; empty when none.
    static std::wstring server_path(std::wstring_view progId);

    // The add-in's per-user settings, REG_SZ values.
    static constexpr wchar_t kSettingsKey[] =
        L"SOFTWARE\\Morvane\\Applications\\Tessaline.Application\\PrefSets\\AddIns\\AutoSave";
    static HRESULT write_setting(const std::wstring& name, const std::wstring& value);
    // The same setting stored as a REG_DWORD, which the add-in cannot read as text.
    static HRESULT write_number_setting(const std::wstring& name, unsigned long value);
    // ERROR_SUCCESS, ERROR_FILE_NOT_FOUND when absent, or why it cannot be read as text.
    static LSTATUS read_setting(const std::wstring& name, std::wstring& value);

    // Its default value is the help file, HKEY_LOCAL_MACHINE, as an installed
    // host leaves it: under the application's key, not its ProgID.
    static constexpr wchar_t kHelpFileKey[] = L"Software\\Morvane\\Applications\\Tessaline\\Help\\HelpFile";

    // The type library embedded in this program and the ProgID pointing at
    // it, for the current user; and the help file, tessaline.chm beside the
    // program (it need not exist).
    static HRESULT register_host(HostLog& log);
    static HRESULT unregister_host(HostLog& log);
};

}  // namespace tessaline
