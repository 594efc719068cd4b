// libFuzzer target: how a Minutes text becomes a number. Beyond "no crash"
// under the sanitizers, each input is held to what numericValue promises:
// a finite value or the overflow error, blanks that change nothing, reading
// that stops at a comma, signs, whole hexadecimal and octal numbers, zero
// for a text without a leading number, and decimal texts read as the C
// library reads them.
#include "addin/NumericText.h"

#include "platform/AutomationError.h"

#include <bit>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

using Outcome = std::optional<double>;  // nullopt: the overflow error

[[noreturn]] void fail(const char* property, std::string_view text) {
    std::fprintf(stderr, "numericValue: %s for \"", property);
    for (unsigned char c : text)
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') std::fputc(c, stderr);
        else std::fprintf(stderr, "\\x%02x", c);
    std::fprintf(stderr, "\"\n");
    std::abort();
}

Outcome read(std::string_view text) {
    try {
        const double value = autosave::numericValue(text);
        if (!std::isfinite(value)) fail("a value that is not finite", text);
        return value;
    } catch (const autosave::AutomationError& e) {
        if (e.info().number != autosave::errors::kOverflow) fail("an error other than overflow", text);
        return std::nullopt;
    } catch (...) {
        fail("an exception that is no run-time error", text);
    }
}

void expectSame(const Outcome& got, const Outcome& expected, const char* property, std::string_view text) {
    if (got.has_value() != expected.has_value() || (got && *got != *expected)) fail(property, text);
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string withoutBlanks(std::string_view text) {
    std::string s;
    for (char c : text)
        if (!isBlank(c)) s.push_back(c);
    return s;
}

bool startsNumber(const std::string& s) {
    size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    if (i < s.size() && isDigit(s[i])) return true;
    return i + 1 < s.size() && s[i] == '.' && isDigit(s[i + 1]);
}

int radixOf(const std::string& s) {
    if (s.size() < 2 || s[0] != '&') return 0;
    if (s[1] == 'H' || s[1] == 'h') return 16;
    if (s[1] == 'O' || s[1] == 'o') return 8;
    return 0;
}

int digitIn(char c, int radix) {
    int d = isDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : 99;
    return d < radix ? d : -1;
}

// "&H" / "&O": a whole number, exact while it fits 52 bits, overflowing only
// when it cannot be held at all.
void checkRadix(const std::string& s, const Outcome& got, std::string_view text) {
    const int radix = radixOf(s), bits = radix == 16 ? 4 : 3;
    std::uint64_t exact = 0;
    int significantBits = 0;
    for (size_t i = 2; i < s.size() && digitIn(s[i], radix) >= 0; ++i) {
        const int d = digitIn(s[i], radix);
        if (significantBits == 0 && d == 0) continue;
        significantBits = significantBits == 0 ? int(std::bit_width(unsigned(d))) : significantBits + bits;
        if (significantBits <= 52) exact = exact * radix + d;
    }
    if (!got) {
        if (significantBits < DBL_MAX_EXP) fail("an overflow of a whole number that fits", text);
        return;
    }
    if (*got < 0 || std::trunc(*got) != *got) fail("a hexadecimal or octal number that is not whole", text);
    if (significantBits <= 52 && *got != double(exact)) fail("a wrong hexadecimal or octal value", text);
}

// A decimal text, cut where it can no longer continue a number ("d" as an
// exponent letter read as "e"), as strtod reads it in the C locale.
void checkDecimal(const std::string& s, const Outcome& got, std::string_view text) {
    std::string cut;
    for (char c : s) {
        if (c == 'd' || c == 'D') c = 'e';
        if (!isDigit(c) && c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E') break;
        cut.push_back(c);
    }
    errno = 0;
    char* end = nullptr;
    const double expected = std::strtod(cut.c_str(), &end);
    const bool range = errno == ERANGE;
    if (end == cut.c_str()) return expectSame(got, 0.0, "a value for a text without a number", text);
    if (range && std::fabs(expected) == HUGE_VAL) return expectSame(got, std::nullopt, "no overflow", text);
    if (!got) fail("an overflow of a number that fits", text);
    // Underflow: the C library may keep a denormal where zero is read.
    if (*got != expected && !(range && *got == 0 && std::fabs(expected) < DBL_MIN))
        fail("a value other than the C library's", text);
}

void checkText(std::string_view text) {
    const Outcome got = read(text);
    const std::string s = withoutBlanks(text);
    expectSame(read(s), got, "blanks that change the value", text);
    expectSame(read(std::string(text) + "," + std::string(text)), got, "reading past a comma", text);

    if (radixOf(s)) return checkRadix(s, got, text);
    if (!startsNumber(s)) return expectSame(got, 0.0, "a value for a text without a number", text);
    checkDecimal(s, got, text);
    if (s[0] != '+' && s[0] != '-') {
        expectSame(read("+" + std::string(text)), got, "a plus sign that changes the value", text);
        expectSame(read("-" + std::string(text)), got ? Outcome(-*got) : got, "a minus sign that does not negate",
                   text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    checkText(raw);

    // The same bytes over the characters a number is made of, so that most
    // inputs reach deep into the grammar.
    static constexpr char kAlphabet[] = "0123456789012345.+-eEdD,&HhOoFf \t\nx";
    std::string numeric, digits;
    for (unsigned char c : raw) {
        numeric.push_back(kAlphabet[c % (sizeof kAlphabet - 1)]);
        digits.push_back(char('0' + c % 10));
    }
    checkText(numeric);

    // A plain decimal integer gives its value.
    if (!digits.empty() && digits.size() <= 18) {
        const double value = double(std::strtoll(digits.c_str(), nullptr, 10));
        expectSame(read(digits), value, "a decimal integer read wrongly", digits);
        expectSame(read("-" + digits), -value, "a negative decimal integer read wrongly", digits);
    }
    return 0;
}
