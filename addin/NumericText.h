// The numeric value of a text, as the Minutes setting is read.
#pragma once

#include <string_view>

namespace autosave {

// The number at the start of text. Blanks, tabs and line feeds are ignored
// wherever they stand; a sign, digits, "." as the decimal point whatever the
// locale, and an exponent are read; "&H" and "&O" introduce a hexadecimal or
// octal whole number. Reading stops at the first character that cannot
// continue the number (a comma included); no number at the start gives 0.
// The result is finite: a number too large for a double, decimal,
// hexadecimal or octal, raises the overflow error; one too small gives 0.
double numericValue(std::string_view text);

}  // namespace autosave
