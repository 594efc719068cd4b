#include "tessaline/ScriptLine.h"

namespace tessaline {
ScriptLine::ScriptLine(std::string_view text) : m_text(text) {
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && is_space(text[i])) ++i;
        if (i < text.size() && text[i] == '"') {
            size_t close = text.find('"', i + 1);
            if (close == std::string_view::npos) close = text.size();
            m_words.push_back(text.substr(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        size_t start = i;
        while (i < text.size() && !is_space(text[i])) ++i;
        if (i > start) m_words.push_back(text.substr(start, i - start));
    }
}

std::string_view ScriptLine::rest(size_t i) const noexcept {
    if (i >= m_words.size()) return {};
    std::string_view tail = m_text.substr(static_cast<size_t>(m_words[i].data() - m_text.data()));
    while (!tail.empty() && is_space(tail.back())) tail.remove_suffix(1);
    return tail;
}

bool same_word(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool to_milliseconds(std::string_view text, DWORD& ms) {
    double seconds = 0;
    if (!to_number(text, seconds) || !(seconds >= 0) || seconds > 86400) return false;
    ms = static_cast<DWORD>(seconds * 1000 + 0.5);
    return true;
}

}  // namespace tessaline
