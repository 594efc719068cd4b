// The one way this project writes a COM object: ComObject carries the
// reference count, the module count, the interface table and the private
// destructor; DispatchObject adds IDispatch over the type library embedded
// in this module.
#pragma once

#include "platform/win32/ComPtr.h"

#include <oaidl.h>

#include <new>
#include <string>
#include <type_traits>
#include <utility>

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

// IUnknown for an object that implements Interfaces. QueryInterface answers
// IUnknown, each interface's own identifier, IDispatch for the first
// interface built on it, and whatever query_extra() adds (identifiers known
// only at run time). Objects start with one reference, the creator's, and
// delete themselves when the last one goes.
template <typename First, typename... Rest>
class ComObject : public First, public Rest... {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        void* found = iid == IID_IUnknown ? identity() : find<First, Rest...>(iid);
        if (!found) found = query_extra(iid);
        if (!found) return E_NOINTERFACE;
        AddRef();
        *out = found;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

    // The object's identity: the IUnknown every interface request returns.
    IUnknown* identity() noexcept { return static_cast<First*>(this); }

protected:
    ComObject() noexcept { ModuleCount::increment(); }
    virtual ~ComObject() { ModuleCount::decrement(); }
    // Interfaces whose identifiers are known only at run time; nullptr when none matches.
    virtual void* query_extra(REFIID) noexcept { return nullptr; }

private:
    template <typename I, typename... More>
    void* find(REFIID iid) noexcept {
        if (iid == __uuidof(I)) return static_cast<I*>(this);
        if constexpr (std::is_base_of_v<IDispatch, I>) {
            if (iid == IID_IDispatch) return static_cast<I*>(this);
        }
        if constexpr (sizeof...(More) > 0) {
            return find<More...>(iid);
        } else {
            return nullptr;
        }
    }

    LONG m_refs = 1;
};

// ComObject whose dual interface Interface (listed first) is described by
// the embedded type library; Others are further interfaces it implements.
template <typename Interface, typename... Others>
class DispatchObject : public ComObject<Interface, Others...> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return embedded_type_info(__uuidof(Interface), out);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept override {
        com_ptr<ITypeInfo> info;
        HRESULT hr = embedded_type_info(__uuidof(Interface), info.put());
        if (FAILED(hr)) return hr;
        return DispGetIDsOfNames(info.get(), names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argErr) noexcept override {
        com_ptr<ITypeInfo> info;
        HRESULT hr = embedded_type_info(__uuidof(Interface), info.put());
        if (FAILED(hr)) return hr;
        return DispInvoke(static_cast<Interface*>(this), info.get(), id, flags, params, result, excep, argErr);
    }

protected:
    DispatchObject() noexcept = default;
};

// Creates T and hands out the interface asked for; a constructor that
// throws fails the creation instead of leaving the caller's frame.
template <typename T, typename... Args>
HRESULT create_instance(REFIID iid, void** out, Args&&... args) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        auto object = com_ptr<T>::attach(new T(std::forward<Args>(args)...));
        return object->QueryInterface(iid, out);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace win32
