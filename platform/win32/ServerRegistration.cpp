#include "platform/win32/ServerRegistration.h"

#include "platform/win32/ComBoundary.h"
#include "platform/win32/ComObject.h"

#include <memory>
#include <string>

namespace win32 {

namespace {

std::wstring guid_text(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

LSTATUS set_string(const std::wstring& subkey, const wchar_t* name, const std::wstring& value) {
    unique_hkey key;
    LSTATUS rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                 key.put(), nullptr);
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

}  // namespace

HRESULT register_server(const ServerClass& server) noexcept {
    return com_guard([&]() -> HRESULT {
        std::wstring path = this_module_path();
        if (path.empty()) return last_error_hr();
        TypeLibrary lib;
        HRESULT hr = load_embedded_library(path, lib);
        if (FAILED(hr)) return hr;

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
        // Also registers the interface for the standard automation marshaler.
        return RegisterTypeLib(lib.library.get(), path.data(), nullptr);
    });
}

HRESULT unregister_server(const ServerClass& server) noexcept {
    return com_guard([&]() -> HRESULT {
        LSTATUS rc = delete_tree(L"CLSID\\" + guid_text(server.clsid));
        if (rc == ERROR_SUCCESS) rc = delete_tree(server.progId);
        if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);

        std::wstring path = this_module_path();
        TypeLibrary lib;
        if (!path.empty() && SUCCEEDED(load_embedded_library(path, lib))) {
            // Fails when the library was never registered; that is the state wanted.
            UnRegisterTypeLib(lib.attributes.guid, lib.attributes.wMajorVerNum, lib.attributes.wMinorVerNum,
                              lib.attributes.lcid, lib.attributes.syskind);
        }
        return S_OK;
    });
}

HRESULT register_servers(ServerClasses classes) noexcept {
    for (const auto& c : classes) {
        if (HRESULT hr = register_server(c); FAILED(hr)) {
            unregister_servers(classes);
            return hr;
        }
    }
    return S_OK;
}

HRESULT unregister_servers(ServerClasses classes) noexcept {
    HRESULT result = S_OK;
    for (const auto& c : classes)
        if (HRESULT hr = unregister_server(c); FAILED(hr)) result = hr;
    return result;
}

}  // namespace win32
