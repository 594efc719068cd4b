// The log file of the error reporter: one UTF-8 line per report, fields
// separated by tabs, appended by any number of processes.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace components {

struct Report {
    std::wstring_view source;
    std::wstring_view description;
    std::wstring_view helpFile;
    long helpContext = 0;
    long number = 0;
    std::wstring_view label;
    long style = 0;
    long flag1 = 0;
    long flag2 = 0;
};

// UTF-8 of text with tab, line feed, carriage return and backslash written
// as \t \n \r \\, so that a field never splits its line.
std::string escape_field(std::wstring_view text);

// At most this many bytes per line, CR LF included: a report that would be
// longer has its longest texts cut, each between two characters and ending
// in kCutMarker, so one huge text cannot swell the log.
inline constexpr size_t kMaxLineSize = 8192;
inline constexpr std::string_view kCutMarker = " [cut]";

// "2024-05-01T13:45:07<TAB>pid<TAB>source<TAB>...<TAB>flag2\r\n"
std::string format_report_line(const SYSTEMTIME& localTime, DWORD processId, const Report& report);

// Size from which a log starts anew: a line that would take it past this
// size first moves the file to "<path>.1", replacing an older one there.
inline constexpr unsigned long long kLogRotationSize = 1024 * 1024;

// Appends line to the file at path, creating the file and its folder when
// missing, and rotating it as above. Opens and closes the file per call,
// sharing it with other writers.
HRESULT append_to_log(const std::wstring& path, std::string_view line);

// Where reports go when the log cannot take them: ErrorReports.log in
// Morvane\ErrorReporter below the user's temporary folder.
std::wstring fallback_log_file();

// Records line wherever it can: the log at path, else the fallback file,
// else the debugger output. Never fails.
void record_report_line(const std::wstring& path, std::string_view line) noexcept;

}  // namespace components
