// The core's registry and resource-string readers on the real Win32 platform:
// registry texts as read, the help file look-up under HKEY_LOCAL_MACHINE,
// numbered strings of the shipped language libraries, and the dialog fonts'
// character sets against the system's own locale data.
#include "WineTest.h"

#include "addin/MI18NUtilities.h"
#include "addin/MRegistry.h"
#include "addin/ResourceLibraryLoad.h"
#include "addin/StringIds.h"
#include "engine/PromptDialog.h"
#include "platform/win32/SystemMessage.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/ControlNames.h"
#include "platform/win32/Win32Forms.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32ResourceLibraries.h"

#include <windows.h>

#include <cwchar>
#include <optional>
#include <string>
#include <vector>

using namespace autosave;

namespace {

// Reports are collected here instead of reaching a reporter component.
struct CollectedReports final : Components, ErrorReporter {
    std::vector<std::string> labels;
    ObjectPtr createObject(const Guid&, const Guid&) override {
        throw AutomationError(errors::kCannotCreateObject, "not in this test");
    }
    std::unique_ptr<ErrorReporter> createErrorReporter() override {
        struct Forward final : ErrorReporter {
            CollectedReports& to;
            explicit Forward(CollectedReports& t) : to(t) {}
            void ReportError(const std::string& s, const std::string& d, const std::string& h, std::int32_t c,
                             std::int32_t n, const std::string& label, std::int32_t st, std::int32_t f1,
                             std::int32_t f2) override {
                to.ReportError(s, d, h, c, n, label, st, f1, f2);
            }
        };
        return std::make_unique<Forward>(*this);
    }
    std::string componentFolder() override { return {}; }
    void ReportError(const std::string&, const std::string&, const std::string&, std::int32_t, std::int32_t,
                     const std::string& label, std::int32_t, std::int32_t, std::int32_t) override {
        labels.push_back(label);
    }
};

struct Platform {
    win32::Win32Clock clock;
    win32::Win32ResourceLibraries libraries;
    win32::Win32Registry registry;
    CollectedReports components;
    win32::Win32Desktop desktop;
    win32::Win32FileSystem fileSystem;
    win32::Win32Forms forms;
    ModuleState module{Services{clock, libraries, registry, components, desktop, fileSystem, forms}};
};

const wchar_t kProduct[] = L"Software\\Morvane\\Applications\\HelpLookupTest";

void setHelpFile(const wchar_t* product, const void* data, DWORD size, DWORD type = REG_SZ) {
    win32::unique_hkey key;
    std::wstring path = std::wstring(product) + L"\\Help\\HelpFile";
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    RegSetValueExW(key.get(), nullptr, 0, type, static_cast<const BYTE*>(data), size);
}

// The real desktop, but for the user's locale, which the test chooses.
struct LocaleDesktop final : Desktop {
    win32::Win32Desktop real;
    std::uint32_t locale = 0;
    void setMousePointer(int shape) override { real.setMousePointer(shape); }
    int mousePointer() const override { return real.mousePointer(); }
    void postMessage(std::int32_t window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        real.postMessage(window, message, wParam, lParam);
    }
    void placeBelow(std::int32_t window, std::int32_t insertAfter) override { real.placeBelow(window, insertAfter); }
    std::uint32_t userDefaultLocale() override { return locale; }
    void messageBox(const std::string& text, const std::string& title, std::uint32_t flags) override {
        real.messageBox(text, title, flags);
    }
    void showHelp(std::int32_t caller, const std::string& helpFile, std::uint32_t context) override {
        real.showHelp(caller, helpFile, context);
    }
    std::optional<double> numberFromText(const std::string& text) override { return real.numberFromText(text); }
};

std::wstring binFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

}  // namespace

WINE_TEST(help_file_name_from_the_registry) {
    Platform p;
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProduct);
    ok(GetHelpFileNameFromRegistry(p.module, "HelpLookupTest") == ".chm", "nothing registered");

    setHelpFile(kProduct, L"C:\\Help\\Tessaline", sizeof(L"C:\\Help\\Tessaline"));
    ok(GetHelpFileNameFromRegistry(p.module, "HelpLookupTest") == "C:\\Help\\Tessaline.chm", "no extension");

    setHelpFile(kProduct, L"C:\\Help.v2\\Tessaline", sizeof(L"C:\\Help.v2\\Tessaline"));
    ok(GetHelpFileNameFromRegistry(p.module, "HelpLookupTest") == "C:\\Help.v2\\Tessaline", "dot in a folder name");

    setHelpFile(kProduct, L"", 0);
    ok(GetHelpFileNameFromRegistry(p.module, "HelpLookupTest") == ".chm", "zero-byte value");
    ok(p.components.labels.size() == 1 && p.components.labels[0] == "MRegistry::GetRegistryValueString()",
       "zero-byte value: %zu reports", p.components.labels.size());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProduct);

    // No identifier: the fixed key of the reference host's product.
    const wchar_t fixed[] = L"Software\\Morvane\\Applications\\Tessaline.Application";
    setHelpFile(fixed, L"tessaline.chm", sizeof(L"tessaline.chm"));
    ok(GetHelpFileNameFromRegistry(p.module, "") == "tessaline.chm", "empty identifier");
}

// Whether a text is stored as writeText would store it decides whether
// Install writes it back; long texts take the second query.
WINE_TEST(texts_read_in_one_query_and_whether_they_are_stored_as_written) {
    win32::Win32Registry registry;
    const std::string path = "Software\\Morvane\\ReadTextTest";
    // Written with write access, read with read access, as the settings are.
    ok(registry.createKey(RegistryRoot::CurrentUser, path) != nullptr, "key not created");
    auto key = registry.openKeyForReading(RegistryRoot::CurrentUser, path);
    win32::unique_hkey raw;
    RegOpenKeyExW(HKEY_CURRENT_USER, win32::widen(path).c_str(), 0, KEY_ALL_ACCESS, raw.put());
    const std::wstring longText(300, L'x');
    const wchar_t trailing[] = {L'O', L'f', L'f', L'\0', L'j', L'\0'};
    const wchar_t loneSurrogate[] = {L'a', wchar_t(0xD800), L'\0'};
    struct Case {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
        const char* text;
        bool asWritten;
    } const cases[] = {
        {"a plain text", REG_SZ, L"On", 6, "On", true},
        {"an expandable text", REG_EXPAND_SZ, L"On", 6, "On", false},
        {"bytes after the terminator", REG_SZ, trailing, sizeof trailing, "Off", false},
        // (a zero right after the data would be counted in by the platform)
        {"no terminator", REG_SZ, L"10x", 4, "10", false},
        {"a lone surrogate", REG_SZ, loneSurrogate, sizeof loneSurrogate, nullptr, false},
        {"a long text", REG_SZ, longText.c_str(), DWORD((longText.size() + 1) * 2), nullptr, true},
    };
    for (const auto& c : cases) {
        RegSetValueExW(raw.get(), L"Value", 0, c.type, static_cast<const BYTE*>(c.data), c.size);
        auto stored = key ? key->readText("Value") : std::nullopt;
        ok(stored && (!c.text || stored->text == c.text) && stored->asWritten == c.asWritten, "%s", c.what);
    }
    auto stored = key ? key->readText("Value") : std::nullopt;
    ok(stored && stored->text == std::string(300, 'x'), "long text read wrongly");
    ok(key && !key->readText("Missing"), "a missing value read");
    RegDeleteTreeW(HKEY_CURRENT_USER, win32::widen(path).c_str());
}

WINE_TEST(numbered_strings_of_the_language_libraries) {
    Platform p;
    ResourceLibraryLoad german(p.module, win32::narrow(binFolder() + L"\\vokAutoSave_DEU.dll"));
    ok(german.handle() != 0, "German library not loaded");
    ok(GetResourceString(p.module, german.handle(), IDS_MENU_NAME) == "Extras", "German menu name");
    ok(GetResourceString(p.module, german.handle(), 131).empty(), "unused number has a text");
    ResourceLibraryLoad japanese(p.module, win32::narrow(binFolder() + L"\\vokAutoSave_JPN.dll"));
    ok(GetResourceString(p.module, japanese.handle(), IDS_NAME) == "\xE8\x87\xAA\xE5\x8B\x95\xE4\xBF\x9D\xE5\xAD\x98",
       "Japanese name");

    LibraryHandle freed = german.handle();
    german.reset();
    ok(GetResourceString(p.module, freed, IDS_MENU_NAME).empty(), "a freed library was read");
    ok(p.components.labels.empty(), "%zu reports", p.components.labels.size());
}

// Mapped as an image, a language library cannot be rewritten under the
// strings being read; freed, it can again.
WINE_TEST(a_loaded_language_library_cannot_change) {
    win32::Win32ResourceLibraries libraries;
    const std::wstring copy = binFolder() + L"\\vokAutoSave_mapped.tmp";
    ok(CopyFileW((binFolder() + L"\\vokAutoSave_DEU.dll").c_str(), copy.c_str(), FALSE), "no copy");
    auto openForWriting = [&] {
        return win32::unique_hfile(CreateFileW(copy.c_str(), GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    LibraryHandle library = libraries.loadAsDataFile(win32::narrow(copy));
    ok(library != 0 && libraries.loadString(library, 113, 100) == "Extras", "strings not read");
    ok(!openForWriting(), "the loaded library was opened for writing");
    libraries.free(library);
    ok(static_cast<bool>(openForWriting()), "still held after it was freed");
    DeleteFileW(copy.c_str());
}

WINE_TEST(handle_wrappers_close_what_they_hold) {
    // INVALID_HANDLE_VALUE, not null, is "no file": nothing is held, nothing closed.
    std::wstring path = binFolder() + L"\\unique_hfile.tmp";
    win32::unique_hfile missing(CreateFileW((path + L".missing").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    ok(!missing, "a failed open holds a file");
    WIN32_FIND_DATAW found{};
    win32::unique_hfind none(FindFirstFileW((path + L".missing").c_str(), &found));
    ok(!none, "a failed search holds a find handle");

    auto openExclusive = [&] {
        return win32::unique_hfile(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    win32::unique_hfile first = openExclusive();
    ok(first, "cannot create %ls", path.c_str());
    ok(!openExclusive(), "an exclusive file opened twice");
    win32::unique_hfile moved = std::move(first);
    ok(!first && !openExclusive(), "a move closed the file");
    moved.reset();
    ok(openExclusive(), "reset left the file open");

    win32::unique_hfind find(FindFirstFileW(path.c_str(), &found));
    ok(find && std::wstring(found.cFileName) == L"unique_hfile.tmp", "file not found");
    find.reset();
    ok(DeleteFileW(path.c_str()), "cannot delete %ls (%lu)", path.c_str(), GetLastError());

    // The scope selects the font and puts the previous one back.
    win32::unique_hdc_window screen(nullptr);
    HGDIOBJ before = GetCurrentObject(screen.get(), OBJ_FONT);
    LOGFONTW lf{};
    lf.lfHeight = -13;
    win32::unique_hfont font(CreateFontIndirectW(&lf));
    {
        win32::unique_select_object selected(screen.get(), font.get());
        ok(selected && GetCurrentObject(screen.get(), OBJ_FONT) == font.get(), "font not selected");
    }
    ok(GetCurrentObject(screen.get(), OBJ_FONT) == before, "previous font not selected back");
}
// Each East-Asian locale of the dialog fonts gets the character set the system
// gives the locale's ANSI code page. Korean Johab, a locale the system no
// longer lists, takes that of its code page 1361; Singapore takes Big5 (950),
// as the host's own dialogs do.
WINE_TEST(dialog_fonts_take_the_character_set_of_the_locales_code_page) {
    const struct {
        LCID locale;
        UINT codePage;  // 0: the locale's own, as the system has it
    } rows[] = {
        {MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT), 0},
        {MAKELCID(MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN), SORT_DEFAULT), 0},
        {MAKELCID(MAKELANGID(LANG_KOREAN, 0x02), SORT_DEFAULT), 1361},
        {MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT), 0},
        {MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL), SORT_DEFAULT), 0},
        {MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_HONGKONG), SORT_DEFAULT), 0},
        {MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SINGAPORE), SORT_DEFAULT), 950},
    };
    Platform p;
    LocaleDesktop desktop;
    ModuleState module{Services{p.clock, p.libraries, p.registry, p.components, desktop, p.fileSystem, p.forms}};
    struct NoEvents final : FormEvents {
    } events;
    for (const auto& row : rows) {
        UINT codePage = row.codePage;
        wchar_t text[8] = {};
        if (!codePage && GetLocaleInfoW(row.locale, LOCALE_IDEFAULTANSICODEPAGE, text, 8) > 0)
            codePage = static_cast<UINT>(std::wcstoul(text, nullptr, 10));
        CHARSETINFO expected{};
        if (!ok(codePage && TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(codePage)), &expected,
                                                 TCI_SRCCODEPAGE),
                "locale %04lx: no character set for code page %u", row.locale, codePage))
            continue;
        desktop.locale = row.locale;
        auto form = p.forms.load(frmPrompt::layout(), events);
        SetInternationalizeFont(module, *form);
        const Font font = form->control("cmdSave").font();
        ok(font.charset == static_cast<int>(expected.ciCharset) && font.size == 9,
           "locale %04lx: character set %d at %g points, the system gives %u", row.locale, font.charset, font.size,
           expected.ciCharset);
    }
    ok(p.components.labels.empty(), "%zu reports", p.components.labels.size());
}

WINE_TEST(system_messages_without_line_break) {
    std::wstring text = win32::system_message(ERROR_FILE_NOT_FOUND);
    ok(!text.empty() && text.back() != L'\n' && text.back() != L'\r' && text.back() != L' ', "'%ls'", text.c_str());
    ok(win32::system_message(0x2000FFFF).empty(), "a code the system does not know has a text");
}

WINE_TEST(numbers_read_under_the_locale_conventions) {
    struct Case {
        const char* text;
        std::optional<double> english, german;
    };
    // clang-format off
    const Case cases[] = {
        {" 15 ", 15, 15}, {"-3", -3, -3}, {"1,5", 15, 1.5}, {"2E3", 2000, 2000},
        {"", std::nullopt, std::nullopt},  {"ten", std::nullopt, std::nullopt}, {"1 5", std::nullopt, std::nullopt},
    };
    // clang-format on
    win32::Win32Desktop english(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT));
    win32::Win32Desktop german(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT));
    ok(english.numberFromText("1,234.5") == 1234.5 && german.numberFromText("1.234,5") == 1234.5, "grouping");
    for (const auto& c : cases) {
        ok(english.numberFromText(c.text) == c.english, "English \"%s\"", c.text);
        ok(german.numberFromText(c.text) == c.german, "German \"%s\"", c.text);
    }
}

WINE_TEST_MAIN
