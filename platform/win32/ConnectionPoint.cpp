#include "platform/win32/ConnectionPoint.h"

#include "platform/win32/ComBoundary.h"

#include <olectl.h>

namespace win32 {

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) noexcept {
    if (!iid) return E_POINTER;
    *iid = m_events;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) noexcept {
    if (!out) return E_POINTER;
    *out = &m_container;
    m_container.AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) noexcept {
    return com_guard([&]() -> HRESULT {
        if (!cookie) return E_POINTER;
        *cookie = 0;
        if (!sink) return E_POINTER;
        // The sink must speak the event interface; the events are delivered through its IDispatch.
        com_ptr<IDispatch> events;
        if (FAILED(sink->QueryInterface(m_events, events.put_void())) || !events) return CONNECT_E_CANNOTCONNECT;
        DWORD assigned = m_nextCookie;
        m_sinks.emplace_back(assigned, std::move(events));
        ++m_nextCookie;
        *cookie = assigned;
        return S_OK;
    });
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) noexcept {
    for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
        if (it->first == cookie) {
            // Released after the list is consistent again: the release may call back.
            auto sink = std::move(it->second);
            m_sinks.erase(it);
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

std::vector<std::pair<DWORD, com_ptr<IDispatch>>> ConnectionPoint::snapshot() const { return m_sinks; }

size_t ConnectionPoint::disconnect_all() noexcept {
    auto sinks = std::move(m_sinks);
    m_sinks.clear();
    return sinks.size();
}

}  // namespace win32
