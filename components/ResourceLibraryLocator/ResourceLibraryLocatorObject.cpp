#include "components/ResourceLibraryLocator/ResourceLibraryLocatorObject.h"

#include "platform/win32/ComBoundary.h"
#include "components/ResourceLibraryLocator/LibraryPath.h"

namespace components {

namespace {

// The folder this DLL was loaded from, where the libraries are installed
// beside it unless the caller says otherwise.
std::wstring own_folder() {
    std::wstring path = win32::this_module_path();
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

ResourceLibraryLocatorObject::ResourceLibraryLocatorObject() noexcept = default;

HRESULT ResourceLibraryLocatorObject::get_BaseName(BSTR* value) noexcept {
    if (!value) return E_POINTER;
    *value = nullptr;
    return win32::com_guard([&] {
        *value = win32::bstr_from(m_baseName).release();
        return S_OK;
    });
}

HRESULT ResourceLibraryLocatorObject::put_BaseName(BSTR value) noexcept {
    return win32::com_guard([&] {
        m_baseName.assign(win32::view_of(value));
        return S_OK;
    });
}

HRESULT ResourceLibraryLocatorObject::get_FileName(BSTR* value) noexcept {
    if (!value) return E_POINTER;
    *value = nullptr;
    return win32::com_guard([&]() -> HRESULT {
        std::wstring folder = m_folder.empty() ? own_folder() : m_folder;
        if (folder.empty()) return win32::last_error_hr();
        *value = win32::bstr_from(locate_library(folder, m_baseName, ui_language_abbreviation())).release();
        return S_OK;
    });
}

HRESULT ResourceLibraryLocatorObject::get_Folder(BSTR* value) noexcept {
    if (!value) return E_POINTER;
    *value = nullptr;
    return win32::com_guard([&] {
        *value = win32::bstr_from(m_folder).release();
        return S_OK;
    });
}

HRESULT ResourceLibraryLocatorObject::put_Folder(BSTR value) noexcept {
    return win32::com_guard([&] {
        m_folder.assign(win32::view_of(value));
        return S_OK;
    });
}

}  // namespace components
