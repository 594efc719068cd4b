// tessaline.exe: the reference host. See CommandLine.h for the switches and
// ScriptRunner.h for the script steps.
#include "platform/win32/Variant.h"
#include "tessaline/AddInRegistry.h"
#include "tessaline/CommandLine.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostSession.h"
#include "tessaline/ScriptRunner.h"

#include <shellapi.h>

#include <cstdio>
#include <memory>

namespace {

int run(const tessaline::CommandLine& cl, const std::shared_ptr<tessaline::HostLog>& log) {
    using Action = tessaline::CommandLine::Action;
    using tessaline::AddInRegistry;
    switch (cl.action) {
    case Action::RegisterHost: return SUCCEEDED(AddInRegistry::register_host(*log)) ? 0 : 1;
    case Action::UnregisterHost: return SUCCEEDED(AddInRegistry::unregister_host(*log)) ? 0 : 1;
    case Action::RegisterAddIn:
        return SUCCEEDED(AddInRegistry::register_add_in(cl.addInDll, cl.addInProgId, *log)) ? 0 : 1;
    case Action::UnregisterAddIn:
        return SUCCEEDED(AddInRegistry::unregister_add_in(cl.addInDll, cl.addInProgId, *log)) ? 0 : 1;
    case Action::Run: break;
    }
    tessaline::HostSession session(log, cl.session);
    if (!session.start()) return 1;
    int code = 0;
    if (!cl.script.empty()) {
        tessaline::ScriptRunner runner(session);
        if (!runner.run_file(cl.script)) {
            log->line("cannot read script " + win32::narrow(cl.script));
            code = 2;
        }
    } else {
        session.run_until_quit();
    }
    session.shutdown();
    return code;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    win32::unique_hlocal argvMemory(argv);
    if (!argv) return 2;
    auto cl = tessaline::CommandLine::parse(argc, argv);
    if (!cl.error.empty()) {
        std::fprintf(stderr, "%s\n%s", cl.error.c_str(), tessaline::CommandLine::usage());
        return 2;
    }
    auto log = std::make_shared<tessaline::HostLog>();
    if (!cl.logFile.empty() && !log->open(cl.logFile)) {
        std::fprintf(stderr, "cannot open log file %s\n", win32::narrow(cl.logFile).c_str());
        return 2;
    }
    win32::com_apartment apartment;
    if (!apartment) return 1;
    int code;
    try {
        code = run(cl, log);
    } catch (...) {
        log->line("host stopped by an unexpected error");
        code = 1;
    }
    return code;
}
