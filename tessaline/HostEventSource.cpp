#include "tessaline/HostEventSource.h"

#include "tessaline/CallArgs.h"
#include "tessaline/ComMethod.h"
#include "tessaline/HostApplication.h"
#include "tessaline/HostLog.h"
#include "platform/win32/Variant.h"

#include <olectl.h>

#include <string>

namespace tessaline {
namespace {

// The dispatch identifiers TessalineRenumbered.idl gives the events.
DISPID renumbered(DISPID event) noexcept {
    switch (event) {
    case kEventInIdle: return 21;
    case kEventDocumentSaved: return 23;
    case kEventDocumentSavedAs: return 22;
    case kEventBeforeDocumentClose: return 25;
    case kEventCommandAborted: return 24;
    default: return event;
    }
}

}  // namespace

HostEventSource::HostEventSource(std::shared_ptr<HostContext> context) noexcept
    : Base(std::move(context)), m_point(*this, DIID_ApplicationEvents) {}

win32::com_ptr<HostEventSource> HostEventSource::create(std::shared_ptr<HostContext> context) noexcept {
    return win32::com_ptr<HostEventSource>::attach(new (std::nothrow) HostEventSource(std::move(context)));
}

HRESULT HostEventSource::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) noexcept {
    if (!context().renumbered()) return Base::GetTypeInfo(index, lcid, out);
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return com_guard([&]() -> HRESULT {
        std::wstring path = win32::this_module_path() + L"\\2";
        win32::com_ptr<ITypeLib> library;
        if (HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put()); FAILED(hr)) return hr;
        return library->GetTypeInfoOfGuid(IID_ApplicationEventSource, out);
    });
}

HRESULT HostEventSource::get_Parent(IDispatch** result) noexcept {
    return parent_property(result, [this] { return context().application(); });
}

HRESULT HostEventSource::EnumConnectionPoints(IEnumConnectionPoints** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

HRESULT HostEventSource::FindConnectionPoint(REFIID iid, IConnectionPoint** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != m_point.events()) return CONNECT_E_NOCONNECTION;
    *out = &m_point;
    m_point.AddRef();
    return S_OK;
}

size_t HostEventSource::fire(DISPID event, CallArgs& args) {
    auto sinks = m_point.snapshot();
    if (sinks.empty()) return 0;
    if (context().by_reference()) args.by_reference();
    // Held for the duration: a sink may drop the host's last other reference.
    win32::com_ptr<HostEventSource> self(this);
    for (auto& [cookie, sink] : sinks) {
        DISPPARAMS params = args.params();
        EXCEPINFO excep{};
        UINT argErr = 0;
        HRESULT hr = sink->Invoke(context().renumbered() ? renumbered(event) : event, IID_NULL, LOCALE_USER_DEFAULT,
                                  DISPATCH_METHOD, &params, nullptr, &excep, &argErr);
        win32::unique_bstr source(excep.bstrSource), description(excep.bstrDescription), help(excep.bstrHelpFile);
        if (FAILED(hr)) {
            context().log().line("event " + std::string(event_name(event)) + " to sink " + std::to_string(cookie) +
                                 " -> " + HostLog::hex(hr));
        }
    }
    return sinks.size();
}

size_t HostEventSource::raise(DISPID event, CallArgs& args, const std::wstring& subject, std::string_view detail) {
    std::string text = "event ";
    text += event_name(event);
    text += ' ';
    text += win32::narrow(subject);
    if (!detail.empty()) {
        text += ' ';
        text += detail;
    }
    context().log().line(text);
    m_history.push_back({event, subject});
    return fire(event, args);
}

const char* HostEventSource::event_name(DISPID event) noexcept {
    switch (event) {
    case kEventInIdle: return "InIdle";
    case kEventDocumentSaved: return "DocumentSaved";
    case kEventDocumentSavedAs: return "DocumentSavedAs";
    case kEventBeforeDocumentClose: return "BeforeDocumentClose";
    case kEventCommandAborted: return "CommandAborted";
    default: return "?";
    }
}

}  // namespace tessaline
