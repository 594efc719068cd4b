// One line of a host script cut into words, and the readers of its words.
#pragma once

#include <windows.h>

#include <charconv>
#include <string_view>
#include <vector>

namespace tessaline {

// Words are separated by blanks; a word in double quotes may hold blanks.
// rest(i) is the raw text from word i on.
class ScriptLine {
public:
    explicit ScriptLine(std::string_view text);
    size_t size() const noexcept { return m_words.size(); }
    // Without its quotes.
    std::string_view operator[](size_t i) const noexcept { return m_words[i]; }
    std::string_view rest(size_t i) const noexcept;
    // The last word alone when it is the only one from i on, else rest(i).
    std::string_view tail(size_t i) const noexcept { return i + 1 == size() ? m_words[i] : rest(i); }

private:
    std::string_view m_text;
    std::vector<std::string_view> m_words;
};

// The blanks between words.
inline bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Script words compare without regard to letter case.
bool same_word(std::string_view a, std::string_view b);

// The whole text as a number; false when it is not one.
template <typename Number>
bool to_number(std::string_view text, Number& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// Seconds as milliseconds; false when text is no non-negative number.
bool to_milliseconds(std::string_view text, DWORD& ms);

}  // namespace tessaline
