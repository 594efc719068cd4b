// The application's event source: a connectable object with one connection
// point for the application events, and the host's side that raises them.
#pragma once

#include "platform/win32/ConnectionPoint.h"
#include "tessaline/HostObject.h"

#include "Tessaline.h"

#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

class CallArgs;

// Dispatch identifiers of the application events, as the type library declares them.
enum ApplicationEvent : DISPID {
    kEventInIdle = 1,
    kEventDocumentSaved = 2,
    kEventDocumentSavedAs = 3,
    kEventBeforeDocumentClose = 4,
    kEventCommandAborted = 5,
};

class HostEventSource final : public HostObject<ApplicationEventSource, IConnectionPointContainer> {
    using Base = HostObject<ApplicationEventSource, IConnectionPointContainer>;

public:
    static win32::com_ptr<HostEventSource> create(std::shared_ptr<HostContext> context) noexcept;

    // Under /renumber, from the second type library, which numbers the events otherwise.
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) noexcept override;

    // ApplicationEventSource
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** result) noexcept override;

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) noexcept override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) noexcept override;

    // Calls event on every sink connected when the call starts; returns how
    // many sinks were called. Failures of single sinks are logged, not fatal.
    size_t fire(DISPID event, CallArgs& args);
    // The host's own events: logged as "event <Name> <subject>[ <detail>]"
    // before the sinks run, remembered, then fired.
    size_t raise(DISPID event, CallArgs& args, const std::wstring& subject, std::string_view detail = {});

    struct Raised {
        DISPID event;
        std::wstring subject;  // the document's name, or the command id
    };
    const std::vector<Raised>& history() const noexcept { return m_history; }
    size_t sink_count() const noexcept { return m_point.count(); }
    size_t disconnect_all() noexcept { return m_point.disconnect_all(); }

    static const char* event_name(DISPID event) noexcept;

private:
    explicit HostEventSource(std::shared_ptr<HostContext> context) noexcept;
    ~HostEventSource() override = default;

    win32::ConnectionPoint m_point;
    std::vector<Raised> m_history;
};

}  // namespace tessaline
