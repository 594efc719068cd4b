// The run-time error number an action raises; 0 when it raises none.
#pragma once

#include "platform/AutomationError.h"

#include <cstdint>
#include <functional>

inline std::int32_t errorNumber(const std::function<void()>& action) {
    try {
        action();
    } catch (const autosave::AutomationError& e) {
        return e.info().number;
    }
    return 0;
}
