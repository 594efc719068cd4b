#include "components/ErrorReporter/ReporterSettings.h"

#include <windows.h>
#include <shlobj.h>

namespace components {

namespace {

constexpr wchar_t kKey[] = L"Software\\Morvane\\ErrorReporter";
constexpr wchar_t kEnvironmentVariable[] = L"MORVANE_ERRORREPORTER_LOG";

std::wstring environment_log_file() {
    std::wstring value;
    for (;;) {
        DWORD n = GetEnvironmentVariableW(kEnvironmentVariable, value.data(), static_cast<DWORD>(value.size() + 1));
        if (n == 0) return {};
        if (n <= value.size()) {
            value.resize(n);
            return value;
        }
        value.resize(n);  // n counts the terminator: one spare
    }
}

std::wstring registry_log_file() {
    for (;;) {
        DWORD bytes = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, kKey, L"LogFile", RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
            return {};
        std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        LSTATUS rc = RegGetValueW(HKEY_CURRENT_USER, kKey, L"LogFile", RRF_RT_REG_SZ, nullptr, value.data(), &bytes);
        if (rc == ERROR_MORE_DATA) continue;  // changed between the two reads
        if (rc != ERROR_SUCCESS) return {};
        value.resize(wcsnlen(value.c_str(), value.size()));
        return value;
    }
}

bool registry_show_messages() {
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kKey, L"ShowMessages", RRF_RT_REG_DWORD, nullptr, &value, &bytes) !=
        ERROR_SUCCESS)
        return false;
    return value != 0;
}

std::wstring default_log_file() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
    return std::wstring(folder) + L"\\Morvane\\ErrorReporter\\ErrorReports.log";
}

}  // namespace

ReporterSettings ReporterSettings::load() {
    ReporterSettings settings;
    settings.logFile = environment_log_file();
    if (settings.logFile.empty()) settings.logFile = registry_log_file();
    if (settings.logFile.empty()) settings.logFile = default_log_file();
    settings.showMessages = registry_show_messages();
    return settings;
}

}  // namespace components
