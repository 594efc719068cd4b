// Every call the fakes receive, in order, one line per call:
// "app.get orvapplication", "Tools.items.call AddCommand(Caption,ProgId)".
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace fakes {

class CallLog {
public:
    void add(std::string entry) { m_entries.push_back(std::move(entry)); }
    void clear() { m_entries.clear(); }
    const std::vector<std::string>& entries() const { return m_entries; }

    // The entries that start with prefix, in order.
    std::vector<std::string> startingWith(std::string_view prefix) const { return startingWith({prefix}); }
    // The entries that start with any of the prefixes, in order.
    std::vector<std::string> startingWith(std::initializer_list<std::string_view> prefixes) const;
    // The entries that contain part anywhere.
    std::vector<std::string> containing(std::string_view part) const;

private:
    std::vector<std::string> m_entries;
};

}  // namespace fakes
