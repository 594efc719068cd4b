// The CAddIn coclass: the host's view of the add-in. Every method converts
// its arguments and forwards to the core's CAddIn; nothing throws past it.
#pragma once

#include "addin/AddIn.h"
#include "com/ComError.h"
#include "platform/win32/ComBoundary.h"
#include "platform/win32/ComObject.h"

#include "vokAutoSave412.h"

namespace autosave::com {

class AddInObject final : public win32::DispatchObject<_CAddIn, ISupportErrorInfo> {
public:
    AddInObject();

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) noexcept override;

    // _CAddIn
    HRESULT STDMETHODCALLTYPE InitializeApplication(IDispatch** application) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Hidden(VARIANT_BOOL* result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_name(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE put_name(BSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_description(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE put_description(BSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_IsInstalled(VARIANT_BOOL* result) noexcept override;
    HRESULT STDMETHODCALLTYPE put_IsInstalled(VARIANT_BOOL* value) noexcept override;
    HRESULT STDMETHODCALLTYPE UnInstall(IDispatch** app, IDispatch** doc) noexcept override;
    HRESULT STDMETHODCALLTYPE UIInitialize(IDispatch** app, IDispatch** doc) noexcept override;
    HRESULT STDMETHODCALLTYPE UIUnInitialize(IDispatch** app, IDispatch** doc,
                                             VARIANT_BOOL* bAppShuttingDown) noexcept override;
    HRESULT STDMETHODCALLTYPE Install(IDispatch** app, IDispatch** doc) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Status(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Status(BSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Documents(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Documents(BSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Minutes(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Minutes(BSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Prompt(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Prompt(BSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_SaveBackup(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE put_SaveBackup(BSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE GetRegistryValue(BSTR strValueName, BSTR* result) noexcept override;

private:
    ~AddInObject() override = default;

    HRESULT getText(BSTR* result, std::string (CAddIn::*getter)()) noexcept;
    HRESULT putText(BSTR* value, void (CAddIn::*putter)(const std::string&)) noexcept;
    HRESULT getBoolean(VARIANT_BOOL* result, bool (CAddIn::*getter)()) noexcept;

    CAddIn m_core;
};

}  // namespace autosave::com
