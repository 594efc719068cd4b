// The external error reporter, as the add-in calls it.
#pragma once

#include <cstdint>
#include <string>

namespace autosave {

class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    // Records one report; a failure of the reporter raises an AutomationError.
    virtual void ReportError(const std::string& source, const std::string& description, const std::string& helpFile,
                             std::int32_t helpContext, std::int32_t number, const std::string& label,
                             std::int32_t style, std::int32_t flag1, std::int32_t flag2) = 0;
};

}  // namespace autosave
