#include "tessaline/HostDocument.h"

#include "tessaline/ComMethod.h"
#include "tessaline/DocumentSet.h"
#include "tessaline/HostFramework.h"

namespace tessaline {

HRESULT raise_error(HRESULT hr, const std::wstring& description) noexcept {
    win32::com_ptr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.put()))) {
        create->SetSource(const_cast<wchar_t*>(L"Tessaline"));
        create->SetDescription(const_cast<wchar_t*>(description.c_str()));
        if (auto info = create.try_query<IErrorInfo>(IID_IErrorInfo)) SetErrorInfo(0, info.get());
    }
    return hr;
}

HostDocument::HostDocument(std::shared_ptr<HostContext> context, std::wstring path, drawing::Shapes shapes,
                           bool modified) noexcept
    : HostObject(std::move(context)), m_path(std::move(path)), m_shapes(std::move(shapes)), m_modified(modified) {}

win32::com_ptr<HostDocument> HostDocument::create(std::shared_ptr<HostContext> context, std::wstring path,
                                                  drawing::Shapes shapes, bool modified) noexcept {
    return win32::com_ptr<HostDocument>::attach(
        new (std::nothrow) HostDocument(std::move(context), std::move(path), std::move(shapes), modified));
}

std::wstring HostDocument::name() const {
    size_t slash = m_path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? m_path : m_path.substr(slash + 1);
}

HRESULT HostDocument::get_Name(BSTR* result) noexcept {
    return property(L"Name", result, [&](BSTR& out) { return hand_out_text(name(), &out); });
}

HRESULT HostDocument::get_FullName(BSTR* result) noexcept {
    return property(L"FullName", result, [&](BSTR& out) { return hand_out_text(m_path, &out); });
}

HRESULT HostDocument::get_Modified(VARIANT_BOOL* result) noexcept {
    return property(L"Modified", result, [&](VARIANT_BOOL& out) {
        out = m_modified ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT HostDocument::Save() noexcept {
    return member(L"Save", [&]() -> HRESULT {
        if (m_closed) return raise_error(kHostGone, L"The drawing " + name() + L" is closed.");
        if (!context().documents()) return kHostGone;
        // Held: a DocumentSaved sink may drop the last other reference.
        win32::com_ptr<HostDocument> self(this);
        std::wstring message;
        HRESULT hr = context().documents()->save(*this, message);
        return FAILED(hr) ? raise_error(hr, message) : S_OK;
    });
}

HRESULT HostDocument::get_Parent(IDispatch** result) noexcept {
    return parent_property(result, [this] { return context().framework(); });
}

}  // namespace tessaline
