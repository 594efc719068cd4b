#include "com/AddInObject.h"

#include "com/Arguments.h"
#include "com/ComError.h"
#include "com/DispatchRef.h"
#include "com/Module.h"
#include "platform/win32/Variant.h"

namespace autosave::com {

AddInObject::AddInObject()
    : m_core(moduleState(), [this] {
          // The event subscription holds the add-in while connected; the host's
          // UnInstall ends it.
          return std::make_shared<win32::com_ptr<IUnknown>>(identity());
      }) {}

HRESULT STDMETHODCALLTYPE AddInObject::InterfaceSupportsErrorInfo(REFIID iid) noexcept {
    return iid == IID__CAddIn ? S_OK : S_FALSE;
}

HRESULT AddInObject::getText(BSTR* result, std::string (CAddIn::*getter)()) noexcept {
    if (HRESULT hr = clearOut(result); FAILED(hr)) return hr;
    return win32::com_guard_with_error_info(this, [&] { *result = win32::make_bstr((m_core.*getter)()).release(); });
}

HRESULT AddInObject::getBoolean(VARIANT_BOOL* result, bool (CAddIn::*getter)()) noexcept {
    if (!result) return E_POINTER;
    *result = VARIANT_FALSE;
    return win32::com_guard_with_error_info(this, [&] { *result = (m_core.*getter)() ? VARIANT_TRUE : VARIANT_FALSE; });
}

HRESULT AddInObject::putText(BSTR* value, void (CAddIn::*putter)(const std::string&)) noexcept {
    return win32::com_guard_with_error_info(this, [&] { (m_core.*putter)(textIn(value)); });
}

HRESULT STDMETHODCALLTYPE AddInObject::InitializeApplication(IDispatch** application) noexcept {
    return win32::com_guard_with_error_info(this, [&] { m_core.InitializeApplication(objectIn(application)); });
}

HRESULT STDMETHODCALLTYPE AddInObject::get_Hidden(VARIANT_BOOL* result) noexcept {
    return getBoolean(result, &CAddIn::get_Hidden);
}

HRESULT STDMETHODCALLTYPE AddInObject::get_name(BSTR* result) noexcept { return getText(result, &CAddIn::get_name); }
HRESULT STDMETHODCALLTYPE AddInObject::put_name(BSTR* value) noexcept { return putText(value, &CAddIn::put_name); }
HRESULT STDMETHODCALLTYPE AddInObject::get_description(BSTR* result) noexcept {
    return getText(result, &CAddIn::get_description);
}
HRESULT STDMETHODCALLTYPE AddInObject::put_description(BSTR* value) noexcept {
    return putText(value, &CAddIn::put_description);
}

HRESULT STDMETHODCALLTYPE AddInObject::get_IsInstalled(VARIANT_BOOL* result) noexcept {
    return getBoolean(result, &CAddIn::get_IsInstalled);
}

HRESULT STDMETHODCALLTYPE AddInObject::put_IsInstalled(VARIANT_BOOL* value) noexcept {
    return win32::com_guard_with_error_info(this, [&] { m_core.put_IsInstalled(value && *value != VARIANT_FALSE); });
}

HRESULT STDMETHODCALLTYPE AddInObject::UnInstall(IDispatch** app, IDispatch** doc) noexcept {
    return win32::com_guard_with_error_info(this, [&] { m_core.UnInstall(objectIn(app), objectIn(doc)); });
}

HRESULT STDMETHODCALLTYPE AddInObject::UIInitialize(IDispatch** app, IDispatch** doc) noexcept {
    return win32::com_guard_with_error_info(this, [&] { m_core.UIInitialize(objectIn(app), objectIn(doc)); });
}

HRESULT STDMETHODCALLTYPE AddInObject::UIUnInitialize(IDispatch** app, IDispatch** doc,
                                                      VARIANT_BOOL* bAppShuttingDown) noexcept {
    return win32::com_guard_with_error_info(this, [&] {
        m_core.UIUnInitialize(objectIn(app), objectIn(doc), bAppShuttingDown && *bAppShuttingDown != VARIANT_FALSE);
    });
}

HRESULT STDMETHODCALLTYPE AddInObject::Install(IDispatch** app, IDispatch** doc) noexcept {
    return win32::com_guard_with_error_info(this, [&] { m_core.Install(objectIn(app), objectIn(doc)); });
}

HRESULT STDMETHODCALLTYPE AddInObject::get_Status(BSTR* result) noexcept {
    return getText(result, &CAddIn::get_Status);
}
HRESULT STDMETHODCALLTYPE AddInObject::put_Status(BSTR* value) noexcept { return putText(value, &CAddIn::put_Status); }
HRESULT STDMETHODCALLTYPE AddInObject::get_Documents(BSTR* result) noexcept {
    return getText(result, &CAddIn::get_Documents);
}
HRESULT STDMETHODCALLTYPE AddInObject::put_Documents(BSTR* value) noexcept {
    return putText(value, &CAddIn::put_Documents);
}
HRESULT STDMETHODCALLTYPE AddInObject::get_Minutes(BSTR* result) noexcept {
    return getText(result, &CAddIn::get_Minutes);
}
HRESULT STDMETHODCALLTYPE AddInObject::put_Minutes(BSTR* value) noexcept {
    return putText(value, &CAddIn::put_Minutes);
}
HRESULT STDMETHODCALLTYPE AddInObject::get_Prompt(BSTR* result) noexcept {
    return getText(result, &CAddIn::get_Prompt);
}
HRESULT STDMETHODCALLTYPE AddInObject::put_Prompt(BSTR* value) noexcept { return putText(value, &CAddIn::put_Prompt); }
HRESULT STDMETHODCALLTYPE AddInObject::get_SaveBackup(BSTR* result) noexcept {
    return getText(result, &CAddIn::get_SaveBackup);
}
HRESULT STDMETHODCALLTYPE AddInObject::put_SaveBackup(BSTR* value) noexcept {
    return putText(value, &CAddIn::put_SaveBackup);
}

HRESULT STDMETHODCALLTYPE AddInObject::GetRegistryValue(BSTR strValueName, BSTR* result) noexcept {
    if (HRESULT hr = clearOut(result); FAILED(hr)) return hr;
    return win32::com_guard_with_error_info(
        this, [&] { *result = win32::make_bstr(m_core.GetRegistryValue(win32::from_bstr(strValueName))).release(); });
}

}  // namespace autosave::com
