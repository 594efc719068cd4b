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

    // A text value as read.
    struct StoredText {
        std::string text;
        // Stored just as writeText(name, text) would store it: writing it
        // again would change nothing.
        bool asWritten = false;
    };

    class Key {
    public:
        virtual ~Key() = default;
        // The value as text up to its first zero, or nullopt when it is
        // missing; raises when it is there but cannot be read as text.
        virtual std::optional<StoredText> readText(const std::string& name) = 0;
        // Writes a REG_SZ value; false when the write fails.
        [[nodiscard]] virtual bool writeText(const std::string& name, const std::string& text) = 0;
    };

    // Creates or opens root\path to write its values (no more access than
    // that); nullptr on failure.
    virtual std::unique_ptr<Key> createKey(RegistryRoot root, const std::string& path) = 0;
    // Opens root\path for reading only; nullptr on failure.
    virtual std::unique_ptr<Key> openKeyForReading(RegistryRoot root, const std::string& path) = 0;
};

}  // namespace autosave
