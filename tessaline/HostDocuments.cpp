#include "tessaline/HostDocuments.h"

#include "platform/win32/Variant.h"
#include "tessaline/ComMethod.h"
#include "tessaline/DocumentSet.h"
#include "tessaline/HostDocument.h"
#include "tessaline/HostFramework.h"
#include "tessaline/VariantEnumerator.h"

namespace tessaline {

HostDocuments::HostDocuments(std::shared_ptr<HostContext> context) noexcept
    : HostObject(std::move(context)) {}

win32::com_ptr<HostDocuments> HostDocuments::create(std::shared_ptr<HostContext> context) noexcept {
    return win32::com_ptr<HostDocuments>::attach(new (std::nothrow) HostDocuments(std::move(context)));
}

HRESULT HostDocuments::get__NewEnum(IUnknown** result) noexcept {
    return com_guard([&]() -> HRESULT {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (HRESULT hr = injected(L"_NewEnum"); FAILED(hr)) return hr;
        DocumentSet* documents = context().documents();
        if (!documents) return kHostGone;
        VariantEnumerator::Items items;
        for (const auto& doc : documents->list()) items.emplace_back(static_cast<IDispatch*>(doc.get()));
        return VariantEnumerator::create(std::move(items), result);
    });
}

HRESULT HostDocuments::get_Count(LONG* result) noexcept {
    if (!result) return E_POINTER;
    *result = 0;
    if (HRESULT hr = injected(L"Count"); FAILED(hr)) return hr;
    DocumentSet* documents = context().documents();
    if (!documents) return kHostGone;
    *result = static_cast<LONG>(documents->list().size());
    return S_OK;
}

HRESULT HostDocuments::get_Item(VARIANT index, IDispatch** result) noexcept {
    return com_guard([&]() -> HRESULT {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (HRESULT hr = injected(L"Item"); FAILED(hr)) return hr;
        DocumentSet* documents = context().documents();
        if (!documents) return kHostGone;
        if ((V_VT(&index) & ~VT_BYREF) == VT_BSTR) {
            win32::unique_variant text;
            HRESULT hr = VariantChangeType(text.get(), &index, 0, VT_BSTR);
            if (FAILED(hr)) return hr;
            BSTR key = V_BSTR(text.get());
            auto doc = documents->find(key ? std::wstring_view(key, SysStringLen(key)) : std::wstring_view());
            return doc ? hand_out(doc, result) : DISP_E_BADINDEX;
        }
        win32::unique_variant number;
        HRESULT hr = VariantChangeType(number.get(), &index, 0, VT_I4);
        if (FAILED(hr)) return hr;
        LONG n = V_I4(number.get());
        const auto& list = documents->list();
        if (n < 1 || static_cast<size_t>(n) > list.size()) return DISP_E_BADINDEX;
        return hand_out(list[static_cast<size_t>(n - 1)], result);
    });
}

HRESULT HostDocuments::get_Parent(IDispatch** result) noexcept {
    return parent_property(result, [this] { return context().framework(); });
}

}  // namespace tessaline
