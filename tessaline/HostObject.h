// The base of every host automation object: IDispatch from the embedded type
// library, the shared host context, and the failures injected by /fail.
#pragma once

#include "platform/win32/ComObject.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"
#include "tessaline/ComMethod.h"
#include "tessaline/HostCalls.h"
#include "tessaline/HostContext.h"

#include <memory>
#include <string>
#include <string_view>

namespace tessaline {

// The body of a collection's Item: a text index names an item (found by
// find), a number counts from 1 in list.
template <typename List, typename Find>
HRESULT item_by_index(VARIANT& index, const List& list, Find find, IDispatch** out) {
    if ((V_VT(&index) & ~VT_BYREF) == VT_BSTR) {
        win32::unique_variant text;
        HRESULT hr = VariantChangeType(text.get(), &index, 0, VT_BSTR);
        if (FAILED(hr)) return hr;
        BSTR key = V_BSTR(text.get());
        auto item = find(key ? std::wstring_view(key, SysStringLen(key)) : std::wstring_view());
        return item ? hand_out(item, out) : DISP_E_BADINDEX;
    }
    win32::unique_variant number;
    HRESULT hr = VariantChangeType(number.get(), &index, 0, VT_I4);
    if (FAILED(hr)) return hr;
    LONG n = V_I4(number.get());
    if (n < 1 || static_cast<size_t>(n) > list.size()) return DISP_E_BADINDEX;
    return hand_out(list[static_cast<size_t>(n - 1)], out);
}

template <typename Interface, typename... Others>
class HostObject : public win32::DispatchObject<Interface, Others...> {
    using Base = win32::DispatchObject<Interface, Others...>;

public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        HostCalls::count();
        return Base::QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) noexcept override {
        HostCalls::count();
        return Base::GetIDsOfNames(iid, names, count, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argErr) noexcept override {
        HostCalls::count();
        if (!m_context->failures().empty()) {
            std::wstring member = member_name(id);
            if (!member.empty() && m_context->failures().armed(member)) {
                if (excep) FailureInjection::fill(*excep, member);
                return DISP_E_EXCEPTION;
            }
        }
        HRESULT hr = Base::Invoke(id, iid, lcid, flags, params, result, excep, argErr);
        // Late-bound callers differ on whether they read an indexed property
        // or call it; both mean the same member here.
        if (hr == DISP_E_MEMBERNOTFOUND && (flags == DISPATCH_METHOD || flags == DISPATCH_PROPERTYGET))
            hr = Base::Invoke(id, iid, lcid, DISPATCH_METHOD | DISPATCH_PROPERTYGET, params, result, excep, argErr);
        return hr;
    }

protected:
    explicit HostObject(std::shared_ptr<HostContext> context) noexcept : m_context(std::move(context)) {}

    HostContext& context() const noexcept { return *m_context; }
    const std::shared_ptr<HostContext>& shared_context() const noexcept { return m_context; }

    // The frame of every member: exceptions become HRESULTs, and a member
    // /fail names fails before body runs.
    template <typename Body>
    HRESULT member(const wchar_t* name, Body body) const noexcept {
        return com_guard([&]() -> HRESULT {
            if (HRESULT hr = injected(name); FAILED(hr)) return hr;
            return body();
        });
    }

    // The frame of a property get: the out-parameter is checked and cleared
    // first, so that every failure leaves it empty; body(*result) fills it.
    template <typename Out, typename Body>
    HRESULT property(const wchar_t* name, Out* result, Body body) const noexcept {
        if (!result) return E_POINTER;
        *result = Out{};
        return member(name, [&] { return body(*result); });
    }

    // An object-valued property: what object() gives, or kHostGone once the
    // host has shut down.
    template <typename Object>
    HRESULT object_property(const wchar_t* name, IDispatch** result, Object object) const noexcept {
        return property(name, result, [&](IDispatch*& out) -> HRESULT {
            auto found = object();
            return found ? hand_out(found, &out) : kHostGone;
        });
    }

    template <typename Parent>
    HRESULT parent_property(IDispatch** result, Parent parent) const noexcept {
        return object_property(L"Parent", result, parent);
    }

    // S_OK, or E_FAIL with error info when /fail named this member.
    HRESULT injected(const wchar_t* member) const noexcept {
        return m_context->failures().armed(member) ? FailureInjection::raise(member) : S_OK;
    }

private:
    std::wstring member_name(DISPID id) noexcept {
        try {
            win32::com_ptr<ITypeInfo> info;
            if (FAILED(this->GetTypeInfo(0, 0, info.put()))) return {};
            win32::unique_bstr name;
            UINT count = 0;
            if (FAILED(info->GetNames(id, name.put(), 1, &count)) || count == 0 || !name) return {};
            return std::wstring(name.get(), SysStringLen(name.get()));
        } catch (...) {
            return {};
        }
    }

    std::shared_ptr<HostContext> m_context;
};

}  // namespace tessaline
