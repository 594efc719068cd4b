// The label of one line of the error reporter's log.
#pragma once

#include <string>
#include <string_view>

// Fields: timestamp, pid, source, description, help file, context, number,
// label, ...; empty when the line has fewer.
inline std::string reportLabel(std::string_view line) {
    size_t at = 0;
    for (int field = 0; field < 7; ++field) {
        at = line.find('\t', at);
        if (at == std::string_view::npos) return {};
        ++at;
    }
    return std::string(line.substr(at, line.find('\t', at) - at));
}
