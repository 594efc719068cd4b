// The one way the core reaches automation objects (the host's, the locator):
// get, put and call a member by name, request an interface by identifier,
// enumerate a collection, compare identity, and subscribe to events.
// The Windows build wraps IDispatch; the unit tests use a recording fake.
#pragma once

#include "host/Guid.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace autosave {

class Object;
class ApplicationEvents;

// A counted reference to an automation object; null is "Nothing".
using ObjectPtr = std::shared_ptr<Object>;

// The small variant that crosses the automation boundary.
using Value = std::variant<std::monostate, bool, std::int32_t, double, std::string, ObjectPtr>;

// Events of an object other than the application's, by the names the
// object's type information gives them (no arguments).
class NamedEvents {
public:
    virtual void onEvent(std::string_view name) = 0;

protected:
    ~NamedEvents() = default;
};

// Ends an event subscription when destroyed.
class EventConnection {
public:
    virtual ~EventConnection() = default;
};

class Object {
public:
    virtual ~Object() = default;

    // Member access by name; an empty name is the object's default member.
    virtual Value get(std::string_view member, std::vector<Value> args = {}) = 0;
    virtual void put(std::string_view member, Value value) = 0;
    virtual Value call(std::string_view member, std::vector<Value> args = {}) = 0;

    // The same object seen through the interface iid; refusal throws.
    virtual ObjectPtr query(const Guid& iid) = 0;
    // The items of a collection, in the collection's own order.
    virtual std::vector<Value> enumerate() = 0;
    // True when both references denote one object.
    virtual bool isSameObject(const Object& other) const = 0;

    // Delivers the events of interface eventIid from this source to sink
    // until the returned connection is destroyed. subscriberLifetime is held
    // by the connection, so the subscriber lives while it is connected.
    virtual std::unique_ptr<EventConnection> connect(const Guid& eventIid, ApplicationEvents& sink,
                                                     std::shared_ptr<void> subscriberLifetime) = 0;
    virtual std::unique_ptr<EventConnection> connect(const Guid& eventIid, NamedEvents& sink,
                                                     std::shared_ptr<void> subscriberLifetime) = 0;
};

inline constexpr std::string_view kDefaultMember{};

// The object a reference denotes; Nothing raises error 91.
Object& deref(const ObjectPtr& object);

// Conversions with the automation rules the host's values follow. A value
// that cannot be converted raises a type mismatch (13) or overflow (6).
std::string toText(const Value& value);
bool toBool(const Value& value);
std::int32_t toInt32(const Value& value);
ObjectPtr toObject(const Value& value);  // Nothing stays null; a non-object raises 424
// toText for a text that becomes a registry path or a file name: one with a
// zero character, which the system would cut short there, raises error 5.
std::string toPathText(const Value& value);

// `Set x = y.member`: the member's value as an object, null for Nothing.
inline ObjectPtr getObject(const ObjectPtr& from, std::string_view member) { return toObject(deref(from).get(member)); }

}  // namespace autosave
