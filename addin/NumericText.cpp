#include "addin/NumericText.h"

#include "host/NumberScan.h"

#include <string>

namespace autosave {

double numericValue(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') s.push_back(c);
    return scanNumber(s).value;  // no number: 0
}

}  // namespace autosave
