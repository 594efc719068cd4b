#include "fakes/CallLog.h"

namespace fakes {

std::vector<std::string> CallLog::startingWith(std::initializer_list<std::string_view> prefixes) const {
    std::vector<std::string> found;
    for (const auto& e : m_entries)
        for (std::string_view prefix : prefixes)
            if (std::string_view(e).substr(0, prefix.size()) == prefix) {
                found.push_back(e);
                break;
            }
    return found;
}

std::vector<std::string> CallLog::containing(std::string_view part) const {
    std::vector<std::string> found;
    for (const auto& e : m_entries)
        if (e.find(part) != std::string::npos) found.push_back(e);
    return found;
}

}  // namespace fakes
