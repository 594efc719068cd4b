#include "tessaline/HostDocuments.h"

#include "platform/win32/Variant.h"
#include "tessaline/ComMethod.h"
#include "tessaline/DocumentSet.h"
#include "tessaline/HostDocument.h"
#include "tessaline/HostFramework.h"
#include "tessaline/VariantEnumerator.h"

namespace tessaline {

HostDocuments::HostDocuments(std::shared_ptr<HostContext> context) noexcept : HostObject(std::move(context)) {}

win32::com_ptr<HostDocuments> HostDocuments::create(std::shared_ptr<HostContext> context) noexcept {
    return win32::com_ptr<HostDocuments>::attach(new (std::nothrow) HostDocuments(std::move(context)));
}

HRESULT HostDocuments::get__NewEnum(IUnknown** result) noexcept {
    return property(L"_NewEnum", result, [&](IUnknown*& out) -> HRESULT {
        DocumentSet* documents = context().documents();
        if (!documents) return kHostGone;
        VariantEnumerator::Items items;
        for (const auto& doc : documents->list()) items.emplace_back(static_cast<IDispatch*>(doc.get()));
        return VariantEnumerator::create(std::move(items), &out);
    });
}

HRESULT HostDocuments::get_Count(LONG* result) noexcept {
    return property(L"Count", result, [&](LONG& out) -> HRESULT {
        DocumentSet* documents = context().documents();
        if (!documents) return kHostGone;
        out = static_cast<LONG>(documents->list().size());
        return S_OK;
    });
}

HRESULT HostDocuments::get_Item(VARIANT index, IDispatch** result) noexcept {
    return property(L"Item", result, [&](IDispatch*& out) -> HRESULT {
        DocumentSet* documents = context().documents();
        if (!documents) return kHostGone;
        return item_by_index(
            index, documents->list(), [documents](std::wstring_view name) { return documents->find(name); }, &out);
    });
}

HRESULT HostDocuments::get_Parent(IDispatch** result) noexcept {
    return parent_property(result, [this] { return context().framework(); });
}

}  // namespace tessaline
