#include "tessaline/Drawing.h"

#include "platform/win32/SystemMessage.h"
#include "platform/win32/Unique.h"

#include <charconv>

namespace tessaline::drawing {
namespace {

constexpr const char* kKinds[] = {"line", "rect", "ellipse"};

bool is_number(std::string_view word) {
    int value = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    return ec == std::errc() && end == word.data() + word.size() && !word.empty();
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

}  // namespace

Shapes default_shapes() { return {"rect 10 10 210 110", "ellipse 60 30 160 90"}; }

bool is_shape(std::string_view line) {
    auto w = words(line);
    if (w.size() != 5) return false;
    bool known = false;
    for (const char* kind : kKinds) known = known || w[0] == kind;
    for (size_t i = 1; i < 5; ++i) known = known && is_number(w[i]);
    return known;
}

std::string next_shape(size_t count) {
    // Spread over the page so that consecutive shapes never coincide.
    int x = static_cast<int>(20 + (count * 37) % 500), y = static_cast<int>(20 + (count * 53) % 400);
    return std::string(kKinds[count % 3]) + " " + std::to_string(x) + " " + std::to_string(y) + " " +
           std::to_string(x + 40 + static_cast<int>(count % 7) * 10) + " " + std::to_string(y + 30);
}

std::string format(const Shapes& shapes) {
    std::string text = kHeader;
    text += "\r\n";
    for (const auto& shape : shapes) {
        text += shape;
        text += "\r\n";
    }
    return text;
}

bool parse(std::string_view text, Shapes& shapes, std::string& error) {
    shapes.clear();
    int number = 0;
    bool header = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        start = end + 1;
        ++number;
        if (!header) {
            if (line != kHeader) {
                error = "not a drawing (no header)";
                return false;
            }
            header = true;
            continue;
        }
        if (words(line).empty()) continue;
        if (!is_shape(line)) {
            error = "line " + std::to_string(number) + " is not a shape";
            return false;
        }
        shapes.emplace_back(line);
    }
    if (!header) {
        error = "not a drawing (empty file)";
        return false;
    }
    return true;
}

DWORD read_file(const std::wstring& path, std::string& text) {
    text.clear();
    win32::unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return GetLastError();
        if (got == 0) return ERROR_SUCCESS;
        text.append(buffer, got);
    }
}

DWORD write_file(const std::wstring& path, std::string_view text) {
    // Checked here too: a process with root rights under Wine could write it anyway.
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return ERROR_ACCESS_DENIED;
    win32::unique_hfile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return GetLastError();
    if (written != text.size()) return ERROR_WRITE_FAULT;
    if (!FlushFileBuffers(file.get())) return GetLastError();
    return ERROR_SUCCESS;
}

std::wstring system_message(DWORD error) {
    std::wstring text = win32::system_message(error);
    return text.empty() ? L"error " + std::to_wstring(error) : text;
}

}  // namespace tessaline::drawing
