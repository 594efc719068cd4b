// A run-time error: the five fields that every report carries.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace autosave {

struct ErrorInfo {
    std::int32_t number = 0;
    std::string source;
    std::string description;
    std::string helpFile;
    std::int32_t helpContext = 0;
};

// Run-time error numbers the core raises itself.
namespace errors {
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInternalError = 51;
inline constexpr std::int32_t kBadFileName = 52;
inline constexpr std::int32_t kFileNotFound = 53;
inline constexpr std::int32_t kObjectNotSet = 91;
inline constexpr std::int32_t kInvalidPropertyValue = 380;
inline constexpr std::int32_t kObjectRequired = 424;
inline constexpr std::int32_t kCannotCreateObject = 429;
inline constexpr std::int32_t kMemberNotSupported = 438;

// The standard message of one of the numbers above; "" for any other.
std::string_view message(std::int32_t number) noexcept;
}  // namespace errors

class AutomationError : public std::runtime_error {
public:
    explicit AutomationError(ErrorInfo info);
    // An error the core raises: the source is the component's name.
    AutomationError(std::int32_t number, std::string description);

    const ErrorInfo& info() const noexcept { return m_info; }

private:
    ErrorInfo m_info;
};

// Raises run-time error number with its standard message, or with the
// message followed by ": " and detail ("File not found: hhctrl.ocx").
[[noreturn]] void raise(std::int32_t number);
[[noreturn]] void raise(std::int32_t number, std::string_view detail);

}  // namespace autosave
