#include "host/com/Registration.h"

#include "platform/win32/ComObject.h"
#include "platform/win32/Unique.h"

#include "vokAutoSave412.h"

#include <oleauto.h>

#include <string>

namespace autosave::com {
namespace {

struct ClassEntry {
    const CLSID* clsid;
    const wchar_t* progId;
    const wchar_t* description;
};

const ClassEntry kClasses[] = {
    {&CLSID_CAddIn, L"vokAutoSave412.CAddIn", L"vokAutoSave412.CAddIn"},
};

const IID* const kInterfaces[] = {&IID__CAddIn};
const wchar_t* const kInterfaceNames[] = {L"_CAddIn"};

// The universal marshaler, which marshals dual interfaces from the type library.
const wchar_t kTypeLibMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";

std::wstring guidText(REFGUID g) {
    wchar_t text[40] = {};
    StringFromGUID2(g, text, 40);
    return text;
}

std::wstring modulePath() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD n = GetModuleFileNameW(win32::this_module(), path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return path;
}

LONG setText(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    win32::unique_hkey k;
    LONG status = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.put(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    return RegSetValueExW(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

HRESULT fromStatus(LONG status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }

}  // namespace

HRESULT registerServer() noexcept {
    try {
        const std::wstring path = modulePath();
        if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
        const std::wstring libId = guidText(LIBID_vokAutoSave412);

        for (const auto& c : kClasses) {
            const std::wstring clsid = L"CLSID\\" + guidText(*c.clsid);
            LONG status = setText(HKEY_CLASSES_ROOT, clsid, nullptr, c.description);
            if (status == ERROR_SUCCESS) status = setText(HKEY_CLASSES_ROOT, clsid + L"\\InprocServer32", nullptr, path);
            if (status == ERROR_SUCCESS)
                status = setText(HKEY_CLASSES_ROOT, clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
            if (status == ERROR_SUCCESS) status = setText(HKEY_CLASSES_ROOT, clsid + L"\\ProgID", nullptr, c.progId);
            if (status == ERROR_SUCCESS) status = setText(HKEY_CLASSES_ROOT, clsid + L"\\TypeLib", nullptr, libId);
            if (status == ERROR_SUCCESS) status = setText(HKEY_CLASSES_ROOT, clsid + L"\\Version", nullptr, L"1.0");
            if (status == ERROR_SUCCESS) status = setText(HKEY_CLASSES_ROOT, c.progId, nullptr, c.description);
            if (status == ERROR_SUCCESS)
                status = setText(HKEY_CLASSES_ROOT, std::wstring(c.progId) + L"\\CLSID", nullptr, guidText(*c.clsid));
            if (status != ERROR_SUCCESS) return fromStatus(status);
        }
        for (size_t i = 0; i < std::size(kInterfaces); ++i) {
            const std::wstring key = L"Interface\\" + guidText(*kInterfaces[i]);
            LONG status = setText(HKEY_CLASSES_ROOT, key, nullptr, kInterfaceNames[i]);
            if (status == ERROR_SUCCESS)
                status = setText(HKEY_CLASSES_ROOT, key + L"\\ProxyStubClsid32", nullptr, kTypeLibMarshaler);
            if (status == ERROR_SUCCESS) status = setText(HKEY_CLASSES_ROOT, key + L"\\TypeLib", nullptr, libId);
            if (status == ERROR_SUCCESS)
                status = setText(HKEY_CLASSES_ROOT, key + L"\\TypeLib", L"Version", L"1.1");
            if (status != ERROR_SUCCESS) return fromStatus(status);
        }
        win32::com_ptr<ITypeLib> library;
        HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
        std::wstring pathArg = path;  // RegisterTypeLib takes a non-const path
        if (SUCCEEDED(hr)) hr = RegisterTypeLib(library.get(), pathArg.data(), nullptr);
        return hr;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT unregisterServer() noexcept {
    try {
        HRESULT result = S_OK;
        auto remove = [&](const std::wstring& key) {
            LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
            if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) result = fromStatus(status);
        };
        for (const auto& c : kClasses) {
            remove(L"CLSID\\" + guidText(*c.clsid));
            remove(c.progId);
        }
        for (const IID* iid : kInterfaces) remove(L"Interface\\" + guidText(*iid));
        const SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
        HRESULT hr = UnRegisterTypeLib(LIBID_vokAutoSave412, 1, 1, 0x0409, kind);
        // A library that was not registered is already as it should be.
        if (FAILED(hr) && hr != TYPE_E_REGISTRYACCESS && SUCCEEDED(result)) result = hr;
        return result;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace autosave::com
