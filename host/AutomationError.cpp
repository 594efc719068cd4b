#include "host/AutomationError.h"

namespace autosave {

AutomationError::AutomationError(ErrorInfo info) : std::runtime_error(info.description), m_info(std::move(info)) {}

AutomationError::AutomationError(std::int32_t number, std::string description)
    : AutomationError(ErrorInfo{number, "vokAutoSave412", std::move(description), {}, 0}) {}

}  // namespace autosave
