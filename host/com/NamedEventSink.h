// A sink for the events of an object other than the host's application (the
// command control): each event reaches the core by the name the source's
// type information gives its dispatch identifier.
#pragma once

#include "host/Automation.h"
#include "platform/win32/ComObject.h"

#include <memory>

namespace autosave::com {

class NamedEventSink final : public win32::ComObject<IDispatch> {
public:
    // The event interface eventIid as the source's own type library describes it.
    static win32::com_ptr<ITypeInfo> eventInfo(IDispatch* source, REFIID eventIid);

    // lifetime keeps the subscriber alive until detach().
    NamedEventSink(REFIID eventIid, win32::com_ptr<ITypeInfo> events, NamedEvents& handler,
                   std::shared_ptr<void> lifetime) noexcept;
    // Stops forwarding; the source may hold the sink longer.
    void detach() noexcept;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) noexcept override;

private:
    ~NamedEventSink() override = default;
    void* query_extra(REFIID iid) noexcept override { return iid == m_eventIid ? identity() : nullptr; }

    IID m_eventIid;
    win32::com_ptr<ITypeInfo> m_events;
    NamedEvents* m_handler;
    std::shared_ptr<void> m_lifetime;
};

}  // namespace autosave::com
