// autosave::Object over a COM IDispatch reference: how the core reaches the
// host's objects and the external components.
#pragma once

#include "host/Automation.h"
#include "platform/win32/ComPtr.h"
#include "platform/win32/Variant.h"

#include <oaidl.h>

#include <cstring>
#include <optional>

namespace autosave::com {

class DispatchRef final : public Object {
public:
    explicit DispatchRef(win32::com_ptr<IDispatch> dispatch) : m_dispatch(std::move(dispatch)) {}
    // dispatch is the dual interface `dual`, whose dispatch identifiers are
    // part of the interface: they are asked for once per name in the process.
    DispatchRef(win32::com_ptr<IDispatch> dispatch, const GUID& dual) : m_dispatch(std::move(dispatch)), m_dual(dual) {}

    // Nothing for a null pointer.
    static ObjectPtr wrap(IDispatch* dispatch);
    static ObjectPtr wrap(win32::com_ptr<IDispatch> dispatch);

    IDispatch* get() const noexcept { return m_dispatch.get(); }

    Value get(std::string_view member, std::vector<Value> args) override;
    void put(std::string_view member, Value value) override;
    Value call(std::string_view member, std::vector<Value> args) override;
    ObjectPtr query(const Guid& iid) override;
    std::vector<Value> enumerate() override;
    bool isSameObject(const Object& other) const override;
    std::unique_ptr<EventConnection> connect(const Guid& eventIid, ApplicationEvents& sink,
                                             std::shared_ptr<void> subscriberLifetime) override;
    std::unique_ptr<EventConnection> connect(const Guid& eventIid, NamedEvents& sink,
                                             std::shared_ptr<void> subscriberLifetime) override;

private:
    DISPID dispidOf(std::string_view member) const;
    Value invoke(std::string_view member, WORD flags, std::vector<Value>& args);

    win32::com_ptr<IDispatch> m_dispatch;
    std::optional<GUID> m_dual;
};

// Conversions between automation VARIANTs and the core's values.
Value fromVariant(const VARIANT& v);
void toVariant(const Value& value, VARIANT* out);
// The IDispatch behind an object reference from the core; null for Nothing.
IDispatch* dispatchOf(const ObjectPtr& object);

inline GUID toGUID(const Guid& g) {
    GUID r;
    static_assert(sizeof r == sizeof g);
    std::memcpy(&r, &g, sizeof r);
    return r;
}

}  // namespace autosave::com
