// The command object handed to an add-in class when the user picks a menu
// item bound to it: which command, and the application it runs in. An
// add-in that runs the command through a command control (ZelCmCtl.ocx)
// has the control introduce itself here; the host then starts the command
// through it, hears when it is done, and ends it.
#pragma once

#include "tessaline/HostObject.h"

#include "Tessaline.h"
#include "ZelCmCtl.h"

#include <functional>
#include <string>

namespace tessaline {

class HostCommand final : public HostObject<TessalineCommand> {
public:
    static win32::com_ptr<HostCommand> create(std::shared_ptr<HostContext> context, UINT command,
                                              std::wstring caption) noexcept;

    HRESULT STDMETHODCALLTYPE get_ID(LONG* result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Caption(BSTR* result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Application(IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE AttachControl(IDispatch* control) noexcept override;
    HRESULT STDMETHODCALLTYPE ControlDone() noexcept override;

    UINT id() const noexcept { return m_command; }
    bool has_control() const noexcept { return static_cast<bool>(m_control); }
    // The control reported Done = True.
    bool done() const noexcept { return m_done; }
    // Raises Initialize through the control; a Done reported meanwhile is
    // only remembered, the caller ends the command once this returns.
    HRESULT start();
    // Raises Terminate through the control and lets the control go; the
    // command takes no control after this.
    HRESULT finish();
    // Runs when Done is reported while the command runs on after start().
    void set_done_handler(std::function<void()> handler) { m_onDone = std::move(handler); }

private:
    HostCommand(std::shared_ptr<HostContext> context, UINT command, std::wstring caption) noexcept;
    ~HostCommand() override = default;

    void log(const std::string& what) const;

    UINT m_command;
    std::wstring m_caption;
    // Held from AttachControl until finish(): the control holds this object too.
    win32::com_ptr<IqeCommandControl> m_control;
    bool m_starting = false;
    bool m_done = false;
    bool m_finished = false;
    std::function<void()> m_onDone;
};

}  // namespace tessaline
