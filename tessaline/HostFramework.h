// The framework application: the application's identity, its event source,
// add-ins, menus and main window as add-ins reach them.
#pragma once

#include "tessaline/HostObject.h"

#include "Tessaline.h"

namespace tessaline {

class HostFramework final : public HostObject<FrameworkApplication> {
public:
    static win32::com_ptr<HostFramework> create(std::shared_ptr<HostContext> context) noexcept;

    HRESULT STDMETHODCALLTYPE get_ProgId(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ApplicationKey(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_EventSource(IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_AddIns(IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_StatusBar(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE put_StatusBar(BSTR text) noexcept override;
    HRESULT STDMETHODCALLTYPE get_MainWindowHandle(LONG* result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_hwnd(LONG* result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Interactive(VARIANT_BOOL* result) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Interactive(VARIANT_BOOL value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Menus(IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE SetCommandCheck(LONG id, VARIANT_BOOL checked) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ActiveDocument(IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_OpenDocuments(IDispatch** result) noexcept override;

private:
    explicit HostFramework(std::shared_ptr<HostContext> context) noexcept;
    ~HostFramework() override = default;

    HRESULT window_handle(const wchar_t* member, LONG* result) noexcept;
};

}  // namespace tessaline
