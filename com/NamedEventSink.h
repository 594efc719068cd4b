// A sink for the events of an object other than the host's application (the
// command control): each event reaches the core by the name the source's
// type information gives its dispatch identifier.
#pragma once

#include "host/Automation.h"
#include "com/SinkBase.h"

#include <memory>

namespace autosave::com {

class NamedEventSink final : public SinkBase<NamedEvents> {
public:
    // The event interface eventIid as the source's own type library describes it.
    static win32::com_ptr<ITypeInfo> eventInfo(IDispatch* source, REFIID eventIid);

    // lifetime keeps the subscriber alive until detach().
    NamedEventSink(REFIID eventIid, win32::com_ptr<ITypeInfo> events, NamedEvents& handler,
                   std::shared_ptr<void> lifetime) noexcept;

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) noexcept override;

private:
    ~NamedEventSink() override = default;

    win32::com_ptr<ITypeInfo> m_events;
};

}  // namespace autosave::com
