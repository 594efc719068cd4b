// Drives a host session from a text script, one step per line, '#' starts a
// comment. Steps:
//   idle <N>                         run the message loop until N more InIdle events
//   event DocumentSaved              raise an application event (no document yet)
//   event DocumentSavedAs <name>
//   event BeforeDocumentClose        logs what the sinks left in bToBeSaved/bCancel
//   event CommandAborted <id>
//   addin <ProgID> get <member>      logs "<ProgID>.<member> = <value>"
//   addin <ProgID> put <member> <text>
//   addin <ProgID> call <method>     with the host's lifecycle arguments
//   command <id>                     as if the user picked that menu command
//   sinks                            logs the number of connected event sinks
//   log <text>
//   exit                             ends the script; the host shuts down
// New steps are one more row in the step table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessaline {

class HostSession;

class ScriptRunner {
public:
    explicit ScriptRunner(HostSession& session) noexcept : m_session(session) {}

    // False when the file cannot be read.
    bool run_file(const std::wstring& path);
    // Runs one line; false when the script ends there (exit, or the window was closed).
    bool run_line(std::string_view line, int number);

    // One script line cut into words; rest(i) is the raw text from word i on.
    class Line {
    public:
        explicit Line(std::string_view text);
        size_t size() const noexcept { return m_words.size(); }
        std::string_view operator[](size_t i) const noexcept { return m_words[i]; }
        std::string_view rest(size_t i) const noexcept;

    private:
        std::string_view m_text;
        std::vector<std::string_view> m_words;
    };

private:
    bool idle(const Line& line);
    bool event(const Line& line);
    bool addin(const Line& line);
    bool command(const Line& line);
    bool sinks(const Line& line);
    bool log(const Line& line);
    bool exit(const Line& line);

    void complain(const std::string& text);

    struct Step {
        const char* verb;
        bool (ScriptRunner::*run)(const Line&);
    };
    static const Step kSteps[];

    HostSession& m_session;
    int m_number = 0;
};

}  // namespace tessaline
