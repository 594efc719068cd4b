#include "platform/win32/Win32Registry.h"

#include "platform/AutomationError.h"
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
// Settings and file names fit this many characters; larger texts take a
// second query.
constexpr size_t kFirstReadChars = 128;

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

    std::optional<autosave::Registry::StoredText> readText(const std::string& name) override {
        const std::wstring wideName = widen(name);
        // One query reads a value that fits the first buffer, as settings
        // do; a larger one is read again at its size. It may change between
        // the queries: a few tries, then give up rather than loop. The
        // buffer keeps a spare character, so the text always ends within it.
        std::vector<wchar_t> buffer(kFirstReadChars + 1, L'\0');
        for (int attempt = 0; attempt < 4; ++attempt) {
            DWORD type = 0;
            DWORD got = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
            LONG status = RegQueryValueExW(m_key.get(), wideName.c_str(), nullptr, &type,
                                           reinterpret_cast<BYTE*>(buffer.data()), &got);
            // Whatever keeps the first query from the value counts as missing.
            if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) {
                if (attempt == 0) return std::nullopt;
                unreadable("The registry value cannot be read");
            }
            if (got == 0) unreadable("The registry value is empty");
            if (type != REG_SZ && type != REG_EXPAND_SZ) unreadable("The registry value is not text");
            if (got > kLargestText) unreadable("The registry value is too large");
            if (status == ERROR_MORE_DATA) {
                buffer.assign(got / sizeof(wchar_t) + 2, L'\0');
                continue;
            }
            // The text ends at its first zero (the terminator, or an embedded
            // one); an odd trailing byte is no character.
            const size_t chars = got / sizeof(wchar_t);
            size_t end = 0;
            while (end < chars && buffer[end] != L'\0') ++end;
            const std::wstring_view wide(buffer.data(), end);
            autosave::Registry::StoredText stored{narrow(wide), false};
            stored.asWritten = type == REG_SZ && got == (end + 1) * sizeof(wchar_t) && widen(stored.text) == wide;
            return stored;
        }
        unreadable("The registry value keeps changing");
    }

    bool writeText(const std::string& name, const std::string& text) override {
        std::wstring data = widen(text);
        DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(m_key.get(), widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                              bytes) == ERROR_SUCCESS;
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
    if (RegCreateKeyExW(rootKey(root), widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        key.put(), &disposition) != ERROR_SUCCESS)
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
