#include "platform/win32/Win32Registry.h"

#include "host/AutomationError.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include <vector>

namespace win32 {
namespace {

// Standard read rights, query values and enumerate sub-keys, no notification.
constexpr REGSAM kReadOnly = 0x20009;
// Larger texts are not settings or file names; refusing them keeps a hostile
// value from exhausting memory.
constexpr DWORD kLargestText = 1 << 20;

HKEY rootKey(autosave::RegistryRoot root) {
    // Predefined keys are sign-extended 32-bit values, as in the SDK.
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(static_cast<std::uint32_t>(root))));
}

[[noreturn]] void unreadable(const char* why) {
    throw autosave::AutomationError(autosave::ErrorInfo{5, "vokAutoSave412", why, {}, 0});
}

class Win32Key final : public autosave::Registry::Key {
public:
    explicit Win32Key(unique_hkey key) : m_key(std::move(key)) {}

    std::optional<std::uint32_t> valueSize(const std::string& name) override {
        DWORD size = 0;
        LONG status = RegQueryValueExW(m_key.get(), widen(name).c_str(), nullptr, nullptr, nullptr, &size);
        if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return std::nullopt;
        return size;
    }

    std::string readText(const std::string& name) override {
        const std::wstring wideName = widen(name);
        // The value may change between the size query and the read; a few
        // tries with the new size, then give up rather than loop.
        for (int attempt = 0; attempt < 3; ++attempt) {
            DWORD type = 0, size = 0;
            if (RegQueryValueExW(m_key.get(), wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
                unreadable("The registry value cannot be read");
            if (size == 0) unreadable("The registry value is empty");
            if (type != REG_SZ && type != REG_EXPAND_SZ) unreadable("The registry value is not text");
            if (size > kLargestText) unreadable("The registry value is too large");
            // One spare character so the text always ends within the buffer.
            std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
            DWORD got = size;
            LONG status = RegQueryValueExW(m_key.get(), wideName.c_str(), nullptr, &type,
                                           reinterpret_cast<BYTE*>(buffer.data()), &got);
            if (status == ERROR_MORE_DATA) continue;
            if (status != ERROR_SUCCESS) unreadable("The registry value cannot be read");
            if (type != REG_SZ && type != REG_EXPAND_SZ) unreadable("The registry value is not text");
            // The text ends at its first zero (the terminator, or an embedded
            // one); an odd trailing byte is no character.
            size_t chars = got / sizeof(wchar_t);
            size_t end = 0;
            while (end < chars && buffer[end] != L'\0') ++end;
            return narrow(std::wstring_view(buffer.data(), end));
        }
        unreadable("The registry value keeps changing");
    }

    bool writeText(const std::string& name, const std::string& text) override {
        std::wstring data = widen(text);
        DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(m_key.get(), widen(name).c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(data.c_str()), bytes) == ERROR_SUCCESS;
    }

private:
    unique_hkey m_key;
};

}  // namespace

std::unique_ptr<autosave::Registry::Key> Win32Registry::createKey(autosave::RegistryRoot root,
                                                                  const std::string& path) {
    if (root == autosave::RegistryRoot::None) return nullptr;
    unique_hkey key;
    DWORD disposition = 0;
    if (RegCreateKeyExW(rootKey(root), widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, key.put(), &disposition) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<Win32Key>(std::move(key));
}

std::unique_ptr<autosave::Registry::Key> Win32Registry::openKeyForReading(autosave::RegistryRoot root,
                                                                          const std::string& path) {
    if (root == autosave::RegistryRoot::None) return nullptr;
    unique_hkey key;
    if (RegOpenKeyExW(rootKey(root), widen(path).c_str(), 0, kReadOnly, key.put()) != ERROR_SUCCESS) return nullptr;
    return std::make_unique<Win32Key>(std::move(key));
}

}  // namespace win32
