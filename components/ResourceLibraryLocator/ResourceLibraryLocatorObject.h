// The ResourceLibraryLocator class: names the resource library for the
// user's interface language in a folder.
#pragma once

#include "platform/win32/ComObject.h"

#include "ResourceLibraryLocator.h"

#include <string>

namespace components {

class ResourceLibraryLocatorObject final : public win32::DispatchObject<IResourceLibraryLocator> {
public:
    ResourceLibraryLocatorObject() noexcept;

    // IResourceLibraryLocator
    HRESULT STDMETHODCALLTYPE get_BaseName(BSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_BaseName(BSTR value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_FileName(BSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Folder(BSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Folder(BSTR value) noexcept override;

private:
    ~ResourceLibraryLocatorObject() override = default;

    std::wstring m_baseName;
    std::wstring m_folder;  // empty: the folder of this DLL
};

}  // namespace components
