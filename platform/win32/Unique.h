// Resource wrappers for Win32 handles: one template, one alias per handle kind.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace win32 {

// Owns one handle of type Handle and closes it with Close; Invalid is the
// value that means "no handle".
template <typename Handle, auto Close, Handle Invalid = Handle{}>
class unique_any {
public:
    unique_any() noexcept = default;
    explicit unique_any(Handle h) noexcept : m_handle(h) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : m_handle(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~unique_any() { reset(); }

    Handle get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != Invalid; }

    void reset(Handle h = Invalid) noexcept {
        if (m_handle != Invalid) Close(m_handle);
        m_handle = h;
    }
    [[nodiscard]] Handle release() noexcept { return std::exchange(m_handle, Invalid); }
    // For out-parameters: frees what is held and hands out the slot.
    Handle* put() noexcept {
        reset();
        return &m_handle;
    }

private:
    Handle m_handle = Invalid;
};

namespace detail {
inline void closeKey(HKEY k) noexcept { ::RegCloseKey(k); }
inline void freeModule(HMODULE m) noexcept { ::FreeLibrary(m); }
inline void destroyWindow(HWND w) noexcept { ::DestroyWindow(w); }
inline void closeHandle(HANDLE h) noexcept { ::CloseHandle(h); }
inline void freeString(BSTR s) noexcept { ::SysFreeString(s); }
}  // namespace detail

using unique_hkey = unique_any<HKEY, detail::closeKey>;
using unique_hmodule = unique_any<HMODULE, detail::freeModule>;
using unique_hwnd = unique_any<HWND, detail::destroyWindow>;
using unique_handle = unique_any<HANDLE, detail::closeHandle>;
using unique_bstr = unique_any<BSTR, detail::freeString>;

}  // namespace win32
