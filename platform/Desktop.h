// The rest of the user interface the add-in touches: the process-wide mouse
// pointer, window messages and stacking, the user's locale.
#pragma once

#include <cstdint>

namespace autosave {

inline constexpr int kDefaultPointer = 0;
inline constexpr int kHourglassPointer = 11;

class Desktop {
public:
    virtual ~Desktop() = default;
    // The pointer shape the component's user interface shows: 0 default, 11 hourglass.
    virtual void setMousePointer(int shape) = 0;
    virtual int mousePointer() const = 0;
    // Posts a message; the result is not asked for.
    virtual void postMessage(std::int32_t window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) = 0;
    // Places `window` directly below `insertAfter` in the Z order and activates it.
    virtual void placeBelow(std::int32_t window, std::int32_t insertAfter) = 0;
    virtual std::uint32_t userDefaultLocale() = 0;
};

}  // namespace autosave
