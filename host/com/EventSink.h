// The add-in's sink for the host's application events: a COM dispatch object
// the host's connection point calls, forwarding each event to the core.
#pragma once

#include "host/ApplicationEvents.h"
#include "platform/win32/ComPtr.h"

#include <oaidl.h>

#include <memory>

namespace autosave::com {

class EventSink final : public IDispatch {
public:
    // lifetime keeps the subscriber alive until detach().
    static win32::com_ptr<EventSink> create(REFIID eventIid, ApplicationEvents& handler, std::shared_ptr<void> lifetime);

    // Stops forwarding and lets the subscriber go; the host may hold the sink longer.
    void detach() noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) noexcept override;

private:
    EventSink(REFIID eventIid, ApplicationEvents& handler, std::shared_ptr<void> lifetime) noexcept;
    ~EventSink();
    void dispatch(DISPID id, const DISPPARAMS& params);

    LONG m_refs = 1;
    IID m_eventIid;
    ApplicationEvents* m_handler;
    std::shared_ptr<void> m_lifetime;
};

}  // namespace autosave::com
