#include "com/NamedEventSink.h"

#include "com/ComError.h"
#include "platform/win32/ComBoundary.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

namespace autosave::com {

win32::com_ptr<ITypeInfo> NamedEventSink::eventInfo(IDispatch* source, REFIID eventIid) {
    win32::com_ptr<ITypeInfo> own;
    check(source->GetTypeInfo(0, LOCALE_USER_DEFAULT, own.put()));
    win32::com_ptr<ITypeLib> library;
    UINT index = 0;
    check(own->GetContainingTypeLib(library.put(), &index));
    win32::com_ptr<ITypeInfo> events;
    check(library->GetTypeInfoOfGuid(eventIid, events.put()));
    return events;
}

NamedEventSink::NamedEventSink(REFIID eventIid, win32::com_ptr<ITypeInfo> events, NamedEvents& handler,
                               std::shared_ptr<void> lifetime) noexcept
    : SinkBase(eventIid, handler, std::move(lifetime)), m_events(std::move(events)) {}

HRESULT STDMETHODCALLTYPE NamedEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                                 EXCEPINFO*, UINT*) noexcept {
    if (result) VariantInit(result);
    if (!params) return E_POINTER;
    // The handler may end the subscription from inside the event.
    win32::com_ptr<NamedEventSink> self(this);
    return win32::com_guard_with_error_info([&] {
        if (!m_handler) return;
        win32::unique_bstr name;
        UINT count = 0;
        if (FAILED(m_events->GetNames(id, name.put(), 1, &count)) || count == 0) return;  // not one of its events
        m_handler->onEvent(win32::from_bstr(name.get()));
    });
}

}  // namespace autosave::com
