// Building blocks for the COM objects this project implements: the module's
// object count, and IDispatch over the type library embedded in this module.
#pragma once

#include "platform/win32/ComPtr.h"

#include <oaidl.h>

#include <initializer_list>
#include <new>
#include <string>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace win32 {

// Objects and server locks alive in this module; DllCanUnloadNow answers from it.
class ModuleCount {
public:
    static void increment() noexcept { InterlockedIncrement(&s_count); }
    static void decrement() noexcept { InterlockedDecrement(&s_count); }
    static long value() noexcept { return s_count; }

private:
    static inline LONG s_count = 0;
};

inline HMODULE this_module() noexcept { return reinterpret_cast<HMODULE>(&__ImageBase); }
// The full path of this module's file; empty when the system cannot say.
std::wstring this_module_path();

// The type information of one interface from the type library embedded as
// resource TYPELIB 1 in this module; loaded once, kept for the module's life.
HRESULT embedded_type_info(REFIID iid, ITypeInfo** out) noexcept;

// IUnknown and IDispatch for an object whose dual interface Interface is
// described by the embedded type library. Derived lists the further
// interfaces it answers for in extra_interfaces().
template <typename Interface>
class DispatchObject : public Interface {
public:
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == m_iid) {
            *out = static_cast<Interface*>(this);
        } else if (void* other = query_extra(iid)) {
            *out = other;
        } else {
            return E_NOINTERFACE;
        }
        this->AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return embedded_type_info(m_iid, out);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept override {
        com_ptr<ITypeInfo> info;
        HRESULT hr = embedded_type_info(m_iid, info.put());
        if (FAILED(hr)) return hr;
        return DispGetIDsOfNames(info.get(), names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argErr) noexcept override {
        com_ptr<ITypeInfo> info;
        HRESULT hr = embedded_type_info(m_iid, info.put());
        if (FAILED(hr)) return hr;
        return DispInvoke(static_cast<Interface*>(this), info.get(), id, flags, params, result, excep, argErr);
    }

protected:
    explicit DispatchObject(REFIID iid) noexcept : m_iid(iid) { ModuleCount::increment(); }
    virtual ~DispatchObject() { ModuleCount::decrement(); }
    // Further interfaces the object answers for; nullptr when none matches.
    virtual void* query_extra(REFIID) noexcept { return nullptr; }

private:
    LONG m_refs = 1;  // the creator's reference
    IID m_iid;
};

// Creates T with new (std::nothrow) and hands out the interface asked for.
template <typename T, typename... Args>
HRESULT create_instance(REFIID iid, void** out, Args&&... args) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto object = com_ptr<T>::attach(new (std::nothrow) T(std::forward<Args>(args)...));
    if (!object) return E_OUTOFMEMORY;
    return object->QueryInterface(iid, out);
}

}  // namespace win32
