// The numeric value of a text, as Minutes is read.
#include "addin/NumericText.h"

#include "platform/AutomationError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

using autosave::AutomationError;
using autosave::numericValue;

struct Case {
    const char* text;
    double value;
};

TEST(NumericText, ReadsTheNumberAtTheStartOfTheText) {
    // clang-format off
    const Case cases[] = {
        // Blanks, tabs and line feeds are ignored wherever they stand.
        {"10", 10}, {"1 0", 10}, {" \t1\n2 ", 12}, {"1 . 5 e 1", 15},
        // Sign and decimals, "." whatever the locale.
        {"-5", -5}, {"+5", 5}, {"- 5", -5}, {"2.5", 2.5}, {".5", 0.5}, {"5.", 5}, {"-.25", -0.25},
        // Exponent letters.
        {"1e2", 100}, {"1E2", 100}, {"1d2", 100}, {"1D2", 100}, {"1e+2", 100}, {"25e-1", 2.5},
        // Incomplete exponent: the mantissa alone.
        {"1e", 1}, {"1e+", 1}, {"1ex", 1}, {"3D", 3},
        // Hexadecimal and octal whole numbers.
        {"&H1F", 31}, {"&h1f", 31}, {"&o17", 15}, {"&O17", 15}, {"&H1G", 1}, {"&O8", 0}, {"&H", 0}, {"&X1", 0},
        // Reading stops at the first character that cannot continue.
        {"1,5", 1}, {"1,000", 1}, {"12abc", 12}, {"1.5.3", 1.5}, {"10 minutes", 10}, {"4-2", 4},
        // No number at the start.
        {"", 0}, {".", 0}, {"-", 0}, {"abc", 0}, {"x12", 0}, {"$5", 0}, {"&", 0}, {"e5", 0},
        // Too small to hold.
        {"1e-400", 0}, {"-1e-400", 0},
    };
    // clang-format on
    for (const auto& [text, value] : cases) EXPECT_EQ(numericValue(text), value) << '"' << text << '"';
}

TEST(NumericText, NumbersTooLargeToHoldOverflow) {
    for (const std::string& text :
         {std::string("1e400"), std::string("-1e400"), std::string("1 e 309"), std::string(400, '9'),
          "&H" + std::string(300, 'F'), "&O" + std::string(400, '7')}) {
        try {
            numericValue(text);
            ADD_FAILURE() << '"' << text << "\" gave no error";
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.info().number, 6) << text;
        }
    }
}

TEST(NumericText, AMantissaOfAMillionDigitsDoesNotOutweighAnExponentOfTheOtherSign) {
    const std::string zeros(1'100'000, '0');
    EXPECT_EQ(numericValue("1" + zeros + "e-2000000"), 0);                    // 1e-899999: too small
    EXPECT_THROW(numericValue("0." + zeros + "1e2000000"), AutomationError);  // 1e899999
}

TEST(NumericText, EveryFiniteDoubleReadsBackExactlyWhateverBlanksAreInserted) {
    std::mt19937_64 random(20240611);
    const char blanks[] = {' ', '\t', '\n'};
    int checked = 0;
    while (checked < 4000) {
        std::uint64_t bits = random();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        if (!std::isfinite(d)) continue;
        ++checked;

        char text[40];
        std::snprintf(text, sizeof text, "%.17g", d);
        ASSERT_EQ(numericValue(text), d) << text;

        std::string spaced = text;
        for (int n = int(random() % 4); n > 0; --n)
            spaced.insert(random() % (spaced.size() + 1), 1, blanks[random() % 3]);
        ASSERT_EQ(numericValue(spaced), d) << '"' << spaced << '"';
    }
}

}  // namespace
