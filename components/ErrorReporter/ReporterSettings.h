// Where an error reporter writes and whether it also shows message boxes, as
// configured for the current user when the reporter is created.
#pragma once

#include <string>

namespace components {

struct ReporterSettings {
    std::wstring logFile;
    bool showMessages = false;

    // Reads HKCU\Software\Morvane\ErrorReporter (LogFile, ShowMessages); the
    // environment variable MORVANE_ERRORREPORTER_LOG, when set and non-empty,
    // takes the place of LogFile. Without either the log is
    // %LOCALAPPDATA%\Morvane\ErrorReporter\ErrorReports.log.
    static ReporterSettings load();
};

}  // namespace components
