#include "tessaline/HostCommand.h"

#include "tessaline/ComMethod.h"
#include "tessaline/HostApplication.h"
#include "tessaline/HostLog.h"

namespace tessaline {

HostCommand::HostCommand(std::shared_ptr<HostContext> context, UINT command, std::wstring caption) noexcept
    : HostObject(std::move(context)), m_command(command), m_caption(std::move(caption)) {}

win32::com_ptr<HostCommand> HostCommand::create(std::shared_ptr<HostContext> context, UINT command,
                                                std::wstring caption) noexcept {
    return win32::com_ptr<HostCommand>::attach(new (std::nothrow)
                                                   HostCommand(std::move(context), command, std::move(caption)));
}

HRESULT HostCommand::get_ID(LONG* result) noexcept {
    return property(L"ID", result, [&](LONG& out) {
        out = static_cast<LONG>(m_command);
        return S_OK;
    });
}

HRESULT HostCommand::get_Caption(BSTR* result) noexcept {
    return property(L"Caption", result, [&](BSTR& out) { return hand_out_text(m_caption, &out); });
}

HRESULT HostCommand::get_Application(IDispatch** result) noexcept {
    return object_property(L"Application", result, [this] { return context().application(); });
}

HRESULT HostCommand::AttachControl(IDispatch* control) noexcept {
    return member(L"AttachControl", [&]() -> HRESULT {
        if (!control) {
            if (m_control) log("control detached");
            m_control.reset();
            return S_OK;
        }
        // An ended command runs no more.
        if (m_finished) return kHostGone;
        win32::com_ptr<IqeCommandControl> next;
        if (FAILED(control->QueryInterface(IID_IqeCommandControl, next.put_void())) || !next) return E_NOINTERFACE;
        bool changed = !win32::same_object(next.get(), m_control.get());
        m_control = std::move(next);
        if (changed) log("control attached");
        return S_OK;
    });
}

HRESULT HostCommand::ControlDone() noexcept {
    return member(L"ControlDone", [&]() -> HRESULT {
        if (m_finished || m_done) return S_OK;
        m_done = true;
        log("Done");
        // Inside start() the caller ends the command once the control's event returns.
        if (!m_starting && m_onDone) {
            auto handler = m_onDone;
            handler();
        }
        return S_OK;
    });
}

HRESULT HostCommand::start() {
    if (!m_control) return S_FALSE;
    // Both held for the duration: the add-in may let go of the control while it runs.
    win32::com_ptr<HostCommand> self(this);
    win32::com_ptr<IqeCommandControl> control = m_control;
    m_starting = true;
    HRESULT hr = control->Start();
    m_starting = false;
    return hr;
}

HRESULT HostCommand::finish() {
    m_finished = true;
    m_onDone = nullptr;
    // Let go first: the control's last reference may go in Terminate.
    win32::com_ptr<IqeCommandControl> control = std::move(m_control);
    return control ? control->Finish() : S_FALSE;
}

void HostCommand::log(const std::string& what) const {
    context().log().line("command " + std::to_string(m_command) + " " + what);
}

}  // namespace tessaline
