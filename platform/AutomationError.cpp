#include "platform/AutomationError.h"

namespace autosave {

namespace errors {
namespace {

struct Message {
    std::int32_t number;
    std::string_view text;
};

// The platform's own wording of each error the core raises.
constexpr Message kMessages[] = {
    {kOverflow, "Overflow"},
    {kOutOfMemory, "Out of memory"},
    {kTypeMismatch, "Type mismatch"},
    {kInternalError, "Internal error"},
    {kBadFileName, "Bad file name or number"},
    {kFileNotFound, "File not found"},
    {kObjectNotSet, "Object variable or With block variable not set"},
    {kInvalidPropertyValue, "Invalid property value"},
    {kObjectRequired, "Object required"},
    {kCannotCreateObject, "ActiveX component can't create object"},
    {kMemberNotSupported, "Object doesn't support this property or method"},
};

}  // namespace

std::string_view message(std::int32_t number) noexcept {
    for (const auto& m : kMessages)
        if (m.number == number) return m.text;
    return {};
}

}  // namespace errors

AutomationError::AutomationError(ErrorInfo info) : std::runtime_error(info.description), m_info(std::move(info)) {}

AutomationError::AutomationError(std::int32_t number, std::string description)
    : AutomationError(ErrorInfo{number, "vokAutoSave412", std::move(description), {}, 0}) {}

void raise(std::int32_t number) { throw AutomationError(number, std::string(errors::message(number))); }

void raise(std::int32_t number, std::string_view detail) {
    throw AutomationError(number, std::string(errors::message(number)) + ": " + std::string(detail));
}

}  // namespace autosave
