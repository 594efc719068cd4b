// The per-user and machine-wide registry, as the settings store uses it.
// Texts are UTF-8 here; the Windows implementation stores UTF-16 REG_SZ.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace autosave {

// Predefined root keys, by their 32-bit handle values.
enum class RegistryRoot : std::uint32_t {
    None = 0,
    CurrentUser = 0x80000001,
    LocalMachine = 0x80000002,
};

class Registry {
public:
    virtual ~Registry() = default;

    class Key {
    public:
        virtual ~Key() = default;
        // The value's stored size in bytes, or nullopt when it is missing.
        virtual std::optional<std::uint32_t> valueSize(const std::string& name) = 0;
        // The value as text without its terminating zero; raises when the
        // value cannot be read as text.
        virtual std::string readText(const std::string& name) = 0;
        // Writes a REG_SZ value; false when the write fails.
        [[nodiscard]] virtual bool writeText(const std::string& name, const std::string& text) = 0;
    };

    // Creates or opens root\path with full access; nullptr on failure.
    virtual std::unique_ptr<Key> createKey(RegistryRoot root, const std::string& path) = 0;
    // Opens root\path for reading only; nullptr on failure.
    virtual std::unique_ptr<Key> openKeyForReading(RegistryRoot root, const std::string& path) = 0;
};

}  // namespace autosave
