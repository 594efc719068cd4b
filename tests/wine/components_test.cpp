// The error reporter, ErrorReporter.dll, and its log: the line it writes,
// where it writes it when it cannot, how the log is bounded, its settings,
// and reports through late binding.
#include "tests/wine/ComponentsFixture.h"
#include "tests/wine/WineTest.h"

#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include "ErrorReporter.h"

#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

using namespace componenttest;

namespace {

std::optional<std::string> read_file(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Lines of a log file, each without its CR LF; a missing last CR LF leaves
// the tail as a line ending in "<partial>".
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start) + "<partial>");
    return lines;
}

bool is_timestamp(const std::string& s) {
    // YYYY-MM-DDTHH:MM:SS
    if (s.size() != 19) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        char want = i == 4 || i == 7 ? '-' : i == 10 ? 'T' : i == 13 || i == 16 ? ':' : '0';
        if (want == '0' ? (s[i] < '0' || s[i] > '9') : s[i] != want) return false;
    }
    return true;
}

// The line without its timestamp, which the tests cannot know; empty when
// the line does not start with one.
std::string after_timestamp(const std::string& line) {
    if (line.size() < 20 || !is_timestamp(line.substr(0, 19)) || line[19] != '\t') return {};
    return line.substr(20);
}

std::string pid_text() { return std::to_string(GetCurrentProcessId()); }

// Points every reporter created while it lives at a log file of its own.
class ScopedLogVariable {
public:
    explicit ScopedLogVariable(const std::wstring& value) {
        SetEnvironmentVariableW(L"MORVANE_ERRORREPORTER_LOG", value.c_str());
    }
    ~ScopedLogVariable() { SetEnvironmentVariableW(L"MORVANE_ERRORREPORTER_LOG", nullptr); }
    ScopedLogVariable(const ScopedLogVariable&) = delete;
    ScopedLogVariable& operator=(const ScopedLogVariable&) = delete;
};

// The user's temporary folder while it lives, and so the log's fallback.
class ScopedTemporaryFolder {
public:
    explicit ScopedTemporaryFolder(const std::wstring& folder) {
        wchar_t old[MAX_PATH] = {};
        if (GetEnvironmentVariableW(L"TMP", old, MAX_PATH)) m_old = old;
        SetEnvironmentVariableW(L"TMP", folder.c_str());
    }
    ~ScopedTemporaryFolder() { SetEnvironmentVariableW(L"TMP", m_old ? m_old->c_str() : nullptr); }
    ScopedTemporaryFolder(const ScopedTemporaryFolder&) = delete;
    ScopedTemporaryFolder& operator=(const ScopedTemporaryFolder&) = delete;

private:
    std::optional<std::wstring> m_old;
};

// The process's debugger output, read the way a debug-output monitor reads
// it: the writer waits for "buffer ready", fills the shared buffer (its
// process id, then the text) and signals "data ready" before it returns.
class DebugOutput {
public:
    DebugOutput()
        : m_bufferReady(CreateEventW(nullptr, FALSE, TRUE, L"DBWIN_BUFFER_READY")),
          m_dataReady(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY")),
          m_buffer(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"DBWIN_BUFFER")),
          m_view(m_buffer ? MapViewOfFile(m_buffer.get(), FILE_MAP_READ, 0, 0, 4096) : nullptr) {}
    ~DebugOutput() {
        if (m_view) UnmapViewOfFile(m_view);
    }
    DebugOutput(const DebugOutput&) = delete;
    DebugOutput& operator=(const DebugOutput&) = delete;

    // The text written since the last call; empty when nothing was.
    std::string take() {
        if (!m_view || WaitForSingleObject(m_dataReady.get(), 0) != WAIT_OBJECT_0) return {};
        std::string text(static_cast<const char*>(m_view) + sizeof(DWORD), 4096 - sizeof(DWORD));
        text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
        SetEvent(m_bufferReady.get());
        return text;
    }

private:
    win32::unique_handle m_bufferReady, m_dataReady, m_buffer;
    void* m_view;
};

com_ptr<IErrorReporter> new_reporter() { return g_reporter.create<IErrorReporter>(); }

std::wstring log_file_of(IErrorReporter* reporter) {
    unique_bstr path;
    if (FAILED(reporter->get_LogFile(path.put()))) return L"<failed>";
    return path.get() ? path.get() : L"";
}

// Reports with plain texts and all by-reference arguments present.
HRESULT report(IErrorReporter* reporter, const wchar_t* source, const wchar_t* description, long number) {
    unique_bstr helpFile = bstr(L""), label = bstr(L"");
    LONG helpContext = 0, num = number, style = 0, flag1 = 0, flag2 = 0, result = -1;
    return reporter->ReportError(bstr(source).get(), bstr(description).get(), helpFile.put(), &helpContext, &num,
                                 label.put(), &style, &flag1, &flag2, &result);
}

}  // namespace

WINE_TEST(report_writes_one_escaped_utf8_line) {
    // The folder does not exist yet: the reporter creates it.
    const std::wstring log = g_temp + L"\\new\\nested\\exact.log";
    ScopedLogVariable variable(log);
    com_ptr<IErrorReporter> reporter = new_reporter();
    if (!ok(reporter, "no reporter")) return;
    ok(log_file_of(reporter.get()) == log, "LogFile does not follow the environment variable");

    // Japanese and German text, and every character that must be escaped.
    unique_bstr source = bstr(L"Src\tX");
    unique_bstr description = bstr(L"line1\nline2\r\\end");
    unique_bstr helpFile = bstr(L"C:\\help\\x.chm");
    unique_bstr label = bstr(L"\u65E5\u672C\u8A9E Gr\u00F6\u00DFe");
    BSTR helpFileArg = helpFile.get(), labelArg = label.get();
    LONG helpContext = 17, number = -2147221504, style = 16, flag1 = 1, flag2 = -1, result = 99;
    HRESULT hr = reporter->ReportError(source.get(), description.get(), &helpFileArg, &helpContext, &number, &labelArg,
                                       &style, &flag1, &flag2, &result);
    ok(hr == S_OK, "ReportError: 0x%08lx", hr);
    ok(result == 0, "result %ld", result);
    ok(helpFileArg == helpFile.get() && labelArg == label.get(), "by-reference texts replaced");
    ok(helpContext == 17 && number == -2147221504 && style == 16 && flag1 == 1 && flag2 == -1,
       "by-reference numbers changed");

    std::optional<std::string> text = read_file(log);
    if (!ok(text.has_value(), "log not created")) return;
    std::vector<std::string> lines = lines_of(*text);
    if (!ok(lines.size() == 1, "%zu lines in %s", lines.size(), text->c_str())) return;
    const std::string expected = pid_text() +
                                 "\tSrc\\tX\tline1\\nline2\\r\\\\end\tC:\\\\help\\\\x.chm\t17\t-2147221504\t"
                                 "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E Gr\xC3\xB6\xC3\x9F"
                                 "e\t16\t1\t-1";
    ok(after_timestamp(lines[0]) == expected, "line\n  %s\nexpected <timestamp>\t\n  %s", lines[0].c_str(),
       expected.c_str());
}

WINE_TEST(reports_append_in_order_and_nulls_are_empty) {
    const std::wstring log = g_temp + L"\\order.log";
    write_file(log, "earlier\r\n");
    ScopedLogVariable variable(log);
    com_ptr<IErrorReporter> first = new_reporter();
    com_ptr<IErrorReporter> second = new_reporter();
    if (!ok(first && second, "no reporter")) return;

    ok(report(first.get(), L"one", L"first report", 1) == S_OK, "first report failed");
    // Null texts and null by-reference arguments read as empty and 0.
    LONG result = 5;
    HRESULT hr = second->ReportError(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     &result);
    ok(hr == S_OK && result == 0, "null report: 0x%08lx, result %ld", hr, result);
    ok(report(first.get(), L"three", L"third report", 3) == S_OK, "third report failed");
    ok(first->ReportError(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) ==
           E_POINTER,
       "null result accepted");

    std::vector<std::string> lines = lines_of(read_file(log).value_or(""));
    if (!ok(lines.size() == 4, "%zu lines", lines.size())) return;
    ok(lines[0] == "earlier", "existing content changed: %s", lines[0].c_str());
    ok(after_timestamp(lines[1]) == pid_text() + "\tone\tfirst report\t\t0\t1\t\t0\t0\t0", "line 1: %s",
       lines[1].c_str());
    ok(after_timestamp(lines[2]) == pid_text() + "\t\t\t\t0\t0\t\t0\t0\t0", "line 2: %s", lines[2].c_str());
    ok(after_timestamp(lines[3]) == pid_text() + "\tthree\tthird report\t\t0\t3\t\t0\t0\t0", "line 3: %s",
       lines[3].c_str());
}

WINE_TEST(an_unwritable_log_falls_back_to_the_temporary_folder_then_the_debugger) {
    const std::wstring plainFile = g_temp + L"\\plain.txt";
    write_file(plainFile, "content");
    ScopedLogVariable variable(g_temp + L"\\unused.log");
    ScopedTemporaryFolder temporary(g_temp + L"\\temporary");
    const std::wstring fallback = g_temp + L"\\temporary\\Morvane\\ErrorReporter\\ErrorReports.log";
    com_ptr<IErrorReporter> reporter = new_reporter();
    if (!ok(reporter, "no reporter")) return;

    // Below a file, where no folder can be made; and a folder as the file.
    for (const std::wstring& log : {plainFile + L"\\sub\\x.log", g_temp}) {
        ok(reporter->put_LogFile(bstr(log.c_str()).get()) == S_OK, "put_LogFile refused");
        HRESULT hr = report(reporter.get(), L"src", L"kept elsewhere", 1);
        ok(hr == S_OK, "report to %ls: 0x%08lx", log.c_str(), hr);
    }
    std::vector<std::string> lines = lines_of(read_file(fallback).value_or(""));
    ok(lines.size() == 2 && after_timestamp(lines.back()) == pid_text() + "\tsrc\tkept elsewhere\t\t0\t1\t\t0\t0\t0",
       "%zu lines in the fallback, last: %s", lines.size(), lines.empty() ? "" : lines.back().c_str());
    ok(read_file(plainFile).value_or("") == "content", "file below the log path changed");
    ok(!exists(g_temp + L"\\unused.log"), "report went to the creation-time log");

    // Nowhere to write at all: the debugger output has it.
    DebugOutput debugger;
    ScopedTemporaryFolder nowhere(plainFile);
    HRESULT hr = report(reporter.get(), L"src", L"only for the debugger", 2);
    ok(hr == S_OK, "report with no file to write: 0x%08lx", hr);
    std::string text = debugger.take();
    ok(text.rfind("ErrorReporter: ", 0) == 0 &&
           text.find("\tsrc\tonly for the debugger\t\t0\t2\t") != std::string::npos,
       "debugger output: %s", text.c_str());
    ok(lines_of(read_file(fallback).value_or("")).size() == 2, "the fallback file changed");
}

// A log name that is a second link to another file, or a device, is not the
// reporter's to write (nor, once large, to move aside): the line goes where
// it goes for an unwritable log. Wine shows a symbolic link as its target;
// a hard link it counts.
WINE_TEST(a_log_that_is_a_link_or_a_device_is_not_written) {
    const std::wstring foreign = g_temp + L"\\foreign.txt", link = g_temp + L"\\linked.log";
    const std::string content(1024 * 1024, 'x');
    write_file(foreign, content);
    ok(CreateHardLinkW(link.c_str(), foreign.c_str(), nullptr), "no link made: %lu", GetLastError());
    ScopedLogVariable variable(link);
    ScopedTemporaryFolder temporary(g_temp + L"\\links");
    com_ptr<IErrorReporter> reporter = new_reporter();
    if (!ok(reporter, "no reporter")) return;
    for (const wchar_t* log : {link.c_str(), L"NUL"}) {
        ok(reporter->put_LogFile(bstr(log).get()) == S_OK, "put_LogFile refused");
        ok(report(reporter.get(), L"src", L"not for that file", 1) == S_OK, "report to %ls failed", log);
    }
    ok(read_file(foreign) == content && read_file(link) == content, "the linked file changed");
    ok(!exists(link + L".1"), "the linked file was moved aside");
    const std::wstring fallback = g_temp + L"\\links\\Morvane\\ErrorReporter\\ErrorReports.log";
    ok(lines_of(read_file(fallback).value_or("")).size() == 2, "the reports are not in the fallback log");
}

// One huge text cannot swell the log: the line keeps its fields, the short
// texts whole, and the long one cut between two characters, marked.
WINE_TEST(an_overlong_report_line_is_cut_at_a_character) {
    const std::wstring log = g_temp + L"\\long.log";
    ScopedLogVariable variable(log);
    com_ptr<IErrorReporter> reporter = new_reporter();
    if (!ok(reporter, "no reporter")) return;
    std::wstring description;
    while (description.size() < 20000) description += L"\u65E5\\x";  // three bytes, then an escape
    ok(report(reporter.get(), L"src", description.c_str(), 7) == S_OK, "report failed");
    std::string text = read_file(log).value_or("");
    std::vector<std::string> lines = lines_of(text);
    if (!ok(lines.size() == 1 && text.size() <= 8192, "%zu lines, %zu bytes", lines.size(), text.size())) return;
    std::vector<std::string> fields;
    for (size_t at = 0, end;; at = end + 1) {
        end = lines[0].find('\t', at);
        fields.push_back(lines[0].substr(at, end - at));
        if (end == std::string::npos) break;
    }
    if (!ok(fields.size() == 11, "%zu fields", fields.size())) return;
    const std::string& cut = fields[3];
    const std::string marker = " [cut]", body = cut.substr(0, cut.size() - std::min(cut.size(), marker.size()));
    ok(fields[2] == "src" && fields[6] == "7" && cut.size() > 7000 && cut.substr(body.size()) == marker,
       "fields: %s ... %s", fields[2].c_str(), cut.substr(cut.size() - std::min<size_t>(cut.size(), 12)).c_str());
    // Whole characters and escapes only: no lone backslash at the end.
    const size_t slashes = body.size() - 1 - body.find_last_not_of('\\');
    ok(slashes % 2 == 0 &&
           MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, body.data(), int(body.size()), nullptr, 0) > 0,
       "cut inside a character or an escape: %zu bytes", body.size());
}

WINE_TEST(a_full_log_starts_anew_keeping_one_older_file) {
    const std::wstring log = g_temp + L"\\rotating.log";
    const std::wstring older = log + L".1";
    write_file(older, "the oldest reports\r\n");
    ScopedLogVariable variable(log);
    com_ptr<IErrorReporter> reporter = new_reporter();
    if (!ok(reporter, "no reporter")) return;

    // Within 16 bytes of 1 MiB: no report fits any more.
    std::string full;
    for (int i = 0; full.size() < 1024 * 1024 - 16; ++i) full += "earlier report " + std::to_string(i) + "\r\n";
    write_file(log, full);
    ok(report(reporter.get(), L"src", L"first after the limit", 1) == S_OK, "report failed");
    ok(read_file(older).value_or("") == full, "the full log is not the older file now");
    std::vector<std::string> lines = lines_of(read_file(log).value_or(""));
    ok(lines.size() == 1 && after_timestamp(lines[0]).find("\tfirst after the limit\t") != std::string::npos,
       "the new log holds %zu lines", lines.size());

    // Small logs just grow.
    ok(report(reporter.get(), L"src", L"second", 2) == S_OK, "second report failed");
    ok(lines_of(read_file(log).value_or("")).size() == 2, "a small log was rotated");
    ok(read_file(older).value_or("") == full, "the older file changed");
}

WINE_TEST(environment_overrides_registry_which_overrides_default) {
    const wchar_t* keyPath = L"Software\\Morvane\\ErrorReporter";
    const std::wstring registryLog = g_temp + L"\\registry.log";
    const std::wstring environmentLog = g_temp + L"\\environment.log";
    win32::unique_hkey key;
    if (!ok(RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) ==
                ERROR_SUCCESS,
            "cannot create the settings key"))
        return;
    RegSetValueExW(key.get(), L"LogFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(registryLog.c_str()),
                   static_cast<DWORD>((registryLog.size() + 1) * sizeof(wchar_t)));
    DWORD show = 1;
    RegSetValueExW(key.get(), L"ShowMessages", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&show), sizeof show);

    {
        ScopedLogVariable variable(environmentLog);
        com_ptr<IErrorReporter> reporter = new_reporter();
        if (reporter) {
            ok(log_file_of(reporter.get()) == environmentLog, "LogFile %ls", log_file_of(reporter.get()).c_str());
            VARIANT_BOOL shown = VARIANT_FALSE;
            ok(reporter->get_ShowMessages(&shown) == S_OK && shown == VARIANT_TRUE, "ShowMessages not read");
            // Turned off for this object only, so that no message box waits here.
            reporter->put_ShowMessages(VARIANT_FALSE);
            ok(report(reporter.get(), L"env", L"to the environment's file", 2) == S_OK, "report failed");
            ok(lines_of(read_file(environmentLog).value_or("")).size() == 1, "environment log not written");
            ok(!exists(registryLog), "registry log written");
            com_ptr<IErrorReporter> other = new_reporter();
            shown = VARIANT_FALSE;
            ok(other && other->get_ShowMessages(&shown) == S_OK && shown == VARIANT_TRUE,
               "ShowMessages change leaked to another object");
        }
    }
    {
        ScopedLogVariable empty(L"");
        com_ptr<IErrorReporter> reporter = new_reporter();
        ok(reporter && log_file_of(reporter.get()) == registryLog, "an empty variable hides the registry");
    }

    RegDeleteValueW(key.get(), L"LogFile");
    RegDeleteValueW(key.get(), L"ShowMessages");
    wchar_t localAppData[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, localAppData);
    com_ptr<IErrorReporter> reporter = new_reporter();
    if (!ok(reporter, "no reporter")) return;
    std::wstring expected = std::wstring(localAppData) + L"\\Morvane\\ErrorReporter\\ErrorReports.log";
    ok(log_file_of(reporter.get()) == expected, "default LogFile %ls", log_file_of(reporter.get()).c_str());
    VARIANT_BOOL shown = VARIANT_TRUE;
    ok(reporter->get_ShowMessages(&shown) == S_OK && shown == VARIANT_FALSE, "message boxes on by default");
}

WINE_TEST(report_error_through_idispatch_by_name) {
    const std::wstring log = g_temp + L"\\dispatch.log";
    ScopedLogVariable variable(log);
    com_ptr<IErrorReporter> reporter = new_reporter();
    com_ptr<IDispatch> dispatch = reporter.try_query<IDispatch>(IID_IDispatch);
    if (!ok(dispatch, "no IDispatch")) return;

    // Late-bound callers spell names in any letter case.
    LPOLESTR name = const_cast<LPOLESTR>(L"reporterror");
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (!ok(hr == S_OK, "GetIDsOfNames: 0x%08lx", hr)) return;

    unique_bstr helpFile = bstr(L"h.chm"), label = bstr(L"Label");
    BSTR helpFileArg = helpFile.get(), labelArg = label.get();
    LONG helpContext = 4, number = 1004, style = 48, flag1 = 0, flag2 = 1;
    unique_bstr source = bstr(L"Disp"), description = bstr(L"by name");
    // Arguments go in reverse order.
    VARIANT args[9];
    auto byref_long = [](VARIANT& v, LONG* p) {
        v.vt = VT_BYREF | VT_I4;
        v.plVal = p;
    };
    auto byref_bstr = [](VARIANT& v, BSTR* p) {
        v.vt = VT_BYREF | VT_BSTR;
        v.pbstrVal = p;
    };
    byref_long(args[0], &flag2);
    byref_long(args[1], &flag1);
    byref_long(args[2], &style);
    byref_bstr(args[3], &labelArg);
    byref_long(args[4], &number);
    byref_long(args[5], &helpContext);
    byref_bstr(args[6], &helpFileArg);
    args[7].vt = VT_BSTR;
    args[7].bstrVal = description.get();
    args[8].vt = VT_BSTR;
    args[8].bstrVal = source.get();
    DISPPARAMS params{args, nullptr, 9, 0};
    win32::unique_variant result;
    hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.put(), nullptr, nullptr);
    ok(hr == S_OK, "Invoke: 0x%08lx", hr);
    ok(result->vt == VT_I4 && result->lVal == 0, "result vt %d", result->vt);

    std::vector<std::string> lines = lines_of(read_file(log).value_or(""));
    ok(lines.size() == 1 &&
           after_timestamp(lines[0]) == pid_text() + "\tDisp\tby name\th.chm\t4\t1004\tLabel\t48\t0\t1",
       "line: %s", lines.empty() ? "(none)" : lines[0].c_str());

    DISPPARAMS none{nullptr, nullptr, 0, 0};
    name = const_cast<LPOLESTR>(L"LogFile");
    ok(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id) == S_OK, "no LogFile");
    hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.put(), nullptr,
                          nullptr);
    ok(hr == S_OK && result->vt == VT_BSTR && log == result->bstrVal, "LogFile through Invoke: 0x%08lx", hr);
}

// Last, so that objects leaked by earlier cases show up as S_FALSE here.
WINE_TEST(class_objects_and_unloading) { check_class_objects_and_unloading(); }

int main() {
    win32::com_apartment apartment;
    if (!apartment) return 2;
    TempFolder temp;
    return winetest::run_all();
}
