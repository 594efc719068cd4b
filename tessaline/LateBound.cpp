#include "tessaline/LateBound.h"

#include "platform/win32/Variant.h"

namespace tessaline::late_bound {
namespace {

std::string describe(const EXCEPINFO& excep) {
    std::string text;
    if (excep.bstrSource) text = win32::from_bstr(excep.bstrSource) + ": ";
    if (excep.bstrDescription) text += win32::from_bstr(excep.bstrDescription);
    return text;
}

// Owns the strings the callee put into an EXCEPINFO.
struct ExcepInfo {
    EXCEPINFO value{};
    ~ExcepInfo() {
        win32::unique_bstr(value.bstrSource).reset();
        win32::unique_bstr(value.bstrDescription).reset();
        win32::unique_bstr(value.bstrHelpFile).reset();
    }
};

}  // namespace

HRESULT invoke(IDispatch* target, DISPID member, WORD flags, CallArgs& args, VARIANT* result, std::string* error) {
    if (!target) return E_POINTER;
    DISPPARAMS params = args.params();
    // A property put takes its value as the named argument, or Invoke refuses it.
    DISPID named = DISPID_PROPERTYPUT;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    ExcepInfo excep;
    UINT argErr = 0;
    HRESULT hr = target->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &excep.value, &argErr);
    if (hr == DISP_E_EXCEPTION) {
        if (excep.value.pfnDeferredFillIn) excep.value.pfnDeferredFillIn(&excep.value);
        if (error) *error = describe(excep.value);
        // The add-in's own error code says more than "an exception happened".
        if (FAILED(excep.value.scode)) hr = excep.value.scode;
    }
    return hr;
}

HRESULT invoke(IDispatch* target, std::wstring_view member, WORD flags, CallArgs& args, VARIANT* result,
               std::string* error) {
    if (!target) return E_POINTER;
    std::wstring name(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        if (error) *error = "no such member";
        return hr;
    }
    return invoke(target, id, flags, args, result, error);
}

HRESULT get(IDispatch* target, std::wstring_view member, VARIANT* result, std::string* error) {
    CallArgs none;
    return invoke(target, member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, none, result, error);
}

HRESULT put(IDispatch* target, std::wstring_view member, std::wstring_view text, std::string* error) {
    CallArgs args;
    args.text(text);
    return invoke(target, member, DISPATCH_PROPERTYPUT, args, nullptr, error);
}

std::string to_text(const VARIANT& value) {
    VARTYPE type = V_VT(&value) & ~VT_BYREF;
    if (type == VT_EMPTY) return "Empty";
    if (type == VT_NULL) return "Null";
    if (type == VT_DISPATCH || type == VT_UNKNOWN) {
        bool nothing = (V_VT(&value) & VT_BYREF) ? !V_DISPATCHREF(&value) || !*V_DISPATCHREF(&value)
                                                 : !V_DISPATCH(&value);
        return nothing ? "Nothing" : "<object>";
    }
    if (type == VT_BOOL) {
        VARIANT_BOOL b = (V_VT(&value) & VT_BYREF) ? *V_BOOLREF(&value) : V_BOOL(&value);
        return b ? "True" : "False";
    }
    win32::unique_variant text;
    if (FAILED(VariantChangeType(text.get(), const_cast<VARIANT*>(&value), 0, VT_BSTR)))
        return "<vartype " + std::to_string(V_VT(&value)) + ">";
    return win32::from_bstr(V_BSTR(text.get()));
}

}  // namespace tessaline::late_bound
