// The reference host run as a separate process on a script, with its own
// log and error reports: what every host scenario test starts from.
#pragma once

#include <string>
#include <vector>

namespace hostrun {

inline const char kProgId[] = "vokAutoSave412.CAddIn";

struct HostRun {
    unsigned long exitCode = ~0ul;
    std::vector<std::string> log;                   // the host's log, line by line
    std::vector<std::vector<std::string>> reports;  // error reports, split into fields
};

// Runs tessaline.exe on script with extra command-line arguments, with its
// own error log, and collects what it wrote. "$DIR" in the script stands for
// the run's own folder, where its drawings go. Every run starts from the
// default settings, then takes its own from extraArguments. A host still
// running after timeoutMs is a failure and is ended.
HostRun runHost(std::string script, const std::wstring& extraArguments = L"", unsigned long timeoutMs = 60000);
// Arguments every later run adds to its own: the host's manner of raising
// events and taking arguments (/byref, /renumber), so a scenario list runs in each.
void setHostMode(std::wstring arguments);

bool hasLine(const HostRun& run, const std::string& line);
// Position of the first log line that starts with prefix, or -1.
int lineIndex(const HostRun& run, const std::string& prefix);
// The log lines that start with prefix, in order.
std::vector<std::string> linesStartingWith(const HostRun& run, const std::string& prefix);

// "call <ProgID>.<method> -> 0x00000000"
std::string callLine(const char* method);

// Field positions in a report line: timestamp, pid, then the nine arguments.
enum Field { Source = 2, Description, HelpFile, HelpContext, Number, Label, Style, Flag1, Flag2 };
std::vector<std::vector<std::string>> reportsLabelled(const HostRun& run, const std::string& label);
// The labels of every report, in order.
std::vector<std::string> reportLabels(const HostRun& run);

// Exit code 0, no host object left, and the add-in unloadable.
void expectCleanEnd(const HostRun& run);

// A script line "addin <ProgID> <step>".
std::string addIn(const std::string& step);

// The value a "file <path>" step logged for the drawing whose path ends in name.
std::string fileLine(const HostRun& run, const std::string& name);

}  // namespace hostrun
