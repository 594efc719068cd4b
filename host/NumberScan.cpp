#include "host/NumberScan.h"

#include "platform/AutomationError.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace autosave {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int digitValue(char c, int base) {
    int v = -1;
    if (isDigit(c)) v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    return v < base ? v : -1;
}

// "&H1F" / "&O17" from the digits on; they end at the first other character.
ScannedNumber scanWhole(std::string_view text, std::size_t pos, int base) {
    ScannedNumber n{0, pos, false};
    for (int d; n.end < text.size() && (d = digitValue(text[n.end], base)) >= 0; ++n.end) {
        n.value = n.value * base + d;
        n.found = true;
        if (std::isinf(n.value)) raise(errors::kOverflow);
    }
    return n;
}

// Roughly where the first significant digit of a well-formed decimal number
// stands: positive for huge numbers, negative for tiny ones.
long long decimalMagnitude(const std::string& number) {
    long long magnitude = 0;
    std::size_t i = 0, n = number.size();
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

ScannedNumber scanNumber(std::string_view text, std::size_t pos) {
    std::size_t i = pos;
    const std::size_t n = text.size();
    if (i + 1 < n && text[i] == '&') {
        const char radix = text[i + 1];
        if (radix == 'H' || radix == 'h') return scanWhole(text, i + 2, 16);
        if (radix == 'O' || radix == 'o') return scanWhole(text, i + 2, 8);
        return {0, pos, false};
    }

    std::string number;
    if (i < n && (text[i] == '+' || text[i] == '-')) number.push_back(text[i++]);
    bool digits = false;
    while (i < n && isDigit(text[i])) number.push_back(text[i++]), digits = true;
    if (i < n && text[i] == '.') {
        number.push_back(text[i++]);
        while (i < n && isDigit(text[i])) number.push_back(text[i++]), digits = true;
    }
    if (!digits) return {0, pos, false};
    if (i < n && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < n && (text[j] == '+' || text[j] == '-')) exponent.push_back(text[j++]);
        const std::size_t firstDigit = j;
        while (j < n && isDigit(text[j])) exponent.push_back(text[j++]);
        if (j > firstDigit) number += exponent, i = j;
    }
    // from_chars reads "." whatever the process locale, but takes no "+".
    const char* begin = number.c_str() + (number[0] == '+' ? 1 : 0);
    ScannedNumber result{0, i, true};
    auto [end, error] = std::from_chars(begin, number.c_str() + number.size(), result.value);
    if (error == std::errc::result_out_of_range) {
        if (decimalMagnitude(number) > 0) raise(errors::kOverflow);
        result.value = 0;  // too small to hold: as good as zero
    }
    return result;
}

}  // namespace autosave
