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
    m_boolArgs.push_back(m_args.size());
    m_args.push_back(v);
    return m_bools.size() - 1;
}

void CallArgs::boolean(bool value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
    m_args.push_back(v);
}

bool CallArgs::bool_value(size_t slot) const {
    const VARIANT& v = m_args[m_boolArgs[slot]];
    if (V_VT(&v) != (VT_BYREF | VT_VARIANT)) return *V_BOOLREF(&v) != VARIANT_FALSE;
    VARIANT answer;
    VariantInit(&answer);
    if (FAILED(VariantChangeType(&answer, V_VARIANTREF(&v), 0, VT_BOOL))) return false;
    return V_BOOL(&answer) != VARIANT_FALSE;
}

void CallArgs::by_reference() {
    for (VARIANT& v : m_args) {
        if (V_VT(&v) == (VT_BYREF | VT_BOOL)) {
            VARIANT& held = m_referenced.emplace_back();
            VariantInit(&held);
            V_VT(&held) = VT_BOOL;
            V_BOOL(&held) = *V_BOOLREF(&v);
            V_VT(&v) = VT_BYREF | VT_VARIANT;
            V_VARIANTREF(&v) = &held;
            continue;
        }
        if (V_VT(&v) & VT_BYREF) continue;
        VARIANT& held = m_referenced.emplace_back(v);
        switch (V_VT(&v)) {
        case VT_DISPATCH: V_DISPATCHREF(&v) = &V_DISPATCH(&held); break;
        case VT_BSTR: V_BSTRREF(&v) = &V_BSTR(&held); break;
        case VT_I4: V_I4REF(&v) = &V_I4(&held); break;
        default:
            V_VARIANTREF(&v) = &held;
            V_VT(&v) = VT_VARIANT;
            break;
        }
        V_VT(&v) |= VT_BYREF;
    }
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
