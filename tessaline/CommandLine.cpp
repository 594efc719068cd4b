#include "tessaline/CommandLine.h"

#include "platform/win32/Variant.h"

namespace tessaline {
namespace {

bool is_switch(const wchar_t* arg, const wchar_t* name) {
    if (arg[0] != L'/' && arg[0] != L'-') return false;
    return CompareStringOrdinal(arg + 1, -1, name, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

CommandLine CommandLine::parse(int argc, const wchar_t* const* argv) {
    CommandLine cl;
    auto need = [&](int& i, int count) {
        if (i + count >= argc) {
            cl.error = "missing argument after " + win32::narrow(argv[i]);
            return false;
        }
        return true;
    };
    for (int i = 1; i < argc && cl.error.empty(); ++i) {
        const wchar_t* arg = argv[i];
        if (is_switch(arg, L"script")) {
            if (need(i, 1)) cl.script = argv[++i];
        } else if (is_switch(arg, L"log")) {
            if (need(i, 1)) cl.logFile = argv[++i];
        } else if (is_switch(arg, L"fail")) {
            if (need(i, 1)) cl.session.failures.add(argv[++i]);
        } else if (is_switch(arg, L"addin")) {
            if (need(i, 1)) cl.session.extraAddIns.emplace_back(argv[++i]);
        } else if (is_switch(arg, L"language")) {
            if (need(i, 1)) cl.session.language = argv[++i];
        } else if (is_switch(arg, L"setting")) {
            if (need(i, 1)) {
                std::wstring pair = argv[++i];
                size_t equals = pair.find(L'=');
                if (equals == std::wstring::npos || equals == 0)
                    cl.error = "expected /setting <Name>=<Value>, not " + win32::narrow(pair);
                else cl.session.settings.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
            }
        } else if (is_switch(arg, L"byref")) {
            cl.session.byReference = true;
        } else if (is_switch(arg, L"renumber")) {
            cl.session.renumbered = true;
        } else if (is_switch(arg, L"noaddins")) {
            cl.session.loadRegistered = false;
        } else if (is_switch(arg, L"regserver")) {
            cl.action = Action::RegisterHost;
        } else if (is_switch(arg, L"unregserver")) {
            cl.action = Action::UnregisterHost;
        } else if (is_switch(arg, L"regaddin") || is_switch(arg, L"unregaddin")) {
            cl.action = is_switch(arg, L"regaddin") ? Action::RegisterAddIn : Action::UnregisterAddIn;
            if (need(i, 2)) {
                cl.addInDll = argv[++i];
                cl.addInProgId = argv[++i];
            }
        } else {
            cl.error = "unknown argument " + win32::narrow(arg);
        }
    }
    return cl;
}

const char* CommandLine::usage() noexcept {
    return "usage: tessaline [/script <file>] [/log <file>] [/noaddins] [/addin <ProgID>]... [/fail <Member>]...\n"
           "                 [/language ENU|DEU|JPN] [/setting <Name>=<Value>]... [/byref] [/renumber]\n"
           "       tessaline /regserver | /unregserver\n"
           "       tessaline /regaddin <dll> <ProgID> | /unregaddin <dll> <ProgID>\n";
}

}  // namespace tessaline
