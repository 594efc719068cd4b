#include "tessaline/HostCommand.h"

#include "tessaline/ComMethod.h"
#include "tessaline/HostApplication.h"

namespace tessaline {

HostCommand::HostCommand(std::shared_ptr<HostContext> context, UINT command, std::wstring caption) noexcept
    : HostObject(std::move(context)), m_command(command), m_caption(std::move(caption)) {}

win32::com_ptr<HostCommand> HostCommand::create(std::shared_ptr<HostContext> context, UINT command,
                                                std::wstring caption) noexcept {
    return win32::com_ptr<HostCommand>::attach(
        new (std::nothrow) HostCommand(std::move(context), command, std::move(caption)));
}

HRESULT HostCommand::get_ID(LONG* result) noexcept {
    if (!result) return E_POINTER;
    *result = 0;
    if (HRESULT hr = injected(L"ID"); FAILED(hr)) return hr;
    *result = static_cast<LONG>(m_command);
    return S_OK;
}

HRESULT HostCommand::get_Caption(BSTR* result) noexcept {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (HRESULT hr = injected(L"Caption"); FAILED(hr)) return hr;
    *result = SysAllocStringLen(m_caption.data(), static_cast<UINT>(m_caption.size()));
    return *result ? S_OK : E_OUTOFMEMORY;
}

HRESULT HostCommand::get_Application(IDispatch** result) noexcept {
    return com_guard([&]() -> HRESULT {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (HRESULT hr = injected(L"Application"); FAILED(hr)) return hr;
        auto application = context().application();
        return application ? hand_out(application, result) : kHostGone;
    });
}

}  // namespace tessaline
