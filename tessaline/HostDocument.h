// One open drawing. The host keeps exactly one object per document for its
// whole life, so every way of reaching it gives the same object; once closed
// it still answers Name and FullName but can no longer be saved.
#pragma once

#include "tessaline/Drawing.h"
#include "tessaline/HostObject.h"

#include "Tessaline.h"

#include <string>

namespace tessaline {

class HostDocument final : public HostObject<Document> {
public:
    static win32::com_ptr<HostDocument> create(std::shared_ptr<HostContext> context, std::wstring path,
                                               drawing::Shapes shapes, bool modified) noexcept;

    // Document
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_FullName(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Modified(VARIANT_BOOL* result) noexcept override;
    HRESULT STDMETHODCALLTYPE Save() noexcept override;
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** result) noexcept override;

    const std::wstring& full_name() const noexcept { return m_path; }
    // The file name part of the path.
    std::wstring name() const;
    void set_path(std::wstring path) { m_path = std::move(path); }
    bool modified() const noexcept { return m_modified; }
    void set_modified(bool value) noexcept { m_modified = value; }
    drawing::Shapes& shapes() noexcept { return m_shapes; }
    bool closed() const noexcept { return m_closed; }
    void set_closed() noexcept { m_closed = true; }

private:
    HostDocument(std::shared_ptr<HostContext> context, std::wstring path, drawing::Shapes shapes,
                 bool modified) noexcept;
    ~HostDocument() override = default;

    std::wstring m_path;
    drawing::Shapes m_shapes;
    bool m_modified;
    bool m_closed = false;
};

// Leaves source "Tessaline" and description for the caller, as a failing
// automation member does; returns hr.
HRESULT raise_error(HRESULT hr, const std::wstring& description) noexcept;

}  // namespace tessaline
