// The command object handed to an add-in class when the user picks a menu
// item bound to it: which command, and the application it runs in.
#pragma once

#include "tessaline/HostObject.h"

#include "Tessaline.h"

#include <string>

namespace tessaline {

class HostCommand final : public HostObject<TessalineCommand> {
public:
    static win32::com_ptr<HostCommand> create(std::shared_ptr<HostContext> context, UINT command,
                                              std::wstring caption) noexcept;

    HRESULT STDMETHODCALLTYPE get_ID(LONG* result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Caption(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Application(IDispatch** result) noexcept override;

private:
    HostCommand(std::shared_ptr<HostContext> context, UINT command, std::wstring caption) noexcept;
    ~HostCommand() override = default;

    UINT m_command;
    std::wstring m_caption;
};

}  // namespace tessaline
