#include "com/DispatchRef.h"

#include "com/ComError.h"
#include "com/EventSink.h"
#include "com/NamedEventSink.h"

#include <ocidl.h>

namespace autosave::com {
namespace {

template <typename Sink>
class ConnectionPointSubscription final : public EventConnection {
public:
    ConnectionPointSubscription(win32::com_ptr<IConnectionPoint> point, win32::com_ptr<Sink> sink, DWORD cookie)
        : m_point(std::move(point)), m_sink(std::move(sink)), m_cookie(cookie) {}
    ~ConnectionPointSubscription() override {
        m_point->Unadvise(m_cookie);
        // The host may still hold the sink for a while; it must not reach us.
        m_sink->detach();
    }

private:
    win32::com_ptr<IConnectionPoint> m_point;
    win32::com_ptr<Sink> m_sink;
    DWORD m_cookie;
};

win32::com_ptr<IConnectionPoint> connectionPoint(IDispatch* source, const Guid& eventIid) {
    win32::com_ptr<IConnectionPointContainer> container;
    if (FAILED(source->QueryInterface(IID_IConnectionPointContainer, container.put_void())))
        raise(errors::kTypeMismatch);
    win32::com_ptr<IConnectionPoint> point;
    check(container->FindConnectionPoint(toGUID(eventIid), point.put()));
    return point;
}

// Advises the sink; a refused sink is detached at once.
template <typename Sink>
std::unique_ptr<EventConnection> advise(win32::com_ptr<IConnectionPoint> point, win32::com_ptr<Sink> sink) {
    DWORD cookie = 0;
    HRESULT hr = point->Advise(static_cast<IDispatch*>(sink.get()), &cookie);
    if (FAILED(hr)) {
        sink->detach();
        raiseFrom(hr);
    }
    return std::make_unique<ConnectionPointSubscription<Sink>>(std::move(point), std::move(sink), cookie);
}

// A member's FUNCDESC, given back to its type information when done.
class FunctionDescription {
public:
    FunctionDescription(win32::com_ptr<ITypeInfo> info, UINT index) : m_info(std::move(info)) {
        if (FAILED(m_info->GetFuncDesc(index, &m_desc))) m_desc = nullptr;
    }
    ~FunctionDescription() {
        if (m_desc) m_info->ReleaseFuncDesc(m_desc);
    }
    FunctionDescription(const FunctionDescription&) = delete;
    FunctionDescription& operator=(const FunctionDescription&) = delete;
    const FUNCDESC* get() const noexcept { return m_desc; }

private:
    win32::com_ptr<ITypeInfo> m_info;
    FUNCDESC* m_desc = nullptr;
};

// For each parameter of a member read or called, the type it is declared to
// point to when it goes by reference ([in, out] long* and the like), else
// VT_EMPTY; nothing when the object describes no such member.
std::vector<VARTYPE> referencedTypes(IDispatch* dispatch, DISPID id) {
    UINT count = 0;
    win32::com_ptr<ITypeInfo> info;
    if (FAILED(dispatch->GetTypeInfoCount(&count)) || count == 0 ||
        FAILED(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put())) || !info)
        return {};
    // Searched by identifier: how a dispatch view of a dual interface numbers
    // its functions differs between implementations.
    for (UINT index = 0;; ++index) {
        FunctionDescription function(info, index);
        if (!function.get()) return {};
        if (function.get()->memid != id || !(function.get()->invkind & (INVOKE_PROPERTYGET | INVOKE_FUNC))) continue;
        std::vector<VARTYPE> types(static_cast<size_t>(function.get()->cParams), VT_EMPTY);
        for (size_t i = 0; i < types.size(); ++i) {
            const ELEMDESC& param = function.get()->lprgelemdescParam[i];
            if (param.tdesc.vt != VT_PTR || !param.tdesc.lptdesc || (param.paramdesc.wParamFlags & PARAMFLAG_FRETVAL))
                continue;
            switch (VARTYPE pointee = param.tdesc.lptdesc->vt) {
            case VT_I2:
            case VT_I4:
            case VT_INT:
            case VT_R4:
            case VT_R8:
            case VT_BOOL:
            case VT_BSTR:
            case VT_VARIANT: types[i] = pointee == VT_INT ? static_cast<VARTYPE>(VT_I4) : pointee; break;
            default: break;
            }
        }
        return types;
    }
}

}  // namespace

namespace {

// Dispatch identifiers of dual interfaces by interface and member name. The
// component is single-threaded.
struct KnownDispid {
    GUID dual;
    std::string member;
    DISPID id;
};
std::vector<KnownDispid> g_knownDispids;

const DISPID* knownDispid(const GUID& dual, std::string_view member) {
    for (const KnownDispid& known : g_knownDispids)
        if (known.dual == dual && known.member == member) return &known.id;
    return nullptr;
}

}  // namespace

ObjectPtr DispatchRef::wrap(IDispatch* dispatch) { return wrap(win32::com_ptr<IDispatch>(dispatch)); }

ObjectPtr DispatchRef::wrap(win32::com_ptr<IDispatch> dispatch) {
    if (!dispatch) return nullptr;
    return std::make_shared<DispatchRef>(std::move(dispatch));
}

DISPID DispatchRef::dispidOf(std::string_view member) const {
    if (member.empty()) return DISPID_VALUE;
    if (m_dual)
        if (const DISPID* known = knownDispid(*m_dual, member)) return *known;
    std::wstring name = win32::widen(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    check(m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    if (m_dual) g_knownDispids.push_back({*m_dual, std::string(member), id});
    return id;
}

Value DispatchRef::invoke(std::string_view member, WORD flags, std::vector<Value>& args) {
    DISPID id = dispidOf(member);
    // DISPPARAMS takes its arguments last first.
    std::vector<win32::unique_variant> variants(args.size());
    for (size_t i = 0; i < args.size(); ++i) toVariant(args[i], variants[args.size() - 1 - i].get());
    std::vector<VARIANT> raw;
    raw.reserve(variants.size());
    for (auto& v : variants) raw.push_back(*v.get());
    // A member may insist on the reference its declaration asks for: such
    // arguments go as references to our own copies.
    if (!(flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && !args.empty()) {
        std::vector<VARTYPE> byReference = referencedTypes(m_dispatch.get(), id);
        for (size_t i = 0; i < args.size() && i < byReference.size(); ++i) {
            VARTYPE type = byReference[i];
            VARIANT* held = variants[args.size() - 1 - i].get();
            if (type == VT_EMPTY || (type != VT_VARIANT && FAILED(VariantChangeType(held, held, 0, type)))) continue;
            VARIANT& passed = raw[args.size() - 1 - i];
            VariantInit(&passed);
            passed.vt = VT_BYREF | type;
            // Every member of the value union starts at the same address.
            passed.byref = type == VT_VARIANT ? static_cast<void*>(held) : static_cast<void*>(&held->lVal);
        }
    }

    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{raw.data(), nullptr, static_cast<UINT>(raw.size()), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    win32::unique_variant result;
    EXCEPINFO excep{};
    UINT argError = 0;
    HRESULT hr = m_dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.put(), &excep, &argError);
    checkInvoke(hr, excep);
    return fromVariant(*result.get());
}

Value DispatchRef::get(std::string_view member, std::vector<Value> args) {
    return invoke(member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args);
}

void DispatchRef::put(std::string_view member, Value value) {
    std::vector<Value> args{std::move(value)};
    invoke(member, std::holds_alternative<ObjectPtr>(args[0]) ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT, args);
}

Value DispatchRef::call(std::string_view member, std::vector<Value> args) {
    return invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

ObjectPtr DispatchRef::query(const Guid& iid) {
    win32::com_ptr<IDispatch> asked;
    // The host's interfaces are dual, so any of them is also an IDispatch.
    if (FAILED(m_dispatch.query_to(toGUID(iid), asked.put_void())) || !asked) raise(errors::kTypeMismatch);
    return std::make_shared<DispatchRef>(std::move(asked), toGUID(iid));
}

std::vector<Value> DispatchRef::enumerate() {
    std::vector<Value> none;
    win32::unique_variant enumerator;
    DISPPARAMS noArgs{};
    EXCEPINFO excep{};
    HRESULT hr = m_dispatch->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT,
                                    DISPATCH_METHOD | DISPATCH_PROPERTYGET, &noArgs, enumerator.put(), &excep, nullptr);
    checkInvoke(hr, excep);
    if (enumerator->vt != VT_UNKNOWN && enumerator->vt != VT_DISPATCH) raiseFrom(DISP_E_TYPEMISMATCH);
    win32::com_ptr<IEnumVARIANT> items;
    check(enumerator->punkVal ? enumerator->punkVal->QueryInterface(IID_IEnumVARIANT, items.put_void()) : E_POINTER);
    // Many at a time: each step is a call into the host.
    std::vector<Value> values;
    win32::variant_batch batch;
    for (bool more = true; more;) {
        more = batch.next(*items.get());
        for (const VARIANT& item : batch) values.push_back(fromVariant(item));
    }
    return values;
}

bool DispatchRef::isSameObject(const Object& other) const {
    const auto* ref = dynamic_cast<const DispatchRef*>(&other);
    return ref && win32::same_object(m_dispatch.get(), ref->m_dispatch.get());
}

std::unique_ptr<EventConnection> DispatchRef::connect(const Guid& eventIid, ApplicationEvents& handler,
                                                      std::shared_ptr<void> subscriberLifetime) {
    auto point = connectionPoint(m_dispatch.get(), eventIid);
    auto ids = EventSink::resolve(m_dispatch.get(), toGUID(eventIid));
    return advise(std::move(point), EventSink::create(toGUID(eventIid), ids, handler, std::move(subscriberLifetime)));
}

std::unique_ptr<EventConnection> DispatchRef::connect(const Guid& eventIid, NamedEvents& handler,
                                                      std::shared_ptr<void> subscriberLifetime) {
    auto point = connectionPoint(m_dispatch.get(), eventIid);
    auto events = NamedEventSink::eventInfo(m_dispatch.get(), toGUID(eventIid));
    auto sink = win32::com_ptr<NamedEventSink>::attach(
        new NamedEventSink(toGUID(eventIid), std::move(events), handler, std::move(subscriberLifetime)));
    return advise(std::move(point), std::move(sink));
}

Value fromVariant(const VARIANT& v) {
    if (v.vt & VT_BYREF) {
        // Hosts raise events with arguments by reference too: read what the reference holds.
        if (!v.byref) return {};
        win32::unique_variant held;
        check(VariantCopyInd(held.get(), const_cast<VARIANT*>(&v)));
        return fromVariant(*held.get());
    }
    switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL: return {};
    case VT_BOOL: return v.boolVal != VARIANT_FALSE;
    case VT_BSTR: return win32::from_bstr(v.bstrVal);
    case VT_DISPATCH: return DispatchRef::wrap(v.pdispVal);
    case VT_UNKNOWN: {
        win32::com_ptr<IDispatch> dispatch;
        if (v.punkVal) v.punkVal->QueryInterface(IID_IDispatch, dispatch.put_void());
        if (v.punkVal && !dispatch) raiseFrom(DISP_E_TYPEMISMATCH);
        return DispatchRef::wrap(std::move(dispatch));
    }
    case VT_R4:
    case VT_R8:
    case VT_DATE:
    case VT_CY:
    case VT_DECIMAL: {
        win32::unique_variant d;
        check(VariantChangeType(d.get(), const_cast<VARIANT*>(&v), 0, VT_R8));
        return d->dblVal;
    }
    default: {
        // Integers of every width, and whatever else, by the system's own rules.
        win32::unique_variant i;
        if (SUCCEEDED(VariantChangeType(i.get(), const_cast<VARIANT*>(&v), 0, VT_I4)))
            return static_cast<std::int32_t>(i->lVal);
        win32::unique_variant s;
        check(VariantChangeType(s.get(), const_cast<VARIANT*>(&v), 0, VT_BSTR));
        return win32::from_bstr(s->bstrVal);
    }
    }
}

IDispatch* dispatchOf(const ObjectPtr& object) {
    if (!object) return nullptr;
    auto* ref = dynamic_cast<DispatchRef*>(object.get());
    if (!ref) raise(errors::kTypeMismatch);
    return ref->get();
}

void toVariant(const Value& value, VARIANT* out) {
    VariantInit(out);
    struct Visitor {
        VARIANT* out;
        void operator()(std::monostate) const {}
        void operator()(bool b) const {
            out->vt = VT_BOOL;
            out->boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
        }
        void operator()(std::int32_t i) const {
            out->vt = VT_I4;
            out->lVal = i;
        }
        void operator()(double d) const {
            out->vt = VT_R8;
            out->dblVal = d;
        }
        void operator()(const std::string& s) const {
            out->bstrVal = win32::make_bstr(s).release();
            out->vt = VT_BSTR;
        }
        void operator()(const ObjectPtr& o) const {
            IDispatch* dispatch = dispatchOf(o);
            if (dispatch) dispatch->AddRef();
            out->vt = VT_DISPATCH;
            out->pdispVal = dispatch;
        }
    };
    std::visit(Visitor{out}, value);
}

}  // namespace autosave::com
