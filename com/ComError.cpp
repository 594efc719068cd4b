#include "com/ComError.h"

#include "platform/win32/ComPtr.h"
#include "platform/win32/SystemMessage.h"
#include "platform/win32/Variant.h"

namespace autosave::com {
namespace {

// Errors the language runtime numbers itself travel in the control facility.
constexpr HRESULT kControlFacilityBase = static_cast<HRESULT>(0x800A0000);

std::string systemMessage(HRESULT hr) {
    std::wstring message = win32::system_message(static_cast<DWORD>(hr));
    return message.empty() ? "Automation error" : win32::narrow(message);
}

}  // namespace

HRESULT hresultOf(const ErrorInfo& info) noexcept {
    if (info.number < 0) return static_cast<HRESULT>(info.number);
    if (info.number > 0 && info.number <= 0xFFFF) return kControlFacilityBase | info.number;
    return E_FAIL;
}

HRESULT setErrorInfo(const ErrorInfo& info) noexcept {
    try {
        win32::com_ptr<ICreateErrorInfo> create;
        if (SUCCEEDED(CreateErrorInfo(create.put()))) {
            create->SetSource(const_cast<LPOLESTR>(win32::widen(info.source).c_str()));
            create->SetDescription(const_cast<LPOLESTR>(win32::widen(info.description).c_str()));
            create->SetHelpFile(const_cast<LPOLESTR>(win32::widen(info.helpFile).c_str()));
            create->SetHelpContext(static_cast<DWORD>(info.helpContext));
            if (auto published = create.try_query<IErrorInfo>(IID_IErrorInfo)) SetErrorInfo(0, published.get());
        }
    } catch (...) {
        // Without memory for the details the HRESULT still says what failed.
    }
    return hresultOf(info);
}

void raiseFrom(HRESULT hr, const EXCEPINFO* excep) {
    ErrorInfo info;
    if (hr == DISP_E_EXCEPTION && excep) {
        const EXCEPINFO& filled = *excep;
        info.source = win32::from_bstr(filled.bstrSource);
        info.description = win32::from_bstr(filled.bstrDescription);
        info.helpFile = win32::from_bstr(filled.bstrHelpFile);
        info.helpContext = static_cast<std::int32_t>(filled.dwHelpContext);
        HRESULT code = filled.scode ? filled.scode : E_FAIL;
        info.number = filled.wCode ? filled.wCode
                                   : (HRESULT_FACILITY(code) == FACILITY_CONTROL ? HRESULT_CODE(code)
                                                                                 : static_cast<std::int32_t>(code));
        throw AutomationError(std::move(info));
    }
    switch (hr) {
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_UNKNOWNNAME: raise(errors::kMemberNotSupported);
    case DISP_E_TYPEMISMATCH: raise(errors::kTypeMismatch);
    case DISP_E_OVERFLOW: raise(errors::kOverflow);
    case E_OUTOFMEMORY: throw std::bad_alloc();
    default: break;
    }
    if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) throw AutomationError(HRESULT_CODE(hr), systemMessage(hr));
    throw AutomationError(ErrorInfo{static_cast<std::int32_t>(hr), "vokAutoSave412", systemMessage(hr), {}, 0});
}

void checkCall(HRESULT hr, IUnknown* callee, REFIID iid) {
    if (SUCCEEDED(hr)) return;
    win32::com_ptr<IErrorInfo> details;
    win32::com_ptr<ISupportErrorInfo> support;
    if (callee && SUCCEEDED(callee->QueryInterface(IID_ISupportErrorInfo, support.put_void())) &&
        support->InterfaceSupportsErrorInfo(iid) == S_OK && GetErrorInfo(0, details.put()) == S_OK && details) {
        EXCEPINFO excep{};
        details->GetSource(&excep.bstrSource);
        details->GetDescription(&excep.bstrDescription);
        details->GetHelpFile(&excep.bstrHelpFile);
        details->GetHelpContext(&excep.dwHelpContext);
        win32::unique_bstr source(excep.bstrSource), description(excep.bstrDescription), helpFile(excep.bstrHelpFile);
        excep.scode = hr;
        raiseFrom(DISP_E_EXCEPTION, &excep);
    }
    raiseFrom(hr);
}

void checkInvoke(HRESULT hr, EXCEPINFO& excep) {
    if (FAILED(hr) && excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
    win32::unique_bstr source(excep.bstrSource), description(excep.bstrDescription), helpFile(excep.bstrHelpFile);
    if (FAILED(hr)) raiseFrom(hr, &excep);
}

}  // namespace autosave::com
