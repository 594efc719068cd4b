#include "addin/NumericText.h"

#include "host/AutomationError.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace autosave {
namespace {

bool isIgnored(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int digitValue(char c, int base) {
    int v = -1;
    if (isDigit(c)) v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    return v < base ? v : -1;
}

[[noreturn]] void overflow() { throw AutomationError(errors::kOverflow, "Overflow"); }

// "&H1F" / "&O17": the whole number in that base; digits end at the first
// other character. One too large for a double overflows, as a decimal does.
double radixValue(const std::string& s, size_t pos, int base) {
    double value = 0;
    for (; pos < s.size(); ++pos) {
        int d = digitValue(s[pos], base);
        if (d < 0) break;
        value = value * base + d;
        if (std::isinf(value)) overflow();
    }
    return value;
}

// Roughly where the first significant digit of a well-formed decimal number
// stands: positive for huge numbers, negative for tiny ones.
long long decimalMagnitude(const std::string& number) {
    long long magnitude = 0;
    size_t i = 0, n = number.size();
    while (i < n && !isDigit(number[i]) && number[i] != '.') ++i;
    while (i < n && number[i] == '0') ++i;
    bool significant = false;
    for (; i < n && isDigit(number[i]); ++i) ++magnitude, significant = true;
    if (i < n && number[i] == '.') {
        for (++i; !significant && i < n && number[i] == '0'; ++i) --magnitude;
        while (i < n && isDigit(number[i])) ++i;
    }
    if (i < n && number[i] == 'e') {
        // Saturates; the clamp still exceeds any count of digits, so a huge
        // mantissa cannot outweigh a huge exponent of the other sign.
        constexpr long long kLimit = 1LL << 62;
        long long exponent = std::strtoll(number.c_str() + i + 1, nullptr, 10);
        magnitude += std::clamp(exponent, -kLimit, kLimit);
    }
    return magnitude;
}

}  // namespace

double numericValue(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (!isIgnored(c)) s.push_back(c);

    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'H' || s[1] == 'h') return radixValue(s, 2, 16);
        if (s[1] == 'O' || s[1] == 'o') return radixValue(s, 2, 8);
        return 0;
    }

    // The longest prefix of the form [sign] digits [. digits] [(e|d) [sign] digits].
    std::string number;
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) number.push_back(s[i++]);
    bool digits = false;
    while (i < s.size() && isDigit(s[i])) number.push_back(s[i++]), digits = true;
    if (i < s.size() && s[i] == '.') {
        number.push_back(s[i++]);
        while (i < s.size() && isDigit(s[i])) number.push_back(s[i++]), digits = true;
    }
    if (!digits) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
        size_t firstDigit = j;
        while (j < s.size() && isDigit(s[j])) exponent.push_back(s[j++]);
        if (j > firstDigit) number += exponent;
    }
    // from_chars reads "." whatever the process locale, but takes no "+".
    const char* begin = number.c_str();
    if (*begin == '+') ++begin;
    double value = 0;
    auto [end, error] = std::from_chars(begin, number.c_str() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        if (decimalMagnitude(number) > 0) overflow();
        return 0;  // too small to hold: as good as zero
    }
    return value;
}

}  // namespace autosave
