// A small counted COM reference. MinGW's own ComPtr leaks on Attach and
// copies on move, so the component carries this one.
#pragma once

#include <unknwn.h>

#include <utility>

namespace win32 {

// The analyzer does not follow reference counts: it takes a Release that
// deletes the object for one that may run while other references remain,
// and then reports every later use of the object.
// NOLINTBEGIN(clang-analyzer-cplusplus.NewDelete)
template <typename T>
class com_ptr {
public:
    com_ptr() noexcept = default;
    com_ptr(std::nullptr_t) noexcept {}
    // Copies from a raw pointer take their own reference.
    explicit com_ptr(T* p) noexcept : m_p(p) {
        if (m_p) m_p->AddRef();
    }
    com_ptr(const com_ptr& other) noexcept : com_ptr(other.m_p) {}
    com_ptr(com_ptr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    com_ptr& operator=(const com_ptr& other) noexcept {
        com_ptr(other).swap(*this);
        return *this;
    }
    com_ptr& operator=(com_ptr&& other) noexcept {
        com_ptr(std::move(other)).swap(*this);
        return *this;
    }
    com_ptr& operator=(std::nullptr_t) noexcept {
        reset();
        return *this;
    }
    ~com_ptr() { reset(); }

    // Adopts a reference the caller already owns (no AddRef).
    static com_ptr attach(T* p) noexcept {
        com_ptr r;
        r.m_p = p;
        return r;
    }
    [[nodiscard]] T* detach() noexcept { return std::exchange(m_p, nullptr); }

    void reset() noexcept {
        if (T* p = std::exchange(m_p, nullptr)) p->Release();
    }
    // For out-parameters: releases what is held and hands out the slot.
    T** put() noexcept {
        reset();
        return &m_p;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    T* get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    void swap(com_ptr& other) noexcept { std::swap(m_p, other.m_p); }

    // QueryInterface for U by its identifier; empty when refused.
    template <typename U>
    com_ptr<U> try_query(REFIID iid) const noexcept {
        com_ptr<U> r;
        if (m_p) m_p->QueryInterface(iid, r.put_void());
        return r;
    }
    HRESULT query_to(REFIID iid, void** out) const noexcept {
        if (!m_p) return E_POINTER;
        return m_p->QueryInterface(iid, out);
    }

    // Hands out a new reference through an out-parameter.
    HRESULT copy_to(T** out) const noexcept {
        if (!out) return E_POINTER;
        *out = m_p;
        if (m_p) m_p->AddRef();
        return S_OK;
    }

    friend bool operator==(const com_ptr& a, const com_ptr& b) noexcept { return a.m_p == b.m_p; }

private:
    T* m_p = nullptr;
};
// NOLINTEND(clang-analyzer-cplusplus.NewDelete)

// Identity of two COM objects: their IUnknown pointers are the same.
inline bool same_object(IUnknown* a, IUnknown* b) noexcept {
    if (!a || !b) return a == b;
    com_ptr<IUnknown> ua, ub;
    a->QueryInterface(IID_IUnknown, ua.put_void());
    b->QueryInterface(IID_IUnknown, ub.put_void());
    return ua.get() == ub.get();
}

}  // namespace win32
