#include "components/CommandControl/CommandControl.h"

#include "platform/win32/ComBoundary.h"
#include "platform/win32/Variant.h"

#include <olectl.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace components {
namespace {

enum Event : DISPID { kInitialize = 1, kTerminate = 2 };

// The command object's members the control calls, by name.
constexpr wchar_t kAttachControl[] = L"AttachControl";
constexpr wchar_t kControlDone[] = L"ControlDone";
constexpr wchar_t kApplication[] = L"Application";

// Calls member on target with the arguments in natural order.
HRESULT call(IDispatch* target, const wchar_t* member, WORD flags, std::initializer_list<VARIANT> args,
             VARIANT* result) {
    std::wstring name(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::vector<VARIANT> reversed(args.begin(), args.end());
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO excep{};
    UINT argErr = 0;
    hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &excep, &argErr);
    win32::unique_bstr source(excep.bstrSource), description(excep.bstrDescription), help(excep.bstrHelpFile);
    if (hr == DISP_E_EXCEPTION && FAILED(excep.scode)) hr = excep.scode;
    return hr;
}

// A command object of some other host does not know the host's own
// members; the control then just holds it.
bool unknown_member(HRESULT hr) { return hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND; }

}  // namespace

CommandControl::CommandControl() noexcept : m_events(*this, DIID__DqeCommandEvents) {}

HRESULT CommandControl::get_Command(IDispatch** value) noexcept { return m_command.copy_to(value); }

HRESULT CommandControl::put_Command(IDispatch* value) noexcept {
    return win32::com_guard([&] { return set_command(value); });
}

HRESULT CommandControl::putref_Command(IDispatch* value) noexcept {
    return win32::com_guard([&] { return set_command(value); });
}

HRESULT CommandControl::set_command(IDispatch* command) {
    win32::com_ptr<IDispatch> previous = m_command;
    win32::com_ptr<IDispatch> next(command);
    if (next) {
        HRESULT hr = call(next.get(), kAttachControl, DISPATCH_METHOD,
                          {win32::variant_dispatch(static_cast<IqeCommand*>(this))}, nullptr);
        if (FAILED(hr) && !unknown_member(hr)) return hr;
    }
    m_command = next;
    m_done = false;
    // The old command lets go of the control: it no longer runs as that command.
    if (previous && !win32::same_object(previous.get(), next.get()))
        call(previous.get(), kAttachControl, DISPATCH_METHOD, {win32::variant_dispatch(nullptr)}, nullptr);
    return S_OK;
}

HRESULT CommandControl::get_application(IDispatch** value) noexcept {
    if (!value) return E_POINTER;
    *value = nullptr;
    return win32::com_guard([&]() -> HRESULT {
        win32::com_ptr<IDispatch> command = m_command;
        if (!command) return S_OK;  // Nothing without a command
        win32::unique_variant application;
        HRESULT hr = call(command.get(), kApplication, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, application.get());
        if (FAILED(hr)) return hr;
        if (V_VT(application.get()) != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
        *value = V_DISPATCH(application.get());
        V_VT(application.get()) = VT_EMPTY;  // handed over
        return S_OK;
    });
}

HRESULT CommandControl::get_Done(VARIANT_BOOL* value) noexcept {
    if (!value) return E_POINTER;
    *value = m_done ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CommandControl::put_Done(VARIANT_BOOL value) noexcept {
    return win32::com_guard([&]() -> HRESULT {
        bool done = value != VARIANT_FALSE;
        if (done == m_done) return S_OK;  // the host hears of each ending once
        m_done = done;
        win32::com_ptr<IDispatch> command = m_command;
        if (!done || !command) return S_OK;
        HRESULT hr = call(command.get(), kControlDone, DISPATCH_METHOD, {}, nullptr);
        if (FAILED(hr) && !unknown_member(hr)) {
            m_done = false;
            return hr;
        }
        return S_OK;
    });
}

HRESULT CommandControl::Start() noexcept {
    return win32::com_guard([&] { return fire(kInitialize); });
}

HRESULT CommandControl::Finish() noexcept {
    return win32::com_guard([&] { return fire(kTerminate); });
}

HRESULT CommandControl::fire(DISPID event) {
    // Held for the duration: a sink may release the control's last other reference.
    win32::com_ptr<CommandControl> self(this);
    HRESULT first = S_OK;
    for (auto& [cookie, sink] : m_events.snapshot()) {
        DISPPARAMS none{};
        EXCEPINFO excep{};
        UINT argErr = 0;
        HRESULT hr = sink->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, &excep,
                                  &argErr);
        win32::unique_bstr source(excep.bstrSource), description(excep.bstrDescription), help(excep.bstrHelpFile);
        if (FAILED(hr) && SUCCEEDED(first)) first = hr;
    }
    return first;
}

HRESULT CommandControl::EnumConnectionPoints(IEnumConnectionPoints** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

HRESULT CommandControl::FindConnectionPoint(REFIID iid, IConnectionPoint** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != m_events.events()) return CONNECT_E_NOCONNECTION;
    *out = &m_events;
    m_events.AddRef();
    return S_OK;
}

HRESULT CommandControl::GetClassInfo(ITypeInfo** out) noexcept {
    return win32::embedded_type_info(CLSID_qeCommand, out);
}

}  // namespace components
