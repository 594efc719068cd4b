#include "com/EventSink.h"

#include "host/HostModel.h"
#include "com/ComError.h"
#include "platform/win32/ComBoundary.h"
#include "com/DispatchRef.h"
#include "com/NamedEventSink.h"

namespace autosave::com {
namespace {

using host::ApplicationEventId;

// Argument `index` counted from the first (DISPPARAMS holds them last first);
// missing arguments are Empty.
const VARIANT* argument(const DISPPARAMS& params, UINT index) {
    if (index >= params.cArgs) return nullptr;
    return &params.rgvarg[params.cArgs - 1 - index];
}

Value argumentValue(const DISPPARAMS& params, UINT index) {
    const VARIANT* v = argument(params, index);
    return v ? fromVariant(*v) : Value{};
}

ObjectPtr objectArgument(const DISPPARAMS& params, UINT index) {
    Value v = argumentValue(params, index);
    return std::holds_alternative<std::monostate>(v) ? nullptr : toObject(v);
}

ObjectPtr wrapDispatch(const void* raw) { return DispatchRef::wrap(static_cast<IDispatch*>(const_cast<void*>(raw))); }

// An object reference as it came, wrapped only if the handler asks for it;
// any other kind of argument is converted at once, as for the other events.
template <typename Handle>
void withObjectArgument(const DISPPARAMS& params, UINT index, Handle&& handle) {
    const VARIANT* v = argument(params, index);
    if (v && (v->vt == VT_DISPATCH || v->vt == (VT_BYREF | VT_DISPATCH))) {
        IDispatch* dispatch = v->vt == VT_DISPATCH ? v->pdispVal : v->ppdispVal ? *v->ppdispVal : nullptr;
        handle(ObjectArgument(dispatch != nullptr, dispatch, &wrapDispatch));
    } else {
        handle(ObjectArgument(objectArgument(params, index)));
    }
}

// A Boolean the host passes by reference, so the handler's answer goes back.
class BooleanArgument {
public:
    BooleanArgument(const DISPPARAMS& params, UINT index) : m_variant(const_cast<VARIANT*>(argument(params, index))) {
        if (m_variant) value = toBool(fromVariant(*m_variant));
    }
    ~BooleanArgument() {
        if (m_variant) writeBack(*m_variant, value ? VARIANT_TRUE : VARIANT_FALSE);
    }
    bool value = false;

private:
    // By reference as a Boolean, or as a Variant that holds one (or a reference to one).
    static void writeBack(VARIANT& v, VARIANT_BOOL answer) {
        if (!v.byref) return;
        if (v.vt == (VT_BYREF | VT_BOOL)) *v.pboolVal = answer;
        if (v.vt != (VT_BYREF | VT_VARIANT)) return;
        if (v.pvarVal->vt == VT_BOOL) v.pvarVal->boolVal = answer;
        else if (v.pvarVal->vt == (VT_BYREF | VT_BOOL)) writeBack(*v.pvarVal, answer);
    }
    VARIANT* m_variant;
};

}  // namespace

EventSink::EventIds EventSink::resolve(IDispatch* source, REFIID eventIid) {
    static constexpr const wchar_t* names[] = {L"InIdle", L"DocumentSaved", L"DocumentSavedAs", L"BeforeDocumentClose",
                                               L"CommandAborted"};
    EventIds ids{};
    win32::com_ptr<ITypeInfo> events;
    try {
        events = NamedEventSink::eventInfo(source, eventIid);
    } catch (const AutomationError&) {
        // No type information: the numbering of the reference host.
        for (size_t i = 0; i < ids.size(); ++i) ids[i] = static_cast<DISPID>(i) + 1;
        return ids;
    }
    for (size_t i = 0; i < ids.size(); ++i) {
        LPOLESTR name = const_cast<LPOLESTR>(names[i]);
        // An event the host does not declare is never raised.
        if (FAILED(events->GetIDsOfNames(&name, 1, &ids[i]))) ids[i] = DISPID_UNKNOWN;
    }
    return ids;
}

win32::com_ptr<EventSink> EventSink::create(REFIID eventIid, EventIds ids, ApplicationEvents& handler,
                                            std::shared_ptr<void> lifetime) {
    auto* sink = new EventSink(eventIid, ids, handler, std::move(lifetime));
    return win32::com_ptr<EventSink>::attach(sink);
}

EventSink::EventSink(REFIID eventIid, EventIds ids, ApplicationEvents& handler, std::shared_ptr<void> lifetime) noexcept
    : SinkBase(eventIid, handler, std::move(lifetime)), m_ids(ids) {}

HRESULT STDMETHODCALLTYPE EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                            EXCEPINFO*, UINT*) noexcept {
    if (result) VariantInit(result);
    if (!params) return E_POINTER;
    // The handler may end the subscription from inside the event, and the
    // host may release the add-in from a message loop the handler runs:
    // both stay alive until the event returns.
    win32::com_ptr<EventSink> self(this);
    std::shared_ptr<void> subscriber = m_lifetime;
    return win32::com_guard_with_error_info([&] { dispatch(id, *params); });
}

void EventSink::dispatch(DISPID id, const DISPPARAMS& params) {
    if (!m_handler || id == DISPID_UNKNOWN) return;
    size_t known = 0;
    while (known < m_ids.size() && m_ids[known] != id) ++known;
    if (known == m_ids.size()) return;  // events the add-in does not handle
    switch (static_cast<ApplicationEventId>(known + 1)) {
    case ApplicationEventId::InIdle:
        withObjectArgument(
            params, 0, [&](const ObjectArgument& application) { m_handler->g_ApplicationEvents_InIdle(application); });
        break;
    case ApplicationEventId::DocumentSaved:
        m_handler->g_ApplicationEvents_DocumentSaved(objectArgument(params, 0));
        break;
    case ApplicationEventId::DocumentSavedAs:
        m_handler->g_ApplicationEvents_DocumentSavedAs(objectArgument(params, 0), toText(argumentValue(params, 1)));
        break;
    case ApplicationEventId::BeforeDocumentClose: {
        BooleanArgument toBeSaved(params, 1), cancel(params, 2);
        m_handler->g_ApplicationEvents_BeforeDocumentClose(objectArgument(params, 0), toBeSaved.value, cancel.value);
        break;
    }
    case ApplicationEventId::CommandAborted:
        m_handler->g_ApplicationEvents_CommandAborted(toInt32(argumentValue(params, 0)));
        break;
    default: break;  // events the add-in does not handle
    }
}

}  // namespace autosave::com
