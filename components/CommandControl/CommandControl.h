// The qeCommand class: what an add-in's command puts on its dialog to run as
// the host's command. The add-in sets Command to the host's command object,
// handles Initialize (the command starts) and Terminate (the host ended
// it), and sets Done to end it. The host reaches the control through
// IqeCommandControl, once the control has introduced itself to the command
// object.
#pragma once

#include "platform/win32/ComObject.h"
#include "platform/win32/ConnectionPoint.h"

#include "ZelCmCtl.h"

namespace components {

class CommandControl final
    : public win32::DispatchObject<IqeCommand, IqeCommandControl, IConnectionPointContainer, IProvideClassInfo> {
public:
    CommandControl() noexcept;

    // IqeCommand
    HRESULT STDMETHODCALLTYPE get_Command(IDispatch** value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Command(IDispatch* value) noexcept override;
    HRESULT STDMETHODCALLTYPE putref_Command(IDispatch* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_application(IDispatch** value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Done(VARIANT_BOOL* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Done(VARIANT_BOOL value) noexcept override;

    // IqeCommandControl
    HRESULT STDMETHODCALLTYPE Start() noexcept override;
    HRESULT STDMETHODCALLTYPE Finish() noexcept override;

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) noexcept override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) noexcept override;

    // IProvideClassInfo
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) noexcept override;

private:
    ~CommandControl() override = default;

    HRESULT set_command(IDispatch* command);
    // Calls the event on every sink connected when it starts; the first failure, or S_OK.
    HRESULT fire(DISPID event);

    win32::ConnectionPoint m_events;
    win32::com_ptr<IDispatch> m_command;
    bool m_done = false;
};

}  // namespace components
