#include "platform/win32/ServerRegistration.h"

#include "platform/win32/ComBoundary.h"
#include "platform/win32/ComObject.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace win32 {

namespace {

std::wstring guid_text(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

LSTATUS set_string(const std::wstring& subkey, const wchar_t* name, const std::wstring& value) {
    unique_hkey key;
    LSTATUS rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                                 nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LSTATUS delete_tree(const std::wstring& subkey) {
    LSTATUS rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, subkey.c_str());
    if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    return rc;
}

struct TypeLibrary {
    com_ptr<ITypeLib> library;
    TLIBATTR attributes{};
};

// The type library embedded in this DLL, which describes the class.
HRESULT load_embedded_library(const std::wstring& path, TypeLibrary& out) {
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, out.library.put());
    if (FAILED(hr)) return hr;
    TLIBATTR* raw = nullptr;
    hr = out.library->GetLibAttr(&raw);
    if (FAILED(hr)) return hr;
    ITypeLib* library = out.library.get();
    auto release = [library](TLIBATTR* a) { library->ReleaseTLibAttr(a); };
    std::unique_ptr<TLIBATTR, decltype(release)> attributes(raw, release);
    out.attributes = *attributes;
    return S_OK;
}

// The key of every dispatch interface the library describes, which
// RegisterTypeLib writes.
std::vector<std::wstring> interface_keys(ITypeLib* library) {
    std::vector<std::wstring> keys;
    for (UINT i = 0, n = library->GetTypeInfoCount(); i < n; ++i) {
        TYPEKIND kind{};
        com_ptr<ITypeInfo> info;
        TYPEATTR* attributes = nullptr;
        if (FAILED(library->GetTypeInfoType(i, &kind)) || kind != TKIND_DISPATCH ||
            FAILED(library->GetTypeInfo(i, info.put())) || FAILED(info->GetTypeAttr(&attributes)))
            continue;
        keys.push_back(L"Interface\\" + guid_text(attributes->guid));
        info->ReleaseTypeAttr(attributes);
    }
    return keys;
}

// RegisterTypeLib can report success although an interface key could not
// be written (Wine does), which would leave a class that late binding
// cannot marshal.
HRESULT interfaces_registered(ITypeLib* library) {
    for (const auto& key : interface_keys(library)) {
        unique_hkey found;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, found.put()) != ERROR_SUCCESS)
            return TYPE_E_REGISTRYACCESS;
    }
    return S_OK;
}

// The interface keys of this library that UnRegisterTypeLib cannot find
// once its TypeLib key is gone (a registration that failed part-way): only
// those that name this library are ours to remove.
void remove_interface_keys(const TypeLibrary& lib) {
    const std::wstring libraryId = guid_text(lib.attributes.guid);
    for (const auto& key : interface_keys(lib.library.get())) {
        wchar_t owner[40] = {};
        DWORD size = sizeof owner;
        if (RegGetValueW(HKEY_CLASSES_ROOT, (key + L"\\TypeLib").c_str(), nullptr, RRF_RT_REG_SZ, nullptr, owner,
                         &size) == ERROR_SUCCESS &&
            lstrcmpiW(owner, libraryId.c_str()) == 0)
            delete_tree(key);
    }
}

HRESULT register_server(const ServerClass& server, const std::wstring& path, const TypeLibrary& lib) {
    const std::wstring clsid = guid_text(server.clsid);
    const std::wstring clsidKey = L"CLSID\\" + clsid;
    const std::wstring progIdKey = server.progId;
    const struct {
        std::wstring key;
        const wchar_t* name;
        std::wstring value;
    } values[] = {
        {clsidKey, nullptr, server.description},
        {clsidKey + L"\\InprocServer32", nullptr, path},
        {clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {clsidKey + L"\\ProgID", nullptr, server.progId},
        {clsidKey + L"\\TypeLib", nullptr, guid_text(lib.attributes.guid)},
        {clsidKey + L"\\Version", nullptr,
         std::to_wstring(lib.attributes.wMajorVerNum) + L"." + std::to_wstring(lib.attributes.wMinorVerNum)},
        {progIdKey, nullptr, server.description},
        {progIdKey + L"\\CLSID", nullptr, clsid},
    };
    for (const auto& v : values) {
        LSTATUS rc = set_string(v.key, v.name, v.value);
        if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    }
    return S_OK;
}

// A registered server's file name as COM reads it: environment strings
// expanded, surrounding quotes dropped. Nothing when the value is absent.
std::optional<std::wstring> registered_path(const std::wstring& subkey) {
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CLASSES_ROOT, subkey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    path.resize(wcsnlen(path.c_str(), path.size()));
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') path = path.substr(1, path.size() - 2);
    return path;
}

std::wstring full_path(const std::wstring& path) {
    std::wstring full(32768, L'\0');
    DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size()) return path;
    full.resize(n);
    return full;
}

bool file_identity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    unique_hfile file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    return file && GetFileInformationByHandle(file.get(), &info);
}

// Whether the name registered is this module's file, compared as the file
// system compares names (case-insensitive), or, spelt otherwise (a short
// name, another mapping of the folder), by the file it opens.
bool names_this_module(const std::wstring& registered, const std::wstring& module) {
    if (CompareStringOrdinal(full_path(registered).c_str(), -1, full_path(module).c_str(), -1, TRUE) == CSTR_EQUAL)
        return true;
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    return file_identity(registered, a) && file_identity(module, b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

bool key_exists(const std::wstring& subkey) {
    unique_hkey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, subkey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// A class key is this module's when its in-process server names this file,
// or when it names no server at all (what a registration that failed
// part-way leaves). Another copy's or product's registration is left alone.
bool class_is_ours(const std::wstring& clsidKey, const std::wstring& module) {
    std::optional<std::wstring> path = registered_path(clsidKey + L"\\InprocServer32");
    if (path && !path->empty()) return names_this_module(*path, module);
    return !key_exists(clsidKey + L"\\LocalServer32");
}

HRESULT unregister_server(const ServerClass& server, const std::wstring& module) {
    const std::wstring clsid = guid_text(server.clsid);
    const std::wstring clsidKey = L"CLSID\\" + clsid;
    if (key_exists(clsidKey) && !class_is_ours(clsidKey, module)) return S_OK;
    LSTATUS rc = delete_tree(clsidKey);
    // The ProgID goes with its class: one naming another class is not ours.
    std::optional<std::wstring> named = registered_path(std::wstring(server.progId) + L"\\CLSID");
    if (rc == ERROR_SUCCESS && (!named || lstrcmpiW(named->c_str(), clsid.c_str()) == 0))
        rc = delete_tree(server.progId);
    return HRESULT_FROM_WIN32(rc);
}

// Whether the type library's registration names this file; true when it is
// not registered (so that what a failed registration left is removed).
bool library_is_ours(const TypeLibrary& lib, const std::wstring& module) {
    const TLIBATTR& a = lib.attributes;
    unique_bstr path;
    if (FAILED(QueryPathOfRegTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, path.put()))) return true;
    return names_this_module(std::wstring(view_of(path.get())), module);
}

}  // namespace

HRESULT register_servers(ServerClasses classes) noexcept {
    return com_guard([&]() -> HRESULT {
        // Everything that can fail without writing is checked first, so that
        // a damaged DLL does not remove a working registration.
        std::wstring path = this_module_path();
        if (path.empty()) return last_error_hr();
        TypeLibrary lib;
        HRESULT hr = load_embedded_library(path, lib);
        if (FAILED(hr)) return hr;

        for (const auto& c : classes)
            if (hr = register_server(c, path, lib); FAILED(hr)) break;
        // Also registers the interfaces for the standard automation marshaler.
        if (SUCCEEDED(hr)) hr = RegisterTypeLib(lib.library.get(), path.data(), nullptr);
        if (SUCCEEDED(hr)) hr = interfaces_registered(lib.library.get());
        if (FAILED(hr)) unregister_servers(classes);
        return hr;
    });
}

HRESULT unregister_servers(ServerClasses classes) noexcept {
    return com_guard([&]() -> HRESULT {
        std::wstring path = this_module_path();
        if (path.empty()) return last_error_hr();
        HRESULT result = S_OK;
        for (const auto& c : classes)
            if (HRESULT hr = unregister_server(c, path); FAILED(hr)) result = hr;

        TypeLibrary lib;
        if (SUCCEEDED(load_embedded_library(path, lib)) && library_is_ours(lib, path)) {
            // Fails when the library was never registered; that is the state wanted.
            UnRegisterTypeLib(lib.attributes.guid, lib.attributes.wMajorVerNum, lib.attributes.wMinorVerNum,
                              lib.attributes.lcid, lib.attributes.syskind);
            remove_interface_keys(lib);
        }
        return result;
    });
}

}  // namespace win32
