// The add-in's sink for the host's application events: a COM dispatch object
// the host's connection point calls, forwarding each event to the core.
#pragma once

#include "host/ApplicationEvents.h"
#include "com/SinkBase.h"

#include <oaidl.h>

#include <array>
#include <memory>

namespace autosave::com {

class EventSink final : public SinkBase<ApplicationEvents> {
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

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) noexcept override;

private:
    EventSink(REFIID eventIid, EventIds ids, ApplicationEvents& handler, std::shared_ptr<void> lifetime) noexcept;
    ~EventSink() override = default;
    void dispatch(DISPID id, const DISPPARAMS& params);

    EventIds m_ids;
};

}  // namespace autosave::com
