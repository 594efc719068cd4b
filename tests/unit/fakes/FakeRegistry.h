// An in-memory registry: keys per root, text values, with switches that
// make key creation or value writes fail.
#pragma once

#include "platform/Registry.h"

#include <map>
#include <string>
#include <vector>

namespace fakes {

using autosave::RegistryRoot;

class FakeRegistry final : public autosave::Registry {
public:
    bool failCreateKey = false;
    bool failWrites = false;

    // Every successful write, in order, as "Name=text".
    std::vector<std::string> writes;

    // asWritten false: stored otherwise than writeText would (another type,
    // bytes after the terminator).
    void set(RegistryRoot root, const std::string& path, const std::string& name, const std::string& text,
             bool asWritten = true);
    // A value whose stored data is zero bytes long (not even a terminator).
    void setEmptyData(RegistryRoot root, const std::string& path, const std::string& name);
    std::optional<std::string> text(RegistryRoot root, const std::string& path, const std::string& name) const;
    // The stored size in bytes, terminator included.
    std::optional<std::uint32_t> size(RegistryRoot root, const std::string& path, const std::string& name) const;
    bool hasKey(RegistryRoot root, const std::string& path) const;

    std::unique_ptr<Key> createKey(RegistryRoot root, const std::string& path) override;
    std::unique_ptr<Key> openKeyForReading(RegistryRoot root, const std::string& path) override;

private:
    struct Stored {
        std::string text;
        bool emptyData = false;
        bool asWritten = true;
    };
    // Key paths and value names are kept lower-cased: the registry ignores case.
    using Values = std::map<std::string, Stored>;
    class FakeKey;

    Values* find(RegistryRoot root, const std::string& path);
    const Values* find(RegistryRoot root, const std::string& path) const;

    std::map<std::pair<RegistryRoot, std::string>, Values> m_keys;
};

}  // namespace fakes
