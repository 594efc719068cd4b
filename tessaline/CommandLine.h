// The host's command line.
//   tessaline.exe [/script <file>] [/log <file>] [/noaddins] [/addin <ProgID>]... [/fail <Member>]...
//                 [/language ENU|DEU|JPN] [/setting <Name>=<Value>]... [/byref] [/renumber]
//   tessaline.exe /regserver | /unregserver
//   tessaline.exe /regaddin <dll> <ProgID> | /unregaddin <dll> <ProgID>
// /addin loads the class in addition to the registered add-ins; with
// /noaddins it loads instead of them. /language picks the menu bar's
// language instead of the user's; /setting writes one of the add-in's
// settings before the add-ins load. /byref raises every event with its
// arguments by reference and makes by-reference parameters refuse values;
// /renumber raises the application events under their second numbering.
// /fail arms a failure for the whole session; a script's fail step arms and
// lifts them as it goes.
// Switches may start with '/' or '-'.
#pragma once

#include "tessaline/HostSession.h"

#include <string>

namespace tessaline {

struct CommandLine {
    enum class Action { Run, RegisterHost, UnregisterHost, RegisterAddIn, UnregisterAddIn };

    Action action = Action::Run;
    std::wstring addInDll;
    std::wstring addInProgId;
    std::wstring script;
    std::wstring logFile;
    SessionOptions session;
    std::string error;  // set when the command line makes no sense

    static CommandLine parse(int argc, const wchar_t* const* argv);
    static const char* usage() noexcept;
};

}  // namespace tessaline
