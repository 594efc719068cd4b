// A 16-byte identifier in the platform's standard layout, usable without
// Windows headers so that the portable core can name interfaces and classes.
#pragma once

#include <cstdint>
#include <string>

namespace autosave {

struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];

    friend bool operator==(const Guid&, const Guid&) = default;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
std::string toString(const Guid& g);

}  // namespace autosave
