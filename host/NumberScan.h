// The one reader of numbers in text that the core has: automation's number
// syntax, used whole by the value conversions and as a prefix by Val.
#pragma once

#include <cstddef>
#include <string_view>

namespace autosave {

struct ScannedNumber {
    double value = 0;     // finite; a number too small for a double reads as 0
    std::size_t end = 0;  // one past the last character read
    bool found = false;   // false: no number starts at the position
};

// The longest number starting at text[pos]: [sign] digits [. digits]
// [(e|E|d|D) [sign] digits] with "." as the decimal point whatever the
// locale, or "&H" / "&O" and the whole number's digits in that base. An
// exponent letter without digits is not read. A number too large for a
// double raises the overflow error.
ScannedNumber scanNumber(std::string_view text, std::size_t pos = 0);

}  // namespace autosave
