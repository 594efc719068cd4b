// What the add-in's event sinks share: IDispatch without type information of
// their own, the event interface answered by QueryInterface, and a handler
// that detach() cuts off while the source may still hold the sink.
#pragma once

#include "platform/win32/ComObject.h"

#include <memory>

namespace autosave::com {

template <typename Handler>
class SinkBase : public win32::ComObject<IDispatch> {
public:
    // Stops forwarding and lets the subscriber go.
    void detach() noexcept {
        m_handler = nullptr;
        m_lifetime.reset();
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
        return E_NOTIMPL;
    }

protected:
    // lifetime keeps the subscriber alive until detach().
    SinkBase(REFIID eventIid, Handler& handler, std::shared_ptr<void> lifetime) noexcept
        : m_handler(&handler), m_lifetime(std::move(lifetime)), m_eventIid(eventIid) {}
    ~SinkBase() override = default;

    Handler* m_handler;
    std::shared_ptr<void> m_lifetime;

private:
    // The source's connection point asks for the event interface itself.
    void* query_extra(REFIID iid) noexcept override { return iid == m_eventIid ? identity() : nullptr; }

    IID m_eventIid;
};

}  // namespace autosave::com
