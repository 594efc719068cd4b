// The rest of the user interface the add-in touches: the process-wide mouse
// pointer, window messages and stacking, message boxes, the help viewer, the
// user's locale and its reading of numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace autosave {

inline constexpr int kDefaultPointer = 0;
inline constexpr int kHourglassPointer = 11;
inline constexpr std::uint32_t kMessageBoxInformation = 64;  // OK button, information icon

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
    // A modal message box without an owner; returns when it is closed.
    virtual void messageBox(const std::string& text, const std::string& title, std::uint32_t flags) = 0;
    // Asks the help viewer to open context `context` of helpFile for the
    // window `caller`; what the viewer answers is not asked for. A helpFile
    // that is not a full path ("X:\..." or "\\server\share\...") raises
    // error 52 instead of being looked for in the current directory.
    virtual void showHelp(std::int32_t caller, const std::string& helpFile, std::uint32_t context) = 0;
    // The number the text stands for as a whole under the user's locale, as
    // the platform's standard conversion reads it (blanks around it, a sign,
    // digit grouping, an exponent); nothing when it is not numeric.
    virtual std::optional<double> numberFromText(const std::string& text) = 0;
};

}  // namespace autosave
