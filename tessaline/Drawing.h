// The drawing file format: a text file whose first line is the header
//   TESSALINE-DRAWING 1
// followed by one shape per line, "<kind> <x1> <y1> <x2> <y2>", kind being
// line, rect or ellipse, coordinates decimal integers. Blank lines are
// ignored; lines end in CR LF when written, LF alone is read too.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace tessaline::drawing {

inline constexpr char kHeader[] = "TESSALINE-DRAWING 1";

using Shapes = std::vector<std::string>;

// What a new drawing holds.
Shapes default_shapes();
// A well-formed shape line, as written.
bool is_shape(std::string_view line);
// The shape "modify" adds to a drawing that holds count shapes; it differs from the previous ones.
std::string next_shape(size_t count);

// The file's text; empty error on success.
std::string format(const Shapes& shapes);
bool parse(std::string_view text, Shapes& shapes, std::string& error);

// ERROR_SUCCESS or the Win32 error of the failing step.
DWORD read_file(const std::wstring& path, std::string& text);
DWORD write_file(const std::wstring& path, std::string_view text);

// The system's message for a Win32 error, without the trailing line break;
// "error N" when the system has none.
std::wstring system_message(DWORD error);

}  // namespace tessaline::drawing
