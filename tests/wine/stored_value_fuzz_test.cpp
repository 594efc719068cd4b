// Random stored values under the add-in's settings key, read back through its
// COM object the way Install reads them (GetRegistryValue, then the property
// put and get): any type, any size, any bytes. A value is either missing (its
// default is stored and returned), text (returned up to its first zero, an odd
// trailing byte dropped), or unreadable (the empty text and one report).
//   STORED_VALUE_FUZZ_ITERATIONS (default 3000, about 30 s), STORED_VALUE_FUZZ_SEED (default 1)
#include "WineTest.h"

#include "MiniHost.h"
#include "ReportLabel.h"
#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include "vokAutoSave412.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using win32::com_ptr;

namespace {

unsigned long fromEnvironment(const char* name, unsigned long fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoul(text, nullptr, 10) : fallback;
}

// Report lines the error reporter appended since the last call.
class NewReports {
public:
    NewReports() {
        wchar_t base[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, base);
        m_path = std::wstring(base) + L"stored_value_fuzz_" + std::to_wstring(GetCurrentProcessId()) + L".log";
        DeleteFileW(m_path.c_str());
        SetEnvironmentVariableW(L"MORVANE_ERRORREPORTER_LOG", m_path.c_str());
    }
    ~NewReports() { DeleteFileW(m_path.c_str()); }
    // The label of each, in order.
    std::vector<std::string> take() {
        std::ifstream in(m_path.c_str(), std::ios::binary | std::ios::ate);
        // A log grown too large is moved aside and started afresh.
        if (in.tellg() < m_read) m_read = 0;
        in.seekg(m_read);
        std::vector<std::string> labels;
        for (std::string line; std::getline(in, line);) {
            m_read += static_cast<std::streamoff>(line.size() + 1);
            labels.push_back(reportLabel(line));
        }
        return labels;
    }

private:
    std::wstring m_path;
    std::streamoff m_read = 0;
};

struct Setting {
    const wchar_t* name;
    const wchar_t* fallback;
    HRESULT (STDMETHODCALLTYPE _CAddIn::*get)(BSTR*);
    HRESULT (STDMETHODCALLTYPE _CAddIn::*put)(BSTR*);
};
const Setting kSettings[] = {
    {L"Status", L"On", &_CAddIn::get_Status, &_CAddIn::put_Status},
    {L"Documents", L"Active", &_CAddIn::get_Documents, &_CAddIn::put_Documents},
    {L"Minutes", L"10", &_CAddIn::get_Minutes, &_CAddIn::put_Minutes},
    {L"Prompt", L"On", &_CAddIn::get_Prompt, &_CAddIn::put_Prompt},
    {L"SaveBackup", L"Off", &_CAddIn::get_SaveBackup, &_CAddIn::put_SaveBackup},
};

struct Stored {
    bool exists = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

class ValueMaker {
public:
    explicit ValueMaker(std::uint32_t seed) : m_random(seed) {}

    // Missing, or of any type, size and content.
    Stored next() {
        Stored s;
        int kind = pick(100);
        if (kind < 8) return s;
        s.exists = true;
        static const DWORD kOddTypes[] = {REG_LINK,
                                          REG_RESOURCE_LIST,
                                          REG_FULL_RESOURCE_DESCRIPTOR,
                                          REG_RESOURCE_REQUIREMENTS_LIST,
                                          REG_DWORD_BIG_ENDIAN,
                                          0x7FFFFFFF,
                                          0xFFFFFFFF};
        s.type = kind < 40   ? REG_SZ
                 : kind < 52 ? REG_EXPAND_SZ
                 : kind < 62 ? REG_MULTI_SZ
                 : kind < 70 ? REG_BINARY
                 : kind < 77 ? REG_DWORD
                 : kind < 84 ? REG_QWORD
                 : kind < 90 ? REG_NONE
                 : kind < 95 ? kOddTypes[pick(std::size(kOddTypes))]
                             : static_cast<DWORD>(m_random());
        int sizeKind = pick(100);
        size_t size = sizeKind < 10   ? 0
                      : sizeKind < 55 ? 1 + pick(16)
                      : sizeKind < 85 ? 17 + pick(512)
                                      : 1 + pick(64 * 1024);
        if (pick(2)) s.bytes = text(size);
        else
            for (size_t i = 0; i < size; ++i) s.bytes.push_back(static_cast<BYTE>(m_random()));
        return s;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    int pick(size_t n) { return pick(static_cast<int>(n)); }

    // UTF-16 text of the settings' kind, with zeros, lone surrogates and
    // other scripts here and there; size bytes of it, so perhaps half a character.
    std::vector<BYTE> text(size_t size) {
        static const wchar_t* const kWords[] = {L"On",           L"Off",          L"All",         L"Active",     L"10",
                                                L"0.02",         L"-1",           L"1e308",       L"&H7FFFFFFF", L" ",
                                                L"\x00e4\x00df", L"\x30aa\x30f3", L"\xd83d\xde00"};
        std::wstring units;
        while (units.size() * 2 < size) {
            int r = pick(20);
            if (r < 12) units += kWords[pick(std::size(kWords))];
            else if (r < 14) units += L'\0';
            else if (r < 16) units += static_cast<wchar_t>(0xD800 + pick(0x800));  // a surrogate alone
            else units += static_cast<wchar_t>(1 + pick(0xFFFE));
        }
        const BYTE* p = reinterpret_cast<const BYTE*>(units.data());
        return std::vector<BYTE>(p, p + size);
    }

    std::mt19937 m_random;
};

// What the add-in returns for a stored text: the characters before the first
// zero, a surrogate without its partner taken as U+FFFD.
std::wstring expectedText(const std::vector<BYTE>& bytes) {
    std::wstring units(bytes.size() / 2, L'\0');
    std::memcpy(units.data(), bytes.data(), units.size() * 2);
    units.resize(std::min(units.size(), units.find(L'\0')));
    std::wstring out;
    for (size_t i = 0; i < units.size(); ++i) {
        wchar_t c = units[i];
        bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            out += c;
            out += units[++i];
        } else {
            out += (high || low) ? L'\xFFFD' : c;
        }
    }
    return out;
}

Stored read(HKEY key, const wchar_t* name) {
    Stored s;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &s.type, nullptr, &size) != ERROR_SUCCESS) return s;
    s.bytes.resize(size);
    if (RegQueryValueExW(key, name, nullptr, &s.type, s.bytes.data(), &size) != ERROR_SUCCESS) return s;
    s.bytes.resize(size);
    s.exists = true;
    return s;
}

com_ptr<_CAddIn> createAddIn(HMODULE module) {
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    com_ptr<IClassFactory> factory;
    com_ptr<_CAddIn> addIn;
    if (getClassObject && SUCCEEDED(getClassObject(CLSID_CAddIn, IID_IClassFactory, factory.put_void())))
        factory->CreateInstance(nullptr, IID__CAddIn, addIn.put_void());
    return addIn;
}

}  // namespace

WINE_TEST(random_stored_values_read_by_the_rules) {
    const unsigned long iterations = fromEnvironment("STORED_VALUE_FUZZ_ITERATIONS", 3000);
    const auto seed = static_cast<std::uint32_t>(fromEnvironment("STORED_VALUE_FUZZ_SEED", 1));
    NewReports reports;  // before the add-in: it creates its reporter on first use
    const std::string progId = "StoredValueFuzz" + std::to_string(GetCurrentProcessId());
    MiniHost host(progId);
    win32::unique_hmodule module(LoadLibraryW(L"vokAutoSave412.dll"));
    com_ptr<_CAddIn> addIn = createAddIn(module.get());
    if (!ok(static_cast<bool>(addIn), "add-in not created")) return;
    IDispatch* application = &host;
    addIn->InitializeApplication(&application);
    const std::wstring product = L"SOFTWARE\\Morvane\\Applications\\" + win32::widen(progId);
    win32::unique_hkey key;
    RegCreateKeyExW(HKEY_CURRENT_USER, (product + L"\\PrefSets\\AddIns\\AutoSave").c_str(), 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    reports.take();

    ValueMaker maker(seed);
    unsigned long failures = 0, texts = 0, unreadable = 0, missing = 0;
    auto expect = [&](bool condition, const char* what, const Setting& s, const Stored& stored) {
        if (condition || ++failures > 10) return;
        ok(false, "%s: %ls, type %lu, %zu bytes", what, s.name, stored.type, stored.bytes.size());
    };
    DWORD started = GetTickCount();
    for (unsigned long i = 0; i < iterations; ++i) {
        for (const Setting& s : kSettings) {
            Stored stored = maker.next();
            if (stored.exists)
                RegSetValueExW(key.get(), s.name, 0, stored.type, stored.bytes.data(),
                               static_cast<DWORD>(stored.bytes.size()));
            else RegDeleteValueW(key.get(), s.name);
            // What the registry holds may differ from what was written (a
            // type it converts); the add-in reads what it holds.
            stored = read(key.get(), s.name);

            win32::unique_bstr name(SysAllocString(s.name)), value;
            HRESULT hr = addIn->GetRegistryValue(name.get(), value.put());
            const std::wstring got(value.get() ? value.get() : L"", SysStringLen(value.get()));
            std::vector<std::string> labels = reports.take();
            expect(hr == S_OK, "GetRegistryValue failed", s, stored);
            if (!stored.exists) {
                ++missing;
                expect(got == s.fallback && labels.empty(), "missing value not read as its default", s, stored);
                Stored created = read(key.get(), s.name);
                expect(created.type == REG_SZ && expectedText(created.bytes) == s.fallback, "default not stored", s,
                       stored);
            } else if (stored.bytes.empty() || (stored.type != REG_SZ && stored.type != REG_EXPAND_SZ)) {
                ++unreadable;
                expect(got.empty() && labels.size() == 1 && labels[0] == "CAddIn:GetRegistryValue()",
                       "unreadable value not reported once", s, stored);
            } else {
                ++texts;
                expect(got == expectedText(stored.bytes) && labels.empty(), "text read wrongly", s, stored);
            }
            if (stored.exists) {
                Stored after = read(key.get(), s.name);
                expect(after.type == stored.type && after.bytes == stored.bytes, "the read changed the value", s,
                       stored);
            }

            // As Install goes on: the text read becomes the setting.
            BSTR slot = value.get();
            (addIn.get()->*s.put)(&slot);
            win32::unique_bstr back;
            (addIn.get()->*s.get)(back.put());
            expect(std::wstring(back.get() ? back.get() : L"", SysStringLen(back.get())) == got,
                   "the property holds another text", s, stored);
            // A number too large for the interval is reported by the put, nothing else.
            for (const std::string& label : reports.take())
                expect(label == "CAddIn:Let Minutes()" && s.put == &_CAddIn::put_Minutes, label.c_str(), s, stored);
        }
    }
    std::printf(
        "stored_value_fuzz: seed %u, %lu iterations, %lu values (%lu texts, %lu unreadable, %lu missing) "
        "in %.1f s\n",
        static_cast<unsigned>(seed), iterations, static_cast<unsigned long>(iterations * std::size(kSettings)), texts,
        unreadable, missing, (GetTickCount() - started) / 1000.0);
    ok(failures == 0, "%lu wrong reads", failures);
    key.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, product.c_str());
}

int main() {
    win32::com_apartment apartment;
    return winetest::run_all();
}
