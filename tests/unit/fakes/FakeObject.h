// A recording automation object: members are plain values or callables,
// interfaces are answered from a table, and every call lands in a CallLog.
// Any member can be told to fail. An object can also act as an event source.
#pragma once

#include "fakes/CallLog.h"
#include "host/ApplicationEvents.h"
#include "host/Automation.h"
#include "platform/AutomationError.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fakes {

using autosave::ErrorInfo;
using autosave::Guid;
using autosave::ObjectPtr;
using autosave::Value;

// "Empty", "True", "12", "text", an object's fake name, "Nothing".
std::string describe(const Value& value);
// Readable names for the identifiers the core uses.
std::string describe(const Guid& iid);

class FakeObject final : public autosave::Object, public std::enable_shared_from_this<FakeObject> {
public:
    using Args = std::vector<Value>;
    using Getter = std::function<Value(const Args&)>;
    using Putter = std::function<void(const Value&)>;

    static std::shared_ptr<FakeObject> make(std::string name, std::shared_ptr<CallLog> log);
    FakeObject(std::string name, std::shared_ptr<CallLog> log) : m_name(std::move(name)), m_log(std::move(log)) {}

    const std::string& name() const { return m_name; }

    // A plain value: get answers it, put replaces it. "" is the default member.
    FakeObject& value(const std::string& member, Value v);
    // A computed member, answering get and call alike.
    FakeObject& getter(const std::string& member, Getter g);
    FakeObject& putter(const std::string& member, Putter p);
    void remove(const std::string& member);
    // The current plain value of a member (Empty when it has none).
    Value stored(const std::string& member) const;
    // Every later access to the member throws this error (after logging it).
    void fail(const std::string& member, ErrorInfo error);

    // query(iid) answers `as`, or this object when `as` is null.
    FakeObject& answers(const Guid& iid, ObjectPtr as = nullptr);
    FakeObject& items(std::vector<Value> items);

    // Event source side.
    std::size_t subscriberCount() const { return m_subscriptions.size(); }
    // Delivers an application event to the current subscribers of that
    // interface; the list is copied first since a sink may disconnect.
    void fire(const std::function<void(autosave::ApplicationEvents&)>& event);
    // Delivers a named event to the current subscribers of that interface.
    void fire(const Guid& eventIid, std::string_view name);

    Value get(std::string_view member, std::vector<Value> args = {}) override;
    void put(std::string_view member, Value value) override;
    Value call(std::string_view member, std::vector<Value> args = {}) override;
    ObjectPtr query(const Guid& iid) override;
    std::vector<Value> enumerate() override;
    bool isSameObject(const Object& other) const override { return this == &other; }
    std::unique_ptr<autosave::EventConnection> connect(const Guid& eventIid, autosave::ApplicationEvents& sink,
                                                       std::shared_ptr<void> subscriberLifetime) override;
    std::unique_ptr<autosave::EventConnection> connect(const Guid& eventIid, autosave::NamedEvents& sink,
                                                       std::shared_ptr<void> subscriberLifetime) override;

private:
    struct CaseInsensitiveLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    struct Member {
        std::optional<Value> value;
        Getter getter;
        Putter putter;
        std::optional<ErrorInfo> failure;
    };
    struct Subscription {
        Guid iid;
        autosave::ApplicationEvents* sink;
        autosave::NamedEvents* named;
        std::shared_ptr<void> lifetime;
    };
    class Connection;

    [[noreturn]] void unsupported() const;  // error 438
    Member& member(std::string_view name);  // throws 438 when unknown, or the member's failure
    void disconnect(const Subscription* subscription);
    std::unique_ptr<autosave::EventConnection> subscribe(Subscription subscription);
    // Calls deliver for each subscription of the snapshot still connected.
    void forEachSubscriber(const std::function<void(Subscription&)>& deliver);

    std::string m_name;
    std::shared_ptr<CallLog> m_log;
    std::map<std::string, Member, CaseInsensitiveLess> m_members;
    std::vector<std::pair<Guid, ObjectPtr>> m_interfaces;
    std::vector<Value> m_items;
    std::vector<std::shared_ptr<Subscription>> m_subscriptions;
};

}  // namespace fakes
