// Soak of the add-in in the reference host: one long session on a seeded
// random script (edits, the user's saves, closes, read-only files, aborted
// commands, prompt answers, setting changes, bursts of idle events with a
// tiny interval so passes come often), checked line by line against a model
// of the save flags and backups, with the host's handle count and private
// memory compared between warm-up and end.
//   soak [<seed> [<idle events> [<passes>]]]
#include "HostRun.h"
#include "WineTest.h"

#include "tessaline/Drawing.h"

#include <windows.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace hostrun;

namespace {

struct Options {
    std::uint32_t seed = 1;
    unsigned long idleEvents = 20000;
    unsigned long passes = 200;
};
Options g_options;

const std::string kCheck = "check AutoSave...";

std::string put(const std::string& member, const std::string& value) {
    // The stored values follow at once: the checker reads them from there.
    return addIn("put " + member + " " + value) + "settings\n";
}

// The script: random steps, with a model of the open drawings just good
// enough to keep every prompt answered (an unanswered one would stay up).
class ScriptWriter {
public:
    explicit ScriptWriter(std::uint32_t seed) : m_random(seed) {}

    // Quiet bursts of idle events, with an interval of a second or less,
    // make up the count; busy ones, with an interval shorter than a save
    // takes, make nearly every idle event a pass. How many passes those give
    // depends on the machine's speed and on the timer's resolution, so the
    // passes asked for are made sure of separately, at an even pace.
    std::string write(unsigned long idleEvents, unsigned long passes) {
        m_idleTarget = idleEvents;
        m_passTarget = passes;
        m_busyTarget = passes * 6 + 1000;
        m_quietMean = std::max(100ul, idleEvents / 3000);
        for (const char* name : {"D0.tsd", "D1.tsd", "D2.tsd"}) openDrawing(name);
        step("process\n");
        const unsigned long warmUp = idleEvents / 10;
        bool measured = false;
        while (m_idle < idleEvents || m_surePasses < passes) {
            if (!measured && m_idle >= warmUp) {
                promptPhase();  // the prompt's first showing belongs to the warm-up
                step("spin 1\nprocess\n");
                measured = true;
            }
            randomStep();
        }
        finish();
        return m_script;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    template <typename T>
    const T& any(const std::vector<T>& items) {
        return items[static_cast<size_t>(pick(static_cast<int>(items.size())))];
    }
    void step(const std::string& text) { m_script += text; }
    std::string path(const std::string& name) const { return "$DIR\\" + name; }

    void spin(unsigned count) {
        m_idle += count;
        step("spin " + std::to_string(count) + "\n");
    }

    void setMinutes(bool busy) {
        m_busy = busy;
        set("Minutes", m_minutes,
            busy ? any(std::vector<std::string>{"0.00001", "0.0001"}) : any(std::vector<std::string>{"0.005", "0.01"}));
    }

    // Busy bursts keep pace with the whole, and so do sure passes.
    void burst() {
        bool busy = 1ull * m_busyDone * m_idleTarget < 1ull * m_busyTarget * m_idle;
        if (busy != m_busy) setMinutes(busy);
        if (busy && m_status == "On" && 1ull * m_surePasses * m_idleTarget <= 1ull * m_passTarget * m_idle) {
            surePass();
            return;
        }
        unsigned count = 1 + static_cast<unsigned>(busy ? pick(16) : pick(static_cast<int>(m_quietMean * 2)));
        if (busy) m_busyDone += count;
        spin(count);
    }

    // With the prompt off, a pass that comes due saves the active drawing,
    // or every modified one; waiting longer than the busy interval (plus
    // the timer's rounding late in the day, 8 ms) makes the next idle event
    // find it due.
    void surePass() {
        if (m_open.empty()) openOrCreate();
        if (m_documents == "All") step("modify " + any(m_open) + "\n");
        step("wait 0.03\n");
        ++m_surePasses;
        ++m_busyDone;
        spin(1);
    }

    void openDrawing(std::string name) {
        step("open " + path(name) + "\n");
        m_open.push_back(name);
        std::erase(m_closed, name);
        if (std::find(m_names.begin(), m_names.end(), name) == m_names.end()) m_names.push_back(name);
    }

    void openOrCreate() {
        if (!m_closed.empty() && pick(4) != 0) {
            openDrawing(any(m_closed));
            return;
        }
        char name[32];
        std::snprintf(name, sizeof name, "N%d.tsd", m_fresh++);
        step("new " + path(name) + "\n");
        m_open.push_back(name);
        m_names.push_back(name);
    }

    void close(std::string name) {
        step("close " + name + "\n");
        std::erase(m_open, name);
        m_closed.push_back(name);
    }

    void set(const std::string& member, std::string& current, const std::string& value) {
        current = value;
        step(put(member, value));
    }

    void randomStep() {
        if (m_open.empty()) openOrCreate();
        const int r = pick(100);
        const std::string doc = any(m_open);
        if (r < 32) burst();
        else if (r < 46) step("modify " + doc + "\n");
        else if (r < 52) step("activate " + doc + "\n");
        else if (r < 59) step("save " + doc + "\n");
        else if (r < 62) close(doc);
        else if (r < 65) {
            if (m_open.size() < 5) openOrCreate();
        } else if (r < 71) step("readonly " + path(any(m_names)) + (pick(2) ? " on\n" : " off\n"));
        else if (r < 74) step(std::string("event CommandAborted ") + (pick(3) ? "57603" : "100") + "\n");
        else if (r < 78) set("SaveBackup", m_backup, m_backup == "On" ? "Off" : "On");
        else if (r < 81) set("Documents", m_documents, m_documents == "All" ? "Active" : "All");
        else if (r < 83) set("Status", m_status, m_status == "On" ? "Off" : "On");
        else if (r < 85) setMinutes(m_busy);
        else if (r < 88) promptPhase();
        else if (r < 96) step("file " + path(any(m_names)) + "\nfile " + path(any(m_names)) + ".bak\n");
        else step("spin 1\n" + kCheck + "\n");
    }

    // One pass under the prompt, every showing answered.
    void promptPhase() {
        if (m_open.empty()) openOrCreate();
        if (m_status != "On") set("Status", m_status, "On");
        if (!m_busy) setMinutes(true);  // the prompt shows at once
        std::string answers;
        if (m_documents == "All") {
            // Every drawing modified, so that every one is asked about.
            for (const auto& name : m_open) step("modify " + name + "\n");
            for (size_t i = 0; i < m_open.size(); ++i) {
                int a = pick(m_open.size() > 1 ? 8 : 6);
                const char* answer = a < 3 ? "Save" : a < 5 ? "closebox" : a < 6 ? "Cancel" : "Skip";
                answers += std::string(" ") + answer;
                if (a == 5) break;
            }
        } else {
            // Skip is greyed when the pass asks about one drawing only.
            answers = any(std::vector<std::string>{" Save", " Save", " Cancel", " closebox"});
        }
        step(put("Prompt", "On") + "answer AutoSave" + answers + "\n" + put("Prompt", "Off"));
        // A Save answered for the active drawing posted its save: it is
        // handled before the user acts again.
        spin(1);
    }

    void finish() {
        step("process\n");
        // The end: no passes, every file writable, and a user's save of each
        // drawing, which a save flag left raised would take for the add-in's.
        for (const auto& name : m_names) step("readonly " + path(name) + " off\n");
        set("Status", m_status, "Off");
        spin(2);
        step(kCheck + "\n");
        set("SaveBackup", m_backup, "On");
        for (const auto& name : m_open) step("modify " + name + "\nsave " + name + "\n");
        for (const auto& name : m_names) step("file " + path(name) + "\nfile " + path(name) + ".bak\n");
        step("documents\n");
        for (const char* member : {"Status", "Documents", "Minutes", "Prompt", "SaveBackup"})
            step(addIn(std::string("get ") + member));
        step("exit\n");
    }

    std::mt19937 m_random;
    std::string m_script;
    unsigned long m_idle = 0, m_idleTarget = 0, m_busyDone = 0, m_busyTarget = 0, m_quietMean = 0;
    unsigned long m_passTarget = 0, m_surePasses = 0;
    bool m_busy = false;
    std::vector<std::string> m_open, m_closed, m_names;
    int m_fresh = 0;
    std::string m_status = "On", m_documents = "Active", m_backup = "Off", m_minutes = "0.005";
};

// "<size> bytes, fnv1a <hash>" of a drawing's file with that many shapes, as the file step logs it.
std::string fileWithShapes(size_t count) {
    auto shapes = tessaline::drawing::default_shapes();
    while (shapes.size() < count) shapes.push_back(tessaline::drawing::next_shape(shapes.size()));
    std::string text = tessaline::drawing::format(shapes);
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
    char line[64];
    std::snprintf(line, sizeof line, "%zu bytes, fnv1a %08" PRIX32, text.size(), hash);
    return line;
}

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

std::string nameAt(const std::string& line, size_t from) { return line.substr(from, line.find(' ', from) - from); }

struct ProcessFigures {
    unsigned long long handles = 0, privateBytes = 0;
};

// Replays the host's log: what the add-in must have done, given what the host did.
class LogChecker {
public:
    struct Drawing {
        size_t shapes = 0;
        bool modified = false;
        std::optional<size_t> onDisk, backup;  // shapes in the file and in its .bak
    };

    void run(const HostRun& run) {
        for (size_t i = 0; i < run.log.size(); ++i) line(run.log[i], i ? run.log[i - 1] : std::string());
        for (const auto& report : run.reports) {
            if (report.size() <= Label) continue;
            expect(
                report[Label] == "CAddIn:g_ApplicationEvents_InIdle()" || report[Label] == "frmPrompt:cmdSave_Click()",
                "unexpected report %s: %s", report[Label].c_str(),
                report.size() > Description ? report[Description].c_str() : "");
        }
        // Only the add-in's own saves of read-only drawings are reported.
        expect(run.reports.size() == m_directFailures, "%zu reports for %lu failed saves of the add-in's own",
               run.reports.size(), m_directFailures);
    }

    unsigned long posted = 0, direct = 0, prompts = 0, userSaves = 0, backups = 0, aborted = 0, idleEvents = 0;
    std::vector<ProcessFigures> figures;

private:
    void expect(bool condition, const char* format, auto... args) {
        if (condition) return;
        if (++m_failures <= 20) ok(false, format, args...);
        else if (m_failures == 21) ok(false, "more failures not shown");
    }

    void line(const std::string& l, const std::string& previous) {
        if (startsWith(l, "open ")) {
            size_t shapes = 0;
            std::string name = nameAt(l, 5);
            expect(std::sscanf(l.c_str() + l.find(" -> "), " -> %*[a-z ], %zu shapes", &shapes) == 1, "%s", l.c_str());
            Drawing& d = m_drawings[name];
            if (l.find("-> opened") != std::string::npos) d.onDisk = shapes;
            d.shapes = shapes;
            d.modified = d.modified && l.find("already open") != std::string::npos;
        } else if (startsWith(l, "new ")) {
            std::string name = nameAt(l, 4);
            m_drawings[name] = Drawing{tessaline::drawing::default_shapes().size(), true, std::nullopt, std::nullopt};
        } else if (startsWith(l, "modify ")) {
            Drawing& d = m_drawings[nameAt(l, 7)];
            d.modified = true;
            expect(std::sscanf(l.c_str() + l.find(" -> "), " -> %zu", &d.shapes) == 1, "%s", l.c_str());
        } else if (l == "command 57603 from posted") {
            ++posted;
            m_byCommand = true;
        } else if (startsWith(l, "save ") && l.find(" -> ") != std::string::npos && l != "save -> no active drawing") {
            saved(l, previous);
        } else if (startsWith(l, "event DocumentSaved ")) {
            const std::string name = l.substr(20);
            Drawing& d = m_drawings[name];
            // A save event is the add-in's while either flag is raised; the
            // document's flag is taken first.
            if ((m_byDocument || m_byCommand) && m_settings["SaveBackup"] == "On") {
                d.backup = d.onDisk;
                ++backups;
            }
            if (m_byDocument) m_byDocument = false;
            else m_byCommand = false;
        } else if (startsWith(l, "event CommandAborted")) {
            ++aborted;
        } else if (startsWith(l, "file ")) {
            std::string file = l.substr(l.rfind('\\', l.find(" -> ")) + 1);
            std::string result = file.substr(file.find(" -> ") + 4);
            if (auto arrow = file.find(" -> "); arrow != std::string::npos) file.resize(arrow);
            bool isBackup = file.size() > 4 && file.ends_with(".bak");
            const Drawing& d = m_drawings[isBackup ? file.substr(0, file.size() - 4) : file];
            const std::optional<size_t>& shapes = isBackup ? d.backup : d.onDisk;
            std::string expected = shapes ? fileWithShapes(*shapes) : "missing";
            expect(result == expected, "%s is [%s], expected [%s]", file.c_str(), result.c_str(), expected.c_str());
        } else if (startsWith(l, "document ")) {
            std::string name = nameAt(l, 9);
            bool modified = l.find(" modified=True ") != std::string::npos;
            expect(modified == m_drawings[name].modified, "%s", l.c_str());
        } else if (startsWith(l, kCheck + " -> ")) {
            std::string expected = m_settings["Status"] == "On" ? "checked" : "unchecked";
            expect(l == kCheck + " -> " + expected, "%s with Status %s", l.c_str(), m_settings["Status"].c_str());
        } else if (startsWith(l, "setting ")) {
            // "setting <name> = <value>", or with " -> <hr>" when the host wrote it.
            size_t equals = l.find(" = ");
            std::string value = l.substr(equals + 3);
            if (size_t arrow = value.rfind(" -> 0x"); arrow != std::string::npos && arrow + 14 == value.size())
                value.resize(arrow);
            m_settings[l.substr(8, equals - 8)] = value;
        } else if (startsWith(l, std::string(kProgId) + ".")) {
            std::string member = l.substr(sizeof kProgId, l.find(" = ") - sizeof kProgId);
            expect(l.substr(l.find(" = ") + 3) == m_settings[member], "%s, stored %s", l.c_str(),
                   m_settings[member].c_str());
        } else if (startsWith(l, "click \"AutoSave\"") || startsWith(l, "closebox \"AutoSave\"")) {
            ++prompts;
            expect(l.find("timed out") == std::string::npos && l.find("no such button") == std::string::npos, "%s",
                   l.c_str());
        } else if (startsWith(l, "spin ")) {
            std::sscanf(l.c_str(), "spin %*u -> %lu", &idleEvents);
        } else if (startsWith(l, "process ")) {
            ProcessFigures f;
            expect(std::sscanf(l.c_str(), "process handles=%llu private=%llu", &f.handles, &f.privateBytes) == 2, "%s",
                   l.c_str());
            figures.push_back(f);
        } else if (startsWith(l, "put ")) {
            expect(l.ends_with(" -> 0x00000000"), "%s", l.c_str());
        } else {
            expect(!startsWith(l, "script line") && !startsWith(l, "process -> ") &&
                       !(startsWith(l, "event ") && l.find(" to sink ") != std::string::npos),
                   "%s", l.c_str());
        }
    }

    void saved(const std::string& l, const std::string& previous) {
        std::string name = nameAt(l, 5);
        bool written = l.find(" -> written, ") != std::string::npos;
        if (startsWith(previous, "command 57603 from menu")) {
            ++userSaves;
        } else if (!startsWith(previous, "command 57603 from ")) {
            // Saved through the drawing's Save: the add-in raised its flag
            // first, and took it back when the Save failed.
            ++direct;
            if (written) m_byDocument = true;
            else ++m_directFailures;
        }
        if (!written) return;
        Drawing& d = m_drawings[name];
        size_t shapes = 0;
        expect(std::sscanf(l.c_str() + l.find(" -> "), " -> written, %zu shapes", &shapes) == 1 && shapes == d.shapes,
               "%s, expected %zu shapes", l.c_str(), d.shapes);
        d.onDisk = shapes;
        d.modified = false;
    }

    std::map<std::string, Drawing> m_drawings;
    std::map<std::string, std::string> m_settings;
    bool m_byDocument = false, m_byCommand = false;
    unsigned long m_directFailures = 0;
    int m_failures = 0;
};

// Growth between warm-up and end that still counts as flat: a few handles
// come and go with the drawings open at the moment; the host's own event
// history grows by a few dozen bytes per save.
constexpr unsigned long long kHandleSlack = 16;
constexpr unsigned long long kPrivateSlack = 4ull << 20;

WINE_TEST(soak) {
    std::string script = ScriptWriter(g_options.seed).write(g_options.idleEvents, g_options.passes);
    std::printf("seed %" PRIu32 ", %lu idle events asked, %zu script bytes\n", g_options.seed, g_options.idleEvents,
                script.size());
    DWORD started = GetTickCount();
    HostRun run = runHost(
        script, L"/setting Minutes=0.005 /setting Documents=Active /setting Prompt=Off /setting SaveBackup=Off",
        24ul * 3600 * 1000);
    double seconds = (GetTickCount() - started) / 1000.0;
    expectCleanEnd(run);
    LogChecker checker;
    checker.run(run);

    unsigned long passes = checker.posted + checker.direct + checker.prompts;
    std::printf(
        "%.1f s, %lu idle events, %lu passes (%lu posted saves, %lu direct saves, %lu prompts), "
        "%lu user saves, %lu backups, %lu aborted commands\n",
        seconds, checker.idleEvents, passes, checker.posted, checker.direct, checker.prompts, checker.userSaves,
        checker.backups, checker.aborted);
    ok(checker.idleEvents >= g_options.idleEvents, "%lu idle events", checker.idleEvents);
    ok(passes >= g_options.passes, "%lu passes, %lu asked", passes, g_options.passes);
    if (!ok(checker.figures.size() == 3, "%zu process lines", checker.figures.size())) return;
    const char* when[] = {"start", "after warm-up", "end"};
    for (size_t i = 0; i < 3; ++i)
        std::printf("%-13s handles %llu, private %llu bytes\n", when[i], checker.figures[i].handles,
                    checker.figures[i].privateBytes);
    const ProcessFigures &warm = checker.figures[1], &end = checker.figures[2];
    ok(end.handles <= warm.handles + kHandleSlack, "handles grew from %llu to %llu", warm.handles, end.handles);
    ok(end.privateBytes <= warm.privateBytes + kPrivateSlack, "private memory grew from %llu to %llu",
       warm.privateBytes, end.privateBytes);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) g_options.seed = static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10));
    if (argc > 2) g_options.idleEvents = std::strtoul(argv[2], nullptr, 10);
    if (argc > 3) g_options.passes = std::strtoul(argv[3], nullptr, 10);
    return winetest::run_all();
}
