#include "components/ResourceLibraryLocator/ResourceLibraryLocatorObject.h"

#include "components/ComServer/Boundary.h"
#include "components/ResourceLibraryLocator/LibraryPath.h"

namespace components {

namespace {

// The folder this DLL was loaded from, where the libraries are installed
// beside it unless the caller says otherwise.
std::wstring own_folder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(win32::this_module(), path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

HRESULT ResourceLibraryLocatorObject::create(REFIID iid, void** out) noexcept {
    return win32::create_instance<ResourceLibraryLocatorObject>(iid, out);
}

ResourceLibraryLocatorObject::ResourceLibraryLocatorObject() noexcept : DispatchObject(IID_IResourceLibraryLocator) {}

HRESULT ResourceLibraryLocatorObject::get_BaseName(BSTR* value) noexcept {
    if (!value) return E_POINTER;
    *value = nullptr;
    return guarded([&] {
        *value = bstr_from(m_baseName).release();
        return S_OK;
    });
}

HRESULT ResourceLibraryLocatorObject::put_BaseName(BSTR value) noexcept {
    return guarded([&] {
        m_baseName.assign(view_of(value));
        return S_OK;
    });
}

HRESULT ResourceLibraryLocatorObject::get_FileName(BSTR* value) noexcept {
    if (!value) return E_POINTER;
    *value = nullptr;
    return guarded([&]() -> HRESULT {
        std::wstring folder = m_folder.empty() ? own_folder() : m_folder;
        if (folder.empty()) return last_error_hr();
        *value = bstr_from(locate_library(folder, m_baseName, ui_language_abbreviation())).release();
        return S_OK;
    });
}

HRESULT ResourceLibraryLocatorObject::get_Folder(BSTR* value) noexcept {
    if (!value) return E_POINTER;
    *value = nullptr;
    return guarded([&] {
        *value = bstr_from(m_folder).release();
        return S_OK;
    });
}

HRESULT ResourceLibraryLocatorObject::put_Folder(BSTR value) noexcept {
    return guarded([&] {
        m_folder.assign(view_of(value));
        return S_OK;
    });
}

}  // namespace components
