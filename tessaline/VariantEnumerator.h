// IEnumVARIANT over a fixed list of objects, taken when the enumerator is made.
#pragma once

#include "platform/win32/ComObject.h"

#include <oaidl.h>

#include <vector>

namespace tessaline {

class VariantEnumerator final : public win32::ComObject<IEnumVARIANT> {
public:
    using Items = std::vector<win32::com_ptr<IDispatch>>;
    static HRESULT create(Items items, IUnknown** out) noexcept;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) noexcept override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override;
    HRESULT STDMETHODCALLTYPE Reset() noexcept override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) noexcept override;

private:
    VariantEnumerator(Items items, size_t position) noexcept;
    ~VariantEnumerator() override = default;

    Items m_items;
    size_t m_position;
};

}  // namespace tessaline
