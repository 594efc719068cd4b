#include "com/ComError.h"

#include "platform/win32/ComPtr.h"
#include "platform/win32/SystemMessage.h"
#include "platform/win32/Variant.h"

namespace autosave::com {
namespace {

std::string systemMessage(HRESULT hr) {
    std::wstring message = win32::system_message(static_cast<DWORD>(hr));
    return message.empty() ? "Automation error" : win32::narrow(message);
}

}  // namespace

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
