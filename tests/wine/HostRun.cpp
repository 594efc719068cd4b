#include "HostRun.h"

#include "WineTest.h"

#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace hostrun {
namespace {

std::string readFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == separator) {
            parts.push_back(part);
            part.clear();
        } else if (c != '\r') {
            part.push_back(c);
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

std::wstring tempFolder() {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    static int run = 0;
    std::wstring folder = std::wstring(base) + L"host_run_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                          std::to_wstring(++run);
    // Process ids come round again: a folder of an earlier run is emptied.
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS) {
        WIN32_FIND_DATAW found;
        win32::unique_hfind find(FindFirstFileW((folder + L"\\*").c_str(), &found));
        for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.get(), &found)) {
            const std::wstring file = folder + L"\\" + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(file.c_str());
        }
    }
    return folder;
}

}  // namespace

namespace {
std::wstring& hostMode() {
    static std::wstring mode;
    return mode;
}
}  // namespace

void setHostMode(std::wstring arguments) { hostMode() = std::move(arguments); }

HostRun runHost(std::string script, const std::wstring& extraArguments, unsigned long timeoutMs) {
    const std::wstring folder = tempFolder();
    const std::wstring scriptPath = folder + L"\\script.txt", logPath = folder + L"\\host.log",
                       reportsPath = folder + L"\\reports.log";
    for (size_t at; (at = script.find("$DIR")) != std::string::npos;) script.replace(at, 4, win32::narrow(folder));
    // Process ids come round again: a folder of an earlier run may hold old logs.
    DeleteFileW(logPath.c_str());
    DeleteFileW(reportsPath.c_str());
    std::ofstream(scriptPath.c_str(), std::ios::binary) << script;
    SetEnvironmentVariableW(L"MORVANE_ERRORREPORTER_LOG", reportsPath.c_str());

    // Settings persist per user: every run starts from the defaults, then
    // takes its own.
    std::wstring command = L"tessaline.exe /script \"" + scriptPath + L"\" /log \"" + logPath + L"\" " +
                           L"/setting Status=On /setting Documents=Active /setting Minutes=10 /setting Prompt=On "
                           L"/setting SaveBackup=Off " +
                           extraArguments + L" " + hostMode();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    HostRun run;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ok(false, "tessaline.exe did not start: %lu", GetLastError());
        return run;
    }
    win32::unique_handle processHandle(process.hProcess), threadHandle(process.hThread);
    // Generous: a hung host is a failure, not a slow one.
    if (!ok(WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0, "host did not finish")) {
        TerminateProcess(process.hProcess, 1);
        return run;
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    run.log = split(readFile(logPath), '\n');
    for (const std::string& line : split(readFile(reportsPath), '\n')) run.reports.push_back(split(line, '\t'));
    return run;
}

bool hasLine(const HostRun& run, const std::string& line) {
    for (const auto& l : run.log)
        if (l == line) return true;
    return false;
}

// Position of the first log line that starts with prefix, or -1.
int lineIndex(const HostRun& run, const std::string& prefix) {
    for (size_t i = 0; i < run.log.size(); ++i)
        if (run.log[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
}

std::string callLine(const char* method) { return std::string("call ") + kProgId + "." + method + " -> 0x00000000"; }

std::vector<std::vector<std::string>> reportsLabelled(const HostRun& run, const std::string& label) {
    std::vector<std::vector<std::string>> found;
    for (const auto& r : run.reports)
        if (r.size() > Flag2 && r[Label] == label) found.push_back(r);
    return found;
}

void expectCleanEnd(const HostRun& run) {
    ok(run.exitCode == 0, "host exit code %lu", run.exitCode);
    ok(hasLine(run, "host objects alive: 0"), "the add-in kept host objects");
    ok(hasLine(run, std::string("DllCanUnloadNow ") + kProgId + ": S_OK"), "the add-in cannot be unloaded");
}

std::string addIn(const std::string& step) { return std::string("addin ") + kProgId + " " + step + "\n"; }

// The value a "file <path>" step logged for the drawing whose path ends in name.
std::string fileLine(const HostRun& run, const std::string& name) {
    for (const auto& l : run.log)
        if (l.rfind("file ", 0) == 0 && l.find("\\" + name + " -> ") != std::string::npos)
            return l.substr(l.find(" -> ") + 4);
    return "(not logged)";
}

std::vector<std::string> linesStartingWith(const HostRun& run, const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& l : run.log)
        if (l.rfind(prefix, 0) == 0) found.push_back(l);
    return found;
}

std::vector<std::string> reportLabels(const HostRun& run) {
    std::vector<std::string> labels;
    for (const auto& r : run.reports)
        if (r.size() > Label) labels.push_back(r[Label]);
    return labels;
}

}  // namespace hostrun
