// The add-in's settings in the real registry and its texts from real
// language libraries, through its COM interface.
#include "WineTest.h"

#include "MiniHost.h"
#include "ReportLabel.h"
#include "addin/StringIds.h"
#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include "vokAutoSave412.h"

#include <windows.h>

#include <sddl.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using win32::com_ptr;

namespace {

std::wstring binFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring newTempFolder() {
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    static int n = 0;
    // Process ids come round again: a folder an earlier run left is passed over.
    std::wstring folder;
    do
        folder = std::wstring(base) + L"addin_settings_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                 std::to_wstring(++n);
    while (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
    return folder;
}

void removeFolder(const std::wstring& folder, std::initializer_list<std::wstring> files) {
    for (const auto& file : files) DeleteFileW((folder + L"\\" + file).c_str());
    RemoveDirectoryW(folder.c_str());
}

std::string readFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A private copy of the add-in in a folder of its own, beside the language
// library the test chooses (or none), loaded without registration.
class AddInCopy {
public:
    explicit AddInCopy(const wchar_t* languageLibrary) : m_folder(newTempFolder()) {
        CopyFileW((binFolder() + L"\\vokAutoSave412.dll").c_str(), (m_folder + L"\\vokAutoSave412_copy.dll").c_str(),
                  FALSE);
        if (languageLibrary)
            CopyFileW((binFolder() + L"\\" + languageLibrary).c_str(), (m_folder + L"\\vokAutoSave_ENU.dll").c_str(),
                      FALSE);
        m_module.reset(LoadLibraryW((m_folder + L"\\vokAutoSave412_copy.dll").c_str()));
    }
    ~AddInCopy() {
        m_module.reset();
        removeFolder(m_folder, {L"vokAutoSave412_copy.dll", L"vokAutoSave_ENU.dll"});
    }
    AddInCopy(const AddInCopy&) = delete;
    AddInCopy& operator=(const AddInCopy&) = delete;

    com_ptr<_CAddIn> create() const {
        using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        auto getClassObject = reinterpret_cast<GetClassObjectFn>(
            reinterpret_cast<void*>(GetProcAddress(m_module.get(), "DllGetClassObject")));
        com_ptr<IClassFactory> factory;
        com_ptr<_CAddIn> addIn;
        if (getClassObject && SUCCEEDED(getClassObject(CLSID_CAddIn, IID_IClassFactory, factory.put_void())))
            factory->CreateInstance(nullptr, IID__CAddIn, addIn.put_void());
        return addIn;
    }

private:
    std::wstring m_folder;
    win32::unique_hmodule m_module;
};

// A settings key of its own for each test: the product identifier differs.
struct Product {
    std::string progId = next_prog_id();
    std::wstring key;
    static std::string next_prog_id() {
        static int n = 0;
        return "AutoSaveTest" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++n);
    }
    Product() { key = L"SOFTWARE\\Morvane\\Applications\\" + win32::widen(progId) + L"\\PrefSets\\AddIns\\AutoSave"; }
    ~Product() {
        RegDeleteTreeW(HKEY_CURRENT_USER, (L"SOFTWARE\\Morvane\\Applications\\" + win32::widen(progId)).c_str());
    }
};

struct Stored {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
    bool exists = false;
};

Stored stored(const Product& product, const wchar_t* name) {
    Stored s;
    win32::unique_hkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, product.key.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return s;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &s.type, nullptr, &size) != ERROR_SUCCESS) return s;
    s.bytes.resize(size);
    RegQueryValueExW(key.get(), name, nullptr, &s.type, s.bytes.data(), &size);
    s.exists = true;
    return s;
}

void store(const Product& product, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    win32::unique_hkey key;
    RegCreateKeyExW(HKEY_CURRENT_USER, product.key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size);
}

// Gives the settings key the access list of an SDDL text.
bool secure(const Product& product, const wchar_t* sddl) {
    win32::unique_hkey key;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, product.key.c_str(), 0, WRITE_DAC, key.put()) != ERROR_SUCCESS ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &raw, nullptr))
        return false;
    win32::unique_hlocal descriptor(raw);
    return RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, raw) == ERROR_SUCCESS;
}

// The stored form of a text: UTF-16 with one terminating zero.
std::vector<BYTE> textBytes(const std::wstring& text) {
    const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(p, p + (text.size() + 1) * sizeof(wchar_t));
}

std::string call(_CAddIn* addIn, HRESULT (STDMETHODCALLTYPE _CAddIn::*getter)(BSTR*)) {
    win32::unique_bstr value;
    (addIn->*getter)(value.put());
    return win32::from_bstr(value.get());
}

std::string registryValue(_CAddIn* addIn, const char* name) {
    win32::unique_bstr in = win32::make_bstr(name), out;
    addIn->GetRegistryValue(in.get(), out.put());
    return win32::from_bstr(out.get());
}

void put(_CAddIn* addIn, HRESULT (STDMETHODCALLTYPE _CAddIn::*putter)(BSTR*), const std::string& text) {
    win32::unique_bstr value = win32::make_bstr(text);
    BSTR slot = value.get();
    (addIn->*putter)(&slot);
}

void initialize(_CAddIn* addIn, MiniHost& host) {
    IDispatch* application = &host;
    addIn->InitializeApplication(&application);
}

// An add-in copy initialised with a host of its own product, so with a
// settings key of its own.
struct InitializedCopy {
    AddInCopy copy;
    Product product;
    MiniHost host{product.progId};
    com_ptr<_CAddIn> addIn;
    explicit InitializedCopy(const wchar_t* languageLibrary) : copy(languageLibrary), addIn(copy.create()) {
        if (ok(static_cast<bool>(addIn), "add-in copy not created")) initialize(addIn.get(), host);
    }
};

// Reports written since the test pointed the error reporter at its own log.
class ReportLog {
public:
    ReportLog() : m_folder(newTempFolder()), m_path(m_folder + L"\\reports.log") {
        SetEnvironmentVariableW(L"MORVANE_ERRORREPORTER_LOG", m_path.c_str());
    }
    ~ReportLog() { removeFolder(m_folder, {L"reports.log"}); }
    ReportLog(const ReportLog&) = delete;
    ReportLog& operator=(const ReportLog&) = delete;
    std::vector<std::string> labels() const {
        std::vector<std::string> found;
        std::stringstream lines(readFile(m_path));
        for (std::string line; std::getline(lines, line);) {
            found.push_back(reportLabel(line));
        }
        return found;
    }

private:
    std::wstring m_folder;
    std::wstring m_path;
};

}  // namespace

WINE_TEST(an_empty_key_receives_the_five_defaults) {
    ReportLog reports;  // before the copy: each copy creates its reporter on first use
    InitializedCopy c(L"vokAutoSave_ENU.dll");
    if (!c.addIn) return;
    auto& addIn = c.addIn;
    const Product& product = c.product;

    struct {
        const char* name;
        const wchar_t* wideName;
        const wchar_t* value;
    } const settings[] = {{"Status", L"Status", L"On"},
                          {"Documents", L"Documents", L"Active"},
                          {"Minutes", L"Minutes", L"10"},
                          {"Prompt", L"Prompt", L"On"},
                          {"SaveBackup", L"SaveBackup", L"Off"}};
    for (const auto& s : settings) {
        ok(!stored(product, s.wideName).exists, "%s exists before it was read", s.name);
        std::string value = registryValue(addIn.get(), s.name);
        ok(value == win32::narrow(s.value), "%s read as [%s]", s.name, value.c_str());
        Stored bytes = stored(product, s.wideName);
        ok(bytes.type == REG_SZ && bytes.bytes == textBytes(s.value), "%s stored as type %lu, %zu bytes", s.name,
           bytes.type, bytes.bytes.size());
    }
    // The ANSI view of a stored default is the text and one zero byte.
    win32::unique_hkey key;
    RegOpenKeyExW(HKEY_CURRENT_USER, product.key.c_str(), 0, KEY_READ, key.put());
    char ansi[16] = {};
    DWORD size = sizeof ansi;
    RegQueryValueExA(key.get(), "Minutes", nullptr, nullptr, reinterpret_cast<BYTE*>(ansi), &size);
    ok(size == 3 && std::string(ansi) == "10", "ANSI view: %lu bytes [%s]", size, ansi);

    // Another name: letter case counts when the default is chosen.
    ok(registryValue(addIn.get(), "NoSuchSetting") == "Not Used", "unknown name");
    ok(stored(product, L"NoSuchSetting").bytes == textBytes(L"Not Used"), "unknown name not stored");
    ok(reports.labels().empty(), "%zu reports", reports.labels().size());
}

WINE_TEST(texts_in_any_script_survive_a_round_trip) {
    InitializedCopy c(L"vokAutoSave_ENU.dll");
    if (!c.addIn) return;
    auto& addIn = c.addIn;
    const Product& product = c.product;

    const std::string japanese = "\xE3\x82\xAA\xE3\x83\xB3";  // katakana
    const std::string german =
        "Gr\xC3\xB6\xC3\x9F"
        "e \xE2\x82\xAC";  // umlaut, sharp s, euro sign
    put(addIn.get(), &_CAddIn::put_Status, japanese);
    put(addIn.get(), &_CAddIn::put_Documents, german);
    put(addIn.get(), &_CAddIn::put_Prompt, "off");
    ok(stored(product, L"Status").bytes == textBytes(win32::widen(japanese)), "Japanese text stored changed");
    ok(stored(product, L"Documents").bytes == textBytes(win32::widen(german)), "German text stored changed");
    ok(stored(product, L"Prompt").bytes == textBytes(L"off"), "letter case not kept");

    // A second object reads what the first wrote.
    auto second = c.copy.create();
    initialize(second.get(), c.host);
    ok(registryValue(second.get(), "Status") == japanese, "Japanese text read back changed");
    ok(registryValue(second.get(), "Documents") == german, "German text read back changed");
    ok(call(addIn.get(), &_CAddIn::get_Status) == japanese, "member holds another text");
}

WINE_TEST(malformed_stored_values_never_break_the_read) {
    ReportLog reports;
    InitializedCopy c(L"vokAutoSave_ENU.dll");
    if (!c.addIn) return;
    auto& addIn = c.addIn;
    const Product& product = c.product;

    const DWORD number = 10;
    const wchar_t noTerminator[] = {L'1', L'2'};
    const BYTE oddBytes[] = {'1', 0, '2', 0, '3'};
    const wchar_t embeddedZero[] = {L'1', L'\0', L'2', L'\0'};
    std::vector<wchar_t> huge(3 * 1024 * 1024 / sizeof(wchar_t), L'7');
    struct Case {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
        const char* expected;
        bool reported;
    } const cases[] = {
        {"a number", REG_DWORD, &number, sizeof number, "", true},
        {"no terminating zero", REG_SZ, noTerminator, sizeof noTerminator, "12", false},
        {"an odd number of bytes", REG_SZ, oddBytes, sizeof oddBytes, "12", false},
        {"an embedded zero", REG_SZ, embeddedZero, sizeof embeddedZero, "1", false},
        {"zero bytes", REG_SZ, L"", 0, "", true},
        {"a very large text", REG_SZ, huge.data(), static_cast<DWORD>(huge.size() * sizeof(wchar_t)), "", true},
        {"an expandable text", REG_EXPAND_SZ, L"15", 6, "15", false},
    };
    size_t reportsBefore = reports.labels().size();
    for (const auto& c : cases) {
        store(product, L"Minutes", c.type, c.data, c.size);
        Stored before = stored(product, L"Minutes");
        std::string value = registryValue(addIn.get(), "Minutes");
        ok(value == c.expected, "%s read as [%.20s]", c.what, value.c_str());
        Stored after = stored(product, L"Minutes");
        ok(after.type == before.type && after.bytes == before.bytes, "%s: the stored value changed", c.what);
        size_t now = reports.labels().size();
        ok((now > reportsBefore) == c.reported, "%s: %s", c.what, c.reported ? "not reported" : "reported");
        if (now > reportsBefore)
            ok(reports.labels().back() == "CAddIn:GetRegistryValue()", "%s: label %s", c.what,
               reports.labels().back().c_str());
        reportsBefore = now;
    }
}

WINE_TEST(a_read_only_settings_key_still_gives_the_stored_settings) {
    ReportLog reports;
    InitializedCopy c(L"vokAutoSave_ENU.dll");
    if (!c.addIn) return;
    store(c.product, L"Status", REG_SZ, L"Off", 8);
    store(c.product, L"Minutes", REG_SZ, L"25", 6);
    // As an administrator leaves it: everyone may read, no one may write.
    if (!ok(secure(c.product, L"D:P(A;;KR;;;WD)"), "the key could not be made read-only")) return;
    ok(registryValue(c.addIn.get(), "Status") == "Off", "Status read as its default");
    ok(registryValue(c.addIn.get(), "Minutes") == "25", "Minutes read as its default");
    ok(reports.labels().empty(), "%zu reports", reports.labels().size());
    secure(c.product, L"D:P(A;;KA;;;WD)");
}

WINE_TEST(names_come_from_the_language_library) {
    ReportLog reports;
    {
        InitializedCopy c(L"test_strings.dll");
        if (!c.addIn) return;
        auto& addIn = c.addIn;
        std::string name = call(addIn.get(), &_CAddIn::get_name);
        ok(name.size() == 499 && name.front() == 'X', "a 600-character string arrived as %zu characters", name.size());
        ok(call(addIn.get(), &_CAddIn::get_description).empty(), "a missing string is not empty");
        ok(reports.labels().empty(), "%zu reports", reports.labels().size());
    }
    // The shipped libraries hold every text, in their own language; 131 is unused.
    const struct {
        const wchar_t* file;
        const char* menu;
    } libraries[] = {{L"vokAutoSave_ENU.dll", "Tools"},
                     {L"vokAutoSave_DEU.dll", "Extras"},
                     {L"vokAutoSave_JPN.dll", "\xE3\x83\x84\xE3\x83\xBC\xE3\x83\xAB"}};
    for (const auto& l : libraries) {
        win32::unique_hmodule library(
            LoadLibraryExW((binFolder() + L"\\" + l.file).c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        if (!ok(static_cast<bool>(library), "%ls missing", l.file)) continue;
        wchar_t text[500];
        for (UINT id = IDS_INTERVAL_NOT_VALID; id <= IDS_BACKUP_CANCELLED; ++id) {
            int n = LoadStringW(library.get(), id, text, 500);
            // The Japanese question puts the name first: its text before the name is empty.
            bool mayBeEmpty = id == 131 ||
                              (id == IDS_PROMPT_BEFORE_NAME && wcscmp(l.file, L"vokAutoSave_JPN.dll") == 0);
            ok(id == 131 ? n == 0 : (n > 0 || mayBeEmpty), "%ls string %u: %d characters", l.file, id, n);
        }
        int n = LoadStringW(library.get(), IDS_MENU_NAME, text, 500);
        ok(win32::narrow(std::wstring_view(text, n)) == l.menu, "%ls: menu name", l.file);
    }
}

WINE_TEST(a_missing_language_library_is_reported_once) {
    ReportLog reports;
    InitializedCopy c(nullptr);
    if (!c.addIn) return;
    auto& addIn = c.addIn;
    auto labels = reports.labels();
    ok(labels.size() == 1 &&
           labels[0] == "CAddIn:InitializeApplication()--Failed to Load vokAutoSave_<>.dll Resource Lib",
       "%zu reports, first [%s]", labels.size(), labels.empty() ? "" : labels[0].c_str());
    // The report does not stop the initialisation: the settings key is there.
    ok(registryValue(addIn.get(), "Prompt") == "On" && stored(c.product, L"Prompt").exists, "settings key not set");
    initialize(addIn.get(), c.host);
    ok(reports.labels().size() == 2, "not reported again by a second initialisation");
    ok(c.host.references() == 0, "the add-in kept %lu references to the host", c.host.references());
}

int main() {
    win32::com_apartment apartment;
    return winetest::run_all();
}
