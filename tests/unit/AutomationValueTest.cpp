// Conversions of automation values, with the automation rules.
#include "host/Automation.h"
#include "platform/AutomationError.h"

#include "fakes/FakeObject.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

using autosave::AutomationError;
using autosave::ObjectPtr;
using autosave::Value;

// The number of the error fn raises, or 0 when it returns.
std::int32_t errorOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const AutomationError& e) {
        return e.info().number;
    }
    return 0;
}

ObjectPtr anObject() { return fakes::FakeObject::make("o", std::make_shared<fakes::CallLog>()); }

TEST(AutomationValue, ToText) {
    EXPECT_EQ(autosave::toText(Value{}), "");
    EXPECT_EQ(autosave::toText(true), "True");
    EXPECT_EQ(autosave::toText(false), "False");
    EXPECT_EQ(autosave::toText(std::int32_t(-42)), "-42");
    EXPECT_EQ(autosave::toText(2.5), "2.5");
    EXPECT_EQ(autosave::toText(std::string("On")), "On");
    EXPECT_EQ(errorOf([] { autosave::toText(anObject()); }), 13);
}

TEST(AutomationValue, ToBool) {
    EXPECT_FALSE(autosave::toBool(Value{}));
    EXPECT_TRUE(autosave::toBool(std::int32_t(-1)));
    EXPECT_TRUE(autosave::toBool(std::int32_t(2)));
    EXPECT_FALSE(autosave::toBool(0.0));
    EXPECT_TRUE(autosave::toBool(std::string("tRUE")));
    EXPECT_FALSE(autosave::toBool(std::string("False")));
    EXPECT_FALSE(autosave::toBool(std::string(" 0 ")));
    EXPECT_TRUE(autosave::toBool(std::string("0.5")));
    EXPECT_EQ(errorOf([] { autosave::toBool(std::string("yes")); }), 13);
    EXPECT_EQ(errorOf([] { autosave::toBool(std::string("")); }), 13);
    EXPECT_EQ(errorOf([] { autosave::toBool(anObject()); }), 13);
}

TEST(AutomationValue, ToInt32RoundsHalvesToEven) {
    // clang-format off
    const std::pair<double, std::int32_t> cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {2.4999, 2}, {2.5001, 3},
        {2147483647.4, 2147483647}, {-2147483648.5, std::numeric_limits<std::int32_t>::min()},
    };
    // clang-format on
    for (const auto& [d, expected] : cases) EXPECT_EQ(autosave::toInt32(d), expected) << d;
    EXPECT_EQ(autosave::toInt32(std::string("2.5")), 2);
    EXPECT_EQ(autosave::toInt32(std::string(" 7 ")), 7);
    EXPECT_EQ(autosave::toInt32(true), -1);
    EXPECT_EQ(autosave::toInt32(Value{}), 0);
}

TEST(AutomationValue, ToInt32RefusesWhatDoesNotFit) {
    EXPECT_EQ(errorOf([] { autosave::toInt32(2147483647.5); }), 6);
    EXPECT_EQ(errorOf([] { autosave::toInt32(-2147483649.0); }), 6);
    EXPECT_EQ(errorOf([] { autosave::toInt32(std::string("1e10")); }), 6);
    EXPECT_EQ(errorOf([] { autosave::toInt32(std::string("abc")); }), 13);
    EXPECT_EQ(errorOf([] { autosave::toInt32(std::string("")); }), 13);
    EXPECT_EQ(errorOf([] { autosave::toInt32(std::string("1 0")); }), 13);
    EXPECT_EQ(errorOf([] { autosave::toInt32(std::string("12abc")); }), 13);
    EXPECT_EQ(errorOf([] { autosave::toInt32(anObject()); }), 13);
}

TEST(AutomationValue, TextsThatAreNotAutomationNumbersAreTypeMismatches) {

    for (const char* text : {"0x10", "inf", "nan", "infinity"}) {
        EXPECT_EQ(errorOf([&] { autosave::toInt32(std::string(text)); }), 13) << text;
        EXPECT_EQ(errorOf([&] { autosave::toBool(std::string(text)); }), 13) << text;
    }
}

TEST(AutomationValue, DoublesBecomeTextAsAutomationFormatsThem) {

    EXPECT_EQ(autosave::toText(0.1 + 0.2), "0.3");
    EXPECT_EQ(autosave::toText(1e20), "1E+20");
    EXPECT_EQ(autosave::toText(-1.5), "-1.5");
}

TEST(AutomationValue, ToObjectAndDeref) {
    ObjectPtr object = anObject();
    EXPECT_EQ(autosave::toObject(object), object);
    EXPECT_EQ(autosave::toObject(ObjectPtr()), nullptr);
    EXPECT_EQ(errorOf([] { autosave::toObject(Value{}); }), 424);
    EXPECT_EQ(errorOf([] { autosave::toObject(std::string("Menus")); }), 424);
    EXPECT_EQ(errorOf([] { autosave::toObject(std::int32_t(1)); }), 424);
    EXPECT_EQ(&autosave::deref(object), object.get());
    EXPECT_EQ(errorOf([] { autosave::deref(nullptr); }), 91);
}

}  // namespace
