#include "tessaline/AddInRegistry.h"

#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"
#include "tessaline/HostContext.h"
#include "tessaline/HostLog.h"

#include <oleauto.h>

#include "Tessaline.h"

// In oleaut32 since Vista, but missing from the MinGW headers.
extern "C" {
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* helpDir);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libId, WORD major, WORD minor, LCID lcid, SYSKIND syskind);
}

namespace tessaline {
namespace {

using ServerEntry = HRESULT(STDAPICALLTYPE*)();

std::wstring guid_text(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring module_path(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

HRESULT set_text(HKEY root, const std::wstring& subkey, const wchar_t* name, const std::wstring& value) {
    win32::unique_hkey key;
    LSTATUS status = RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    status = RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(status);
}

HRESULT call_entry(const std::wstring& dll, const char* entry, HostLog& log) {
    // Altered search path: the add-in finds the libraries that sit beside it.
    win32::unique_hmodule module(LoadLibraryExW(dll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module) {
        HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        log.line("load " + win32::narrow(dll) + " -> " + HostLog::hex(hr));
        return hr;
    }
    FARPROC proc = GetProcAddress(module.get(), entry);
    if (!proc) {
        HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        log.line(std::string("no ") + entry + " in " + win32::narrow(dll) + " -> " + HostLog::hex(hr));
        return hr;
    }
    HRESULT hr = reinterpret_cast<ServerEntry>(reinterpret_cast<void*>(proc))();
    log.call(entry, hr);
    return hr;
}

}  // namespace

namespace {

struct Listing {
    std::wstring progId;
    bool load;
};

// Every REG_DWORD of one list, in registry order: 1 loads, anything else does not.
std::vector<Listing> listed_add_ins(HKEY root) {
    std::vector<Listing> listed;
    win32::unique_hkey key;
    if (RegOpenKeyExW(root, AddInRegistry::kAddInsKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return listed;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0, value = 0, size = sizeof value;
        LSTATUS status = RegEnumValueW(key.get(), i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                       &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_SUCCESS && type == REG_DWORD)
            listed.push_back({std::wstring(name, nameLength), value == 1});
    }
    return listed;
}

}  // namespace

std::vector<std::wstring> AddInRegistry::startup_add_ins() {
    std::vector<std::wstring> names;
    const std::vector<Listing> user = listed_add_ins(HKEY_CURRENT_USER);
    for (const auto& l : user)
        if (l.load) names.push_back(l.progId);
    // A per-machine install lists its add-in for every user; a user's own
    // entry for the same ProgID decides for that user.
    for (const auto& l : listed_add_ins(HKEY_LOCAL_MACHINE)) {
        bool decided = false;
        for (const auto& u : user) decided |= lstrcmpiW(u.progId.c_str(), l.progId.c_str()) == 0;
        if (l.load && !decided) names.push_back(l.progId);
    }
    return names;
}

HRESULT AddInRegistry::set_startup(std::wstring_view progId, bool load) {
    std::wstring name(progId);
    if (load) {
        win32::unique_hkey key;
        LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, kAddInsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                         key.put(), nullptr);
        if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
        DWORD one = 1;
        return HRESULT_FROM_WIN32(
            RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one));
    }
    win32::unique_hkey key;
    LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, kAddInsKey, 0, KEY_SET_VALUE, key.put());
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    status = RegDeleteValueW(key.get(), name.c_str());
    return status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT AddInRegistry::register_add_in(const std::wstring& dll, const std::wstring& progId, HostLog& log) {
    HRESULT hr = call_entry(dll, "ORVRegisterServer", log);
    if (FAILED(hr)) return hr;
    hr = set_startup(progId, true);
    log.line("add-in " + win32::narrow(progId) + " listed for start -> " + HostLog::hex(hr));
    return hr;
}

HRESULT AddInRegistry::unregister_add_in(const std::wstring& dll, const std::wstring& progId, HostLog& log) {
    // Off the list even when the DLL is gone: a stale entry would only fail at every start.
    HRESULT listed = set_startup(progId, false);
    log.line("add-in " + win32::narrow(progId) + " removed from start -> " + HostLog::hex(listed));
    HRESULT hr = call_entry(dll, "ORVUnregisterServer", log);
    return FAILED(hr) ? hr : listed;
}

std::wstring AddInRegistry::server_path(std::wstring_view progId) {
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(std::wstring(progId).c_str(), &clsid))) return {};
    std::wstring subkey = L"CLSID\\" + guid_text(clsid) + L"\\InprocServer32";
    // RRF_RT_REG_SZ also accepts REG_EXPAND_SZ and expands it; the size
    // reported before expansion may be short, so the buffer fits any path.
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CLASSES_ROOT, subkey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path.data(), &size) !=
        ERROR_SUCCESS)
        return {};
    path.resize(wcsnlen(path.c_str(), path.size()));
    return path;
}

HRESULT AddInRegistry::write_setting(const std::wstring& name, const std::wstring& value) {
    return set_text(HKEY_CURRENT_USER, kSettingsKey, name.c_str(), value);
}

HRESULT AddInRegistry::write_number_setting(const std::wstring& name, unsigned long value) {
    const DWORD number = value;
    return HRESULT_FROM_WIN32(
        RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name.c_str(), REG_DWORD, &number, sizeof number));
}

LSTATUS AddInRegistry::read_setting(const std::wstring& name, std::wstring& value) {
    value.clear();
    DWORD size = 0;
    LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr,
                                  &size);
    if (status != ERROR_SUCCESS) return status;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    status = RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name.c_str(), RRF_RT_REG_SZ, nullptr, text.data(), &size);
    if (status != ERROR_SUCCESS) return status;
    text.resize(wcsnlen(text.c_str(), text.size()));
    value = std::move(text);
    return ERROR_SUCCESS;
}

HRESULT AddInRegistry::register_host(HostLog& log) {
    std::wstring exe = module_path(nullptr);
    win32::com_ptr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(exe.c_str(), REGKIND_NONE, library.put());
    if (SUCCEEDED(hr)) hr = RegisterTypeLibForUser(library.get(), exe.data(), nullptr);
    log.line("register type library -> " + HostLog::hex(hr));
    if (FAILED(hr)) return hr;

    // For information: the ProgID names the class and its library; there is no server to start.
    const std::wstring classes = L"Software\\Classes\\";
    const std::wstring progId = kHostProgId;
    const std::wstring clsid = guid_text(CLSID_TessalineHost);
    const std::wstring clsidKey = classes + L"CLSID\\" + clsid;
    for (HRESULT step :
         {set_text(HKEY_CURRENT_USER, classes + progId, nullptr, L"Tessaline Application"),
          set_text(HKEY_CURRENT_USER, classes + progId + L"\\CLSID", nullptr, clsid),
          set_text(HKEY_CURRENT_USER, clsidKey, nullptr, L"Tessaline Application"),
          set_text(HKEY_CURRENT_USER, clsidKey + L"\\ProgID", nullptr, progId),
          set_text(HKEY_CURRENT_USER, clsidKey + L"\\TypeLib", nullptr, guid_text(LIBID_TessalineLib))}) {
        if (FAILED(step)) hr = step;
    }
    log.line("register " + win32::narrow(progId) + " -> " + HostLog::hex(hr));

    std::wstring help = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"tessaline.chm";
    // Earlier hosts named it under the ProgID's key; only one place may name it.
    const std::wstring oldHelpKey = std::wstring(L"Software\\Morvane\\Applications\\") + kHostProgId + L"\\Help";
    // Usually there is none.
    (void)RegDeleteTreeW(HKEY_LOCAL_MACHINE, oldHelpKey.c_str());
    HRESULT helpResult = set_text(HKEY_LOCAL_MACHINE, kHelpFileKey, nullptr, help);
    log.line("register help file " + win32::narrow(help) + " -> " + HostLog::hex(helpResult));
    return FAILED(hr) ? hr : helpResult;
}

HRESULT AddInRegistry::unregister_host(HostLog& log) {
    HRESULT hr = UnRegisterTypeLibForUser(LIBID_TessalineLib, 1, 0, LOCALE_NEUTRAL,
                                          sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    log.line("unregister type library -> " + HostLog::hex(hr));
    const std::wstring classes = L"Software\\Classes\\";
    // Each key goes if it is there; the type library's answer is the one logged.
    (void)RegDeleteTreeW(HKEY_CURRENT_USER, (classes + kHostProgId).c_str());
    (void)RegDeleteTreeW(HKEY_CURRENT_USER, (classes + L"CLSID\\" + guid_text(CLSID_TessalineHost)).c_str());
    LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, kHelpFileKey);
    log.line("unregister help file -> " + HostLog::hex(HRESULT_FROM_WIN32(status)));
    // The Help key goes too unless it holds other keys.
    std::wstring helpKey(kHelpFileKey);
    (void)RegDeleteKeyW(HKEY_LOCAL_MACHINE, helpKey.substr(0, helpKey.find_last_of(L'\\')).c_str());
    return S_OK;
}

}  // namespace tessaline
