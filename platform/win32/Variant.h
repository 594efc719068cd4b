// BSTR and VARIANT owners, and UTF-8 <-> UTF-16 conversion at the boundary.
#pragma once

#include "platform/win32/Unique.h"

#include <oleauto.h>

#include <string>
#include <string_view>

namespace win32 {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);
inline std::string narrow(const wchar_t* utf16) { return utf16 ? narrow(std::wstring_view(utf16)) : std::string(); }

// A BSTR made from UTF-8; throws std::bad_alloc when the system has no memory.
unique_bstr make_bstr(std::string_view utf8);
std::string from_bstr(BSTR s);

// VARIANT arguments that borrow what they hold: the caller keeps the object
// or text alive for the call and never clears them.
inline VARIANT variant_dispatch(IDispatch* object) noexcept {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = object;
    return v;
}
inline VARIANT variant_bool(bool value) noexcept {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}
inline VARIANT variant_bstr(BSTR text) noexcept {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = text;
    return v;
}
inline VARIANT variant_i4(LONG value) noexcept {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

// Owns a VARIANT and clears it on every path.
class unique_variant {
public:
    unique_variant() noexcept { VariantInit(&m_v); }
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;
    unique_variant(unique_variant&& other) noexcept : m_v(other.m_v) { VariantInit(&other.m_v); }
    unique_variant& operator=(unique_variant&& other) noexcept {
        if (this != &other) {
            reset();
            m_v = other.m_v;
            VariantInit(&other.m_v);
        }
        return *this;
    }
    ~unique_variant() { reset(); }

    void reset() noexcept { VariantClear(&m_v); }
    VARIANT* get() noexcept { return &m_v; }
    const VARIANT* get() const noexcept { return &m_v; }
    VARIANT* put() noexcept {
        reset();
        return &m_v;
    }
    VARIANT* operator->() noexcept { return &m_v; }
    const VARIANT* operator->() const noexcept { return &m_v; }
    // Hands the contents over to a caller-owned VARIANT.
    void detach_to(VARIANT* out) noexcept {
        *out = m_v;
        VariantInit(&m_v);
    }

private:
    VARIANT m_v;
};

// The VARIANTs one step of an enumerator hands out, cleared when done with.
class variant_batch {
public:
    static constexpr ULONG kSize = 64;
    variant_batch() noexcept {
        for (VARIANT& item : m_items) VariantInit(&item);
    }
    variant_batch(const variant_batch&) = delete;
    variant_batch& operator=(const variant_batch&) = delete;
    ~variant_batch() { clear(); }

    // Clears the last step and takes the next; false once the enumerator
    // has nothing more to give.
    bool next(IEnumVARIANT& items) noexcept;
    const VARIANT* begin() const noexcept { return m_items; }
    const VARIANT* end() const noexcept { return m_items + m_fetched; }

private:
    void clear() noexcept;
    VARIANT m_items[kSize];
    ULONG m_fetched = 0;
};

}  // namespace win32
