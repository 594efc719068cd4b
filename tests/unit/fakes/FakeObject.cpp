#include "fakes/FakeObject.h"

#include "host/HostModel.h"

#include <algorithm>
#include <cctype>

namespace fakes {
namespace {

std::string memberText(std::string_view member) { return member.empty() ? "[default]" : std::string(member); }

std::string argsText(const std::vector<Value>& args) {
    std::string text = "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i) text += ',';
        text += describe(args[i]);
    }
    return text + ")";
}

}  // namespace

std::string describe(const Value& value) {
    struct Visitor {
        std::string operator()(std::monostate) const { return "Empty"; }
        std::string operator()(bool b) const { return b ? "True" : "False"; }
        std::string operator()(std::int32_t i) const { return std::to_string(i); }
        std::string operator()(double d) const { return autosave::toText(d); }
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(const ObjectPtr& o) const {
            if (!o) return "Nothing";
            auto* fake = dynamic_cast<const FakeObject*>(o.get());
            return fake ? fake->name() : "<object>";
        }
    };
    return std::visit(Visitor{}, value);
}

std::string describe(const Guid& iid) {
    namespace h = autosave::host;
    const std::pair<Guid, const char*> known[] = {
        {h::IID_FrameworkApplication, "FrameworkApplication"},
        {h::IID_Document, "Document"},
        {h::IID_MenuCollection, "MenuCollection"},
        {h::IID_MenuItem, "MenuItem"},
        {h::IID_ApplicationEventSource, "ApplicationEventSource"},
        {h::DIID_ApplicationEvents, "ApplicationEvents"},
        {h::IID_ResourceLibraryLocator, "ResourceLibraryLocator"},
    };
    for (const auto& [guid, name] : known)
        if (guid == iid) return name;
    return autosave::toString(iid);
}

bool FakeObject::CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
    // Automation looks names up without regard to letter case.
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

class FakeObject::Connection final : public autosave::EventConnection {
public:
    Connection(std::weak_ptr<FakeObject> source, const Subscription* subscription)
        : m_source(std::move(source)), m_subscription(subscription) {}
    ~Connection() override {
        if (auto source = m_source.lock()) source->disconnect(m_subscription);
    }

private:
    std::weak_ptr<FakeObject> m_source;
    const Subscription* m_subscription;
};

std::shared_ptr<FakeObject> FakeObject::make(std::string name, std::shared_ptr<CallLog> log) {
    return std::make_shared<FakeObject>(std::move(name), std::move(log));
}

FakeObject& FakeObject::value(const std::string& name, Value v) {
    m_members[name].value = std::move(v);
    return *this;
}

FakeObject& FakeObject::getter(const std::string& name, Getter g) {
    m_members[name].getter = std::move(g);
    return *this;
}

FakeObject& FakeObject::putter(const std::string& name, Putter p) {
    m_members[name].putter = std::move(p);
    return *this;
}

void FakeObject::remove(const std::string& name) {
    auto it = m_members.find(name);
    if (it != m_members.end()) m_members.erase(it);
}

Value FakeObject::stored(const std::string& name) const {
    auto it = m_members.find(name);
    return it != m_members.end() && it->second.value ? *it->second.value : Value{};
}

void FakeObject::fail(const std::string& name, ErrorInfo error) { m_members[name].failure = std::move(error); }

FakeObject& FakeObject::answers(const Guid& iid, ObjectPtr as) {
    m_interfaces.emplace_back(iid, std::move(as));
    return *this;
}

FakeObject& FakeObject::items(std::vector<Value> items) {
    m_items = std::move(items);
    return *this;
}

void FakeObject::unsupported() const {
    throw autosave::AutomationError(ErrorInfo{
        autosave::errors::kMemberNotSupported, m_name, "Object doesn't support this property or method", {}, 0});
}

FakeObject::Member& FakeObject::member(std::string_view name) {
    auto it = m_members.find(name);
    if (it == m_members.end()) unsupported();
    if (it->second.failure) throw autosave::AutomationError(*it->second.failure);
    return it->second;
}

Value FakeObject::get(std::string_view name, std::vector<Value> args) {
    m_log->add(m_name + ".get " + memberText(name) + (args.empty() ? "" : argsText(args)));
    Member& m = member(name);
    if (m.getter) return m.getter(args);
    if (m.value) return *m.value;
    unsupported();  // a write-only member
}

void FakeObject::put(std::string_view name, Value v) {
    m_log->add(m_name + ".put " + memberText(name) + "=" + describe(v));
    Member& m = member(name);
    if (m.putter) m.putter(v);
    else if (m.value || !m.getter) m.value = std::move(v);
    else unsupported();  // a computed member without a putter is read-only
}

Value FakeObject::call(std::string_view name, std::vector<Value> args) {
    m_log->add(m_name + ".call " + memberText(name) + argsText(args));
    Member& m = member(name);
    if (m.getter) return m.getter(args);
    if (m.value) return *m.value;
    return {};
}

ObjectPtr FakeObject::query(const Guid& iid) {
    m_log->add(m_name + ".query " + describe(iid));
    for (const auto& [known, as] : m_interfaces)
        if (known == iid) return as ? as : shared_from_this();
    throw autosave::AutomationError(ErrorInfo{autosave::errors::kTypeMismatch, m_name, "Type mismatch", {}, 0});
}

std::vector<Value> FakeObject::enumerate() {
    m_log->add(m_name + ".enumerate");
    return m_items;
}

std::unique_ptr<autosave::EventConnection> FakeObject::connect(const Guid& eventIid, autosave::ApplicationEvents& sink,
                                                               std::shared_ptr<void> subscriberLifetime) {
    return subscribe({eventIid, &sink, nullptr, std::move(subscriberLifetime)});
}

std::unique_ptr<autosave::EventConnection> FakeObject::connect(const Guid& eventIid, autosave::NamedEvents& sink,
                                                               std::shared_ptr<void> subscriberLifetime) {
    return subscribe({eventIid, nullptr, &sink, std::move(subscriberLifetime)});
}

std::unique_ptr<autosave::EventConnection> FakeObject::subscribe(Subscription subscription) {
    m_log->add(m_name + ".connect " + describe(subscription.iid));
    auto shared = std::make_shared<Subscription>(std::move(subscription));
    m_subscriptions.push_back(shared);
    return std::make_unique<Connection>(weak_from_this(), shared.get());
}

void FakeObject::disconnect(const Subscription* subscription) {
    m_log->add(m_name + ".disconnect");
    std::erase_if(m_subscriptions, [&](const auto& s) { return s.get() == subscription; });
}

void FakeObject::forEachSubscriber(const std::function<void(Subscription&)>& deliver) {
    const auto snapshot = m_subscriptions;
    for (const auto& s : snapshot) {
        bool stillConnected = std::any_of(m_subscriptions.begin(), m_subscriptions.end(),
                                          [&](const auto& current) { return current == s; });
        if (stillConnected) deliver(*s);
    }
}

void FakeObject::fire(const std::function<void(autosave::ApplicationEvents&)>& event) {
    forEachSubscriber([&](Subscription& s) {
        if (s.sink && s.iid == autosave::host::DIID_ApplicationEvents) event(*s.sink);
    });
}

void FakeObject::fire(const Guid& eventIid, std::string_view name) {
    forEachSubscriber([&](Subscription& s) {
        if (s.named && s.iid == eventIid) s.named->onEvent(name);
    });
}

}  // namespace fakes
