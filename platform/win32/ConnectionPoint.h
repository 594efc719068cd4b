// One outgoing interface of a connectable object. It lives inside its
// container and shares the container's reference count, so the two cannot
// keep each other alive. Sinks are kept by cookie.
#pragma once

#include "platform/win32/ComPtr.h"

#include <ocidl.h>

#include <utility>
#include <vector>

namespace win32 {

class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer& container, REFIID events) noexcept
        : m_container(container), m_events(events) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;
    ~ConnectionPoint() = default;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return m_container.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return m_container.Release(); }

    // IConnectionPoint
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) noexcept override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) noexcept override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) noexcept override;

    REFIID events() const noexcept { return m_events; }
    // The sinks connected now; firing goes over this copy, because a sink may
    // disconnect (itself or another) while it is being called.
    std::vector<std::pair<DWORD, com_ptr<IDispatch>>> snapshot() const;
    size_t count() const noexcept { return m_sinks.size(); }
    // Drops every sink; returns how many there were.
    size_t disconnect_all() noexcept;

private:
    IConnectionPointContainer& m_container;
    IID m_events;
    std::vector<std::pair<DWORD, com_ptr<IDispatch>>> m_sinks;
    DWORD m_nextCookie = 1;
};

}  // namespace win32
