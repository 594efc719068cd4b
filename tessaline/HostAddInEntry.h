// One add-in the host has created: the add-in object, whether it is
// installed, and the lifecycle calls the host makes on it.
#pragma once

#include "tessaline/HostObject.h"

#include "Tessaline.h"

#include <string>
#include <string_view>

namespace tessaline {

class HostAddInEntry final : public HostObject<AddInEntry> {
public:
    static win32::com_ptr<HostAddInEntry> create(std::shared_ptr<HostContext> context, std::wstring progId,
                                                 const CLSID& clsid, win32::com_ptr<IDispatch> object) noexcept;

    // AddInEntry
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Object(IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Loaded(VARIANT_BOOL* result) noexcept override;
    HRESULT STDMETHODCALLTYPE Load() noexcept override;
    HRESULT STDMETHODCALLTYPE LoadUI() noexcept override;
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ProgID(BSTR* result) noexcept override;

    // Calls method on the add-in by name with the arguments the host passes
    // it (application and active document by reference, and for
    // UIUnInitialize the shutting-down flag), logs the call, and tracks
    // Install/UnInstall and UIInitialize/UIUnInitialize.
    HRESULT call(std::wstring_view method, bool shuttingDown = true);

    bool loaded() const noexcept { return m_loaded; }
    // Install (UIInitialize) was called and not yet undone: even a failed
    // call may have connected events or kept host objects, so exit undoes it.
    bool needs_uninstall() const noexcept { return m_installCalled; }
    bool needs_ui_uninitialize() const noexcept { return m_uiCalled; }
    const std::wstring& prog_id() const noexcept { return m_progId; }
    const CLSID& clsid() const noexcept { return m_clsid; }
    IDispatch* object() const noexcept { return m_object.get(); }
    // Drops the host's reference to the add-in object.
    void release_object() noexcept { m_object.reset(); }

private:
    HostAddInEntry(std::shared_ptr<HostContext> context, std::wstring progId, const CLSID& clsid,
                   win32::com_ptr<IDispatch> object) noexcept;
    ~HostAddInEntry() override = default;

    std::wstring m_progId;
    CLSID m_clsid;
    win32::com_ptr<IDispatch> m_object;
    bool m_loaded = false;
    bool m_initializeCalled = false;
    bool m_installCalled = false;
    bool m_uiCalled = false;
};

}  // namespace tessaline
