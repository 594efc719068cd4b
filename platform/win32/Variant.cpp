#include "platform/win32/Variant.h"

#include <new>

namespace win32 {

std::wstring widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string narrow(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n, nullptr, nullptr);
    return out;
}

unique_bstr make_bstr(std::string_view utf8) {
    std::wstring w = widen(utf8);
    BSTR s = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
    if (!s) throw std::bad_alloc();
    return unique_bstr(s);
}

std::string from_bstr(BSTR s) { return s ? narrow(std::wstring_view(s, SysStringLen(s))) : std::string(); }

bool variant_batch::next(IEnumVARIANT& items) noexcept {
    clear();
    const HRESULT hr = items.Next(kSize, m_items, &m_fetched);
    if (FAILED(hr) || m_fetched > kSize) m_fetched = 0;
    return hr == S_OK && m_fetched == kSize;
}

void variant_batch::clear() noexcept {
    for (ULONG i = 0; i < m_fetched; ++i) VariantClear(&m_items[i]);
    m_fetched = 0;
}

}  // namespace win32
