#include "host/Automation.h"

#include "platform/AutomationError.h"
#include "host/NumberScan.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

namespace autosave {
namespace {

[[noreturn]] void typeMismatch() { raise(errors::kTypeMismatch); }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A text that is a number as a whole, as automation reads one: blanks around
// it and the number itself. C forms such as "0x10", "inf" or "nan" are no
// numbers here.
bool parseNumber(std::string_view text, double& out) {
    auto skipBlanks = [&](std::size_t i) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        return i;
    };
    ScannedNumber number = scanNumber(text, skipBlanks(0));
    out = number.value;
    return number.found && skipBlanks(number.end) == text.size();
}

std::int32_t roundToInt32(double value) {
    // Automation rounds halves to the even neighbour.
    double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max()))
        raise(errors::kOverflow);
    return static_cast<std::int32_t>(rounded);
}

}  // namespace

Object& deref(const ObjectPtr& object) {
    if (!object) raise(errors::kObjectNotSet);
    return *object;
}

std::string toText(const Value& value) {
    struct Visitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(bool b) const { return b ? "True" : "False"; }
        std::string operator()(std::int32_t i) const { return std::to_string(i); }
        std::string operator()(double d) const {
            // Fifteen significant digits and "1E+20" for large magnitudes, as
            // automation writes a double.
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, "%.15G", d);
            return buffer;
        }
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(const ObjectPtr&) const { typeMismatch(); }
    };
    return std::visit(Visitor{}, value);
}

bool toBool(const Value& value) {
    struct Visitor {
        bool operator()(std::monostate) const { return false; }
        bool operator()(bool b) const { return b; }
        bool operator()(std::int32_t i) const { return i != 0; }
        bool operator()(double d) const { return d != 0.0; }
        bool operator()(const std::string& s) const {
            if (equalsIgnoringCase(s, "True")) return true;
            if (equalsIgnoringCase(s, "False")) return false;
            double d = 0;
            if (!parseNumber(s, d)) typeMismatch();
            return d != 0.0;
        }
        bool operator()(const ObjectPtr&) const { typeMismatch(); }
    };
    return std::visit(Visitor{}, value);
}

std::int32_t toInt32(const Value& value) {
    struct Visitor {
        std::int32_t operator()(std::monostate) const { return 0; }
        std::int32_t operator()(bool b) const { return b ? -1 : 0; }
        std::int32_t operator()(std::int32_t i) const { return i; }
        std::int32_t operator()(double d) const { return roundToInt32(d); }
        std::int32_t operator()(const std::string& s) const {
            double d = 0;
            if (!parseNumber(s, d)) typeMismatch();
            return roundToInt32(d);
        }
        std::int32_t operator()(const ObjectPtr&) const { typeMismatch(); }
    };
    return std::visit(Visitor{}, value);
}

ObjectPtr toObject(const Value& value) {
    if (const auto* object = std::get_if<ObjectPtr>(&value)) return *object;
    raise(errors::kObjectRequired);
}

std::string toString(const Guid& g) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1, g.data2,
                  g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6],
                  g.data4[7]);
    return buffer;
}

std::string toPathText(const Value& value) {
    std::string text = toText(value);
    if (text.find('\0') != std::string::npos)
        throw AutomationError(5, "Invalid procedure call or argument: a zero character in a path");
    return text;
}

}  // namespace autosave
