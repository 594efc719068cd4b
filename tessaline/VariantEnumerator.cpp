#include "tessaline/VariantEnumerator.h"

#include "tessaline/ComMethod.h"
#include "tessaline/HostCalls.h"

namespace tessaline {

VariantEnumerator::VariantEnumerator(Items items, size_t position) noexcept
    : m_items(std::move(items)), m_position(position) {}

HRESULT VariantEnumerator::create(Items items, IUnknown** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* e = new (std::nothrow) VariantEnumerator(std::move(items), 0);
    if (!e) return E_OUTOFMEMORY;
    *out = static_cast<IEnumVARIANT*>(e);
    return S_OK;
}

HRESULT VariantEnumerator::Next(ULONG count, VARIANT* items, ULONG* fetched) noexcept {
    HostCalls::count();
    if (fetched) *fetched = 0;
    if (!items) return E_POINTER;
    if (count > 1 && !fetched) return E_INVALIDARG;
    ULONG done = 0;
    while (done < count && m_position < m_items.size()) {
        VariantInit(&items[done]);
        V_VT(&items[done]) = VT_DISPATCH;
        V_DISPATCH(&items[done]) = m_items[m_position].get();
        if (V_DISPATCH(&items[done])) V_DISPATCH(&items[done])->AddRef();
        ++done;
        ++m_position;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
}

HRESULT VariantEnumerator::Skip(ULONG count) noexcept {
    size_t left = m_items.size() - m_position;
    m_position += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
}

HRESULT VariantEnumerator::Reset() noexcept {
    m_position = 0;
    return S_OK;
}

HRESULT VariantEnumerator::Clone(IEnumVARIANT** out) noexcept {
    return com_guard([&]() -> HRESULT {
        if (!out) return E_POINTER;
        *out = nullptr;
        auto* e = new (std::nothrow) VariantEnumerator(m_items, m_position);
        if (!e) return E_OUTOFMEMORY;
        *out = e;
        return S_OK;
    });
}

}  // namespace tessaline
