// The add-in's sink for the host's application events: a COM dispatch object
// the host's connection point calls, forwarding each event to the core.
#pragma once

#include "host/ApplicationEvents.h"
#include "platform/win32/ComObject.h"

#include <oaidl.h>

#include <array>
#include <memory>

namespace autosave::com {

class EventSink final : public win32::ComObject<IDispatch> {
public:
    // The dispatch identifiers of InIdle, DocumentSaved, DocumentSavedAs,
    // BeforeDocumentClose and CommandAborted, in that order.
    using EventIds = std::array<DISPID, 5>;
    // As the source's type information names them; the reference host's
    // numbering when it offers none.
    static EventIds resolve(IDispatch* source, REFIID eventIid);

    // lifetime keeps the subscriber alive until detach().
    static win32::com_ptr<EventSink> create(REFIID eventIid, EventIds ids, ApplicationEvents& handler,
                                            std::shared_ptr<void> lifetime);

    // Stops forwarding and lets the subscriber go; the host may hold the sink longer.
    void detach() noexcept;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) noexcept override;

private:
    EventSink(REFIID eventIid, EventIds ids, ApplicationEvents& handler, std::shared_ptr<void> lifetime) noexcept;
    ~EventSink() override = default;
    // The host's connection point asks for the event interface itself.
    void* query_extra(REFIID iid) noexcept override { return iid == m_eventIid ? identity() : nullptr; }
    void dispatch(DISPID id, const DISPPARAMS& params);

    IID m_eventIid;
    EventIds m_ids;
    ApplicationEvents* m_handler;
    std::shared_ptr<void> m_lifetime;
};

}  // namespace autosave::com
