#include "tessaline/CallArgs.h"

#include "platform/win32/ComBoundary.h"

#include <algorithm>

namespace tessaline {

void CallArgs::object_ref(IDispatch* object) {
    auto& slot = m_objects.emplace_back(object);
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BYREF | VT_DISPATCH;
    // The callee may replace the pointer; whatever it leaves there is released with the slot.
    V_DISPATCHREF(&v) = slot.put();
    *V_DISPATCHREF(&v) = object;
    if (object) object->AddRef();
    m_args.push_back(v);
}

void CallArgs::object(IDispatch* object) {
    auto& slot = m_objects.emplace_back(object);
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = slot.get();
    m_args.push_back(v);
}

size_t CallArgs::bool_ref(bool value) {
    m_bools.push_back(value ? VARIANT_TRUE : VARIANT_FALSE);
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BYREF | VT_BOOL;
    V_BOOLREF(&v) = &m_bools.back();
    m_args.push_back(v);
    return m_bools.size() - 1;
}

void CallArgs::text(std::wstring_view value) {
    auto& slot = m_strings.emplace_back(win32::bstr_from(value));
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = slot.get();
    m_args.push_back(v);
}

void CallArgs::integer(long value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    m_args.push_back(v);
}

DISPPARAMS CallArgs::params() {
    m_reversed.assign(m_args.rbegin(), m_args.rend());
    DISPPARAMS p{};
    p.rgvarg = m_reversed.empty() ? nullptr : m_reversed.data();
    p.cArgs = static_cast<UINT>(m_reversed.size());
    return p;
}

}  // namespace tessaline
