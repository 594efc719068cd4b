// The base of every host automation object: IDispatch from the embedded type
// library, the shared host context, and the failures injected by /fail.
#pragma once

#include "platform/win32/ComObject.h"
#include "platform/win32/Unique.h"
#include "tessaline/ComMethod.h"
#include "tessaline/HostContext.h"

#include <memory>
#include <string>

namespace tessaline {

template <typename Interface, typename... Others>
class HostObject : public win32::DispatchObject<Interface, Others...> {
    using Base = win32::DispatchObject<Interface, Others...>;

public:
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argErr) noexcept override {
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

    // The body of a `Parent` property: what parent() gives, or kHostGone
    // once the host has shut down.
    template <typename Parent>
    HRESULT parent_property(IDispatch** result, Parent parent) const noexcept {
        return com_guard([&]() -> HRESULT {
            if (!result) return E_POINTER;
            *result = nullptr;
            if (HRESULT hr = injected(L"Parent"); FAILED(hr)) return hr;
            auto object = parent();
            return object ? hand_out(object, result) : kHostGone;
        });
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
