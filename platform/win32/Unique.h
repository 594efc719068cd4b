// Resource wrappers for Win32 handles: one template, one alias per handle kind,
// two small scopes for the device contexts of windows, and one for a thread's
// COM apartment.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <utility>

namespace win32 {

// What unique_any_t needs to know of a handle kind: its type, how it is
// closed, and which value means "no handle". A function rather than a
// constant, since some kinds use INVALID_HANDLE_VALUE, which is no constant
// expression.
template <typename Handle, auto Close, Handle Invalid = Handle{}>
struct handle_traits {
    using type = Handle;
    static void close(Handle h) noexcept { Close(h); }
    static constexpr Handle invalid() noexcept { return Invalid; }
};

// For the kinds whose failure value is INVALID_HANDLE_VALUE, not null.
template <auto Close>
struct invalid_handle_value_traits {
    using type = HANDLE;
    static void close(HANDLE h) noexcept { Close(h); }
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
};

// Owns one handle and closes it as Traits says.
template <typename Traits>
class unique_any_t {
public:
    using Handle = typename Traits::type;

    unique_any_t() noexcept = default;
    explicit unique_any_t(Handle h) noexcept : m_handle(h) {}
    unique_any_t(const unique_any_t&) = delete;
    unique_any_t& operator=(const unique_any_t&) = delete;
    unique_any_t(unique_any_t&& other) noexcept : m_handle(other.release()) {}
    unique_any_t& operator=(unique_any_t&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~unique_any_t() { reset(); }

    Handle get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != Traits::invalid(); }

    void reset(Handle h = Traits::invalid()) noexcept {
        if (m_handle != Traits::invalid()) Traits::close(m_handle);
        m_handle = h;
    }
    [[nodiscard]] Handle release() noexcept { return std::exchange(m_handle, Traits::invalid()); }
    // For out-parameters: frees what is held and hands out the slot.
    Handle* put() noexcept {
        reset();
        return &m_handle;
    }

private:
    Handle m_handle = Traits::invalid();
};

// Owns one handle of type Handle and closes it with Close; Invalid is the
// value that means "no handle".
template <typename Handle, auto Close, Handle Invalid = Handle{}>
using unique_any = unique_any_t<handle_traits<Handle, Close, Invalid>>;

namespace detail {
// A close that fails leaves nothing for an owner going out of scope to do.
inline void close_key(HKEY k) noexcept { (void)::RegCloseKey(k); }
inline void free_module(HMODULE m) noexcept { ::FreeLibrary(m); }
inline void destroy_window(HWND w) noexcept { ::DestroyWindow(w); }
inline void close_handle(HANDLE h) noexcept { (void)::CloseHandle(h); }
inline void free_string(BSTR s) noexcept { ::SysFreeString(s); }
inline void free_local(HLOCAL m) noexcept { ::LocalFree(m); }
inline void find_close(HANDLE h) noexcept { ::FindClose(h); }
inline void delete_atom(ATOM a) noexcept { ::GlobalDeleteAtom(a); }
inline void destroy_menu(HMENU m) noexcept { ::DestroyMenu(m); }
inline void free_co_task_string(LPOLESTR s) noexcept { ::CoTaskMemFree(s); }
template <typename Object>
void delete_object(Object o) noexcept {
    ::DeleteObject(o);
}
}  // namespace detail

using unique_hkey = unique_any<HKEY, detail::close_key>;
using unique_hmodule = unique_any<HMODULE, detail::free_module>;
using unique_hwnd = unique_any<HWND, detail::destroy_window>;
using unique_handle = unique_any<HANDLE, detail::close_handle>;
using unique_bstr = unique_any<BSTR, detail::free_string>;
using unique_hfile = unique_any_t<invalid_handle_value_traits<detail::close_handle>>;
using unique_hfind = unique_any_t<invalid_handle_value_traits<detail::find_close>>;
using unique_hlocal = unique_any<HLOCAL, detail::free_local>;
using unique_atom = unique_any<ATOM, detail::delete_atom>;
// Only for a menu no window holds: a window destroys its own menu bar.
using unique_hmenu = unique_any<HMENU, detail::destroy_menu>;
// A text the callee allocated with CoTaskMemAlloc (ProgIDFromCLSID, StringFromCLSID).
using unique_co_task_string = unique_any<LPOLESTR, detail::free_co_task_string>;
// Only for objects the caller created: a stock object is never deleted.
using unique_hgdiobj = unique_any<HGDIOBJ, detail::delete_object<HGDIOBJ>>;
using unique_hfont = unique_any<HFONT, detail::delete_object<HFONT>>;

// A window's device context from GetDC (the screen's for a null window),
// released against that same window.
class unique_hdc_window {
public:
    explicit unique_hdc_window(HWND window) noexcept : m_window(window), m_dc(::GetDC(window)) {}
    unique_hdc_window(const unique_hdc_window&) = delete;
    unique_hdc_window& operator=(const unique_hdc_window&) = delete;
    ~unique_hdc_window() {
        if (m_dc) ::ReleaseDC(m_window, m_dc);
    }

    HDC get() const noexcept { return m_dc; }
    explicit operator bool() const noexcept { return m_dc != nullptr; }

private:
    HWND m_window;
    HDC m_dc;
};

// Selects an object into a device context for the lifetime of the scope and
// selects the previous one back at its end, so that the object can then be
// deleted and the context released in the state it was found in.
class unique_select_object {
public:
    unique_select_object(HDC dc, HGDIOBJ object) noexcept : m_dc(dc), m_previous(::SelectObject(dc, object)) {}
    unique_select_object(const unique_select_object&) = delete;
    unique_select_object& operator=(const unique_select_object&) = delete;
    ~unique_select_object() {
        if (*this) ::SelectObject(m_dc, m_previous);
    }

    explicit operator bool() const noexcept { return m_previous && m_previous != HGDI_ERROR; }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// The calling thread in a COM apartment for the lifetime of the scope: each
// successful CoInitializeEx is paired with its CoUninitialize.
class com_apartment {
public:
    explicit com_apartment(DWORD model = COINIT_APARTMENTTHREADED) noexcept
        : m_result(::CoInitializeEx(nullptr, model)) {}
    com_apartment(const com_apartment&) = delete;
    com_apartment& operator=(const com_apartment&) = delete;
    ~com_apartment() {
        if (SUCCEEDED(m_result)) ::CoUninitialize();
    }

    HRESULT result() const noexcept { return m_result; }
    explicit operator bool() const noexcept { return SUCCEEDED(m_result); }

private:
    HRESULT m_result;
};

}  // namespace win32
