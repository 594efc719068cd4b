#include "fakes/FakeRegistry.h"

#include "platform/AutomationError.h"

#include <algorithm>
#include <cctype>

namespace fakes {
namespace {

std::string folded(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

}  // namespace

class FakeRegistry::FakeKey final : public Key {
public:
    FakeKey(FakeRegistry& registry, Values& values, bool writable)
        : m_registry(registry), m_values(values), m_writable(writable) {}

    std::optional<StoredText> readText(const std::string& name) override {
        auto it = m_values.find(folded(name));
        if (it == m_values.end()) return std::nullopt;
        // Reading n - 1 characters of a zero-byte value asks for -1 of them.
        if (it->second.emptyData)
            throw autosave::AutomationError(
                autosave::ErrorInfo{5, "FakeRegistry", "Invalid procedure call or argument", {}, 0});
        return StoredText{it->second.text, it->second.asWritten};
    }

    bool writeText(const std::string& name, const std::string& text) override {
        if (!m_writable || m_registry.failWrites) return false;
        m_values[folded(name)] = Stored{text, false};
        m_registry.writes.push_back(name + "=" + text);
        return true;
    }

private:
    FakeRegistry& m_registry;
    Values& m_values;
    bool m_writable;
};

FakeRegistry::Values* FakeRegistry::find(RegistryRoot root, const std::string& path) {
    auto it = m_keys.find({root, folded(path)});
    return it == m_keys.end() ? nullptr : &it->second;
}

const FakeRegistry::Values* FakeRegistry::find(RegistryRoot root, const std::string& path) const {
    auto it = m_keys.find({root, folded(path)});
    return it == m_keys.end() ? nullptr : &it->second;
}

void FakeRegistry::set(RegistryRoot root, const std::string& path, const std::string& name, const std::string& text,
                       bool asWritten) {
    m_keys[{root, folded(path)}][folded(name)] = Stored{text, false, asWritten};
}

void FakeRegistry::setEmptyData(RegistryRoot root, const std::string& path, const std::string& name) {
    m_keys[{root, folded(path)}][folded(name)] = Stored{{}, true};
}

std::optional<std::string> FakeRegistry::text(RegistryRoot root, const std::string& path,
                                              const std::string& name) const {
    const Values* values = find(root, path);
    if (!values) return std::nullopt;
    auto it = values->find(folded(name));
    if (it == values->end()) return std::nullopt;
    return it->second.text;
}

std::optional<std::uint32_t> FakeRegistry::size(RegistryRoot root, const std::string& path,
                                                const std::string& name) const {
    const Values* values = find(root, path);
    if (!values) return std::nullopt;
    auto it = values->find(folded(name));
    if (it == values->end()) return std::nullopt;
    return it->second.emptyData ? 0u : std::uint32_t(it->second.text.size() + 1);
}

bool FakeRegistry::hasKey(RegistryRoot root, const std::string& path) const { return find(root, path) != nullptr; }

std::unique_ptr<autosave::Registry::Key> FakeRegistry::createKey(RegistryRoot root, const std::string& path) {
    // A zero root is no key at all: the call fails as it does on the platform.
    if (failCreateKey || root == RegistryRoot::None) return nullptr;
    return std::make_unique<FakeKey>(*this, m_keys[{root, folded(path)}], true);
}

std::unique_ptr<autosave::Registry::Key> FakeRegistry::openKeyForReading(RegistryRoot root, const std::string& path) {
    Values* values = find(root, path);
    if (!values) return nullptr;
    return std::make_unique<FakeKey>(*this, *values, false);
}

}  // namespace fakes
