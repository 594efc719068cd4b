// The add-in's own registration: what it writes and removes, twice over,
// when a write fails part-way, and beside another copy's registration.
#include "AddInComFixture.h"

#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"

#include "vokAutoSave412.h"

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cwctype>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

using namespace addintest;

namespace {

std::wstring registryText(HKEY root, const std::wstring& key, const wchar_t* name) {
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) return L"";
    return buffer;
}

// Every value under the keys registration may write, one line each, so that
// two states of the registry compare as a whole.
void snapshotKey(HKEY key, const std::wstring& path, std::vector<std::wstring>& out) {
    out.push_back(path);
    wchar_t name[256];
    BYTE data[2048];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = std::size(name), type = 0, size = sizeof data;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        out.push_back(path + L" [" + name + L"] " + std::to_wstring(type) + L" " +
                      std::wstring(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t)));
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = std::size(name);
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        win32::unique_hkey sub;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, sub.put()) == ERROR_SUCCESS)
            snapshotKey(sub.get(), path + L"\\" + name, out);
    }
}

std::vector<std::wstring> registrationSnapshot() {
    const std::wstring keys[] = {
        L"CLSID\\" + guidText(CLSID_CAddIn),
        L"CLSID\\" + guidText(CLSID_CCommand),
        L"vokAutoSave412.CAddIn",
        L"vokAutoSave412.CCommand",
        L"TypeLib\\" + guidText(LIBID_vokAutoSave412),
        L"Interface\\" + guidText(IID__CAddIn),
        L"Interface\\" + guidText(IID__CCommand),
        L"Interface\\" + guidText(kCommandVersion0),
    };
    std::vector<std::wstring> lines;
    for (const auto& k : keys) {
        win32::unique_hkey key;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, k.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
            snapshotKey(key.get(), k, lines);
    }
    return lines;
}

// What `call` does under `root`, with HKEY_CLASSES_ROOT redirected to it:
// its result and the key's contents before and after.
struct ClassesRootRun {
    HRESULT hr = E_FAIL;
    std::vector<std::wstring> before, after;
};
template <typename Call>
ClassesRootRun runInClassesRoot(HKEY root, Call call) {
    ClassesRootRun run;
    snapshotKey(root, L"", run.before);
    RegOverridePredefKey(HKEY_CLASSES_ROOT, root);
    run.hr = call();
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    snapshotKey(root, L"", run.after);
    return run;
}

// The first line in which two snapshots differ, for the failure message.
std::wstring firstDifference(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b) {
    auto [x, y] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return x != a.end() ? *x : y != b.end() ? *y : L"";
}

}  // namespace

WINE_TEST(registration_makes_both_progid_spellings_resolve) {
    HRESULT hr = entry<NoArgsFn>("ORVRegisterServer")();
    ok(hr == S_OK, "ORVRegisterServer: 0x%08lx", hr);
    CLSID clsid{};
    hr = CLSIDFromProgID(L"vokAutoSave412.CAddIn", &clsid);
    ok(hr == S_OK && clsid == CLSID_CAddIn, "registered ProgID: 0x%08lx", hr);
    clsid = {};
    hr = CLSIDFromProgID(L"vokAutosave412.CAddin", &clsid);
    ok(hr == S_OK && clsid == CLSID_CAddIn, "run-time spelling: 0x%08lx", hr);

    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(addin(), path, MAX_PATH);
    std::wstring server = L"CLSID\\" + guidText(CLSID_CAddIn) + L"\\InprocServer32";
    ok(lstrcmpiW(registryText(HKEY_CLASSES_ROOT, server, nullptr).c_str(), path) == 0, "server path not registered");
    ok(registryText(HKEY_CLASSES_ROOT, server, L"ThreadingModel") == L"Apartment", "threading model");

    com_ptr<ITypeLib> library;
    hr = LoadRegTypeLib(LIBID_vokAutoSave412, 1, 1, 0x0409, library.put());
    ok(hr == S_OK, "type library not registered: 0x%08lx", hr);

    com_ptr<_CAddIn> created;
    hr = CoCreateInstance(CLSID_CAddIn, nullptr, CLSCTX_INPROC_SERVER, IID__CAddIn, created.put_void());
    ok(hr == S_OK && created, "CoCreateInstance: 0x%08lx", hr);
}

WINE_TEST(unloads_only_when_nothing_is_alive) { checkUnloadsOnlyWhenNothingIsAlive(); }

WINE_TEST(unregistration_removes_the_classes) {
    HRESULT hr = entry<NoArgsFn>("ORVUnregisterServer")();
    ok(hr == S_OK, "ORVUnregisterServer: 0x%08lx", hr);
    CLSID clsid{};
    ok(FAILED(CLSIDFromProgID(L"vokAutoSave412.CAddIn", &clsid)), "ProgID still registered");
    // Leave the prefix as the other tests expect it.
    entry<NoArgsFn>("ORVRegisterServer")();
}

WINE_TEST(registration_round_trip_leaves_nothing_behind) {
    auto registerServer = entry<NoArgsFn>("ORVRegisterServer");
    auto unregisterServer = entry<NoArgsFn>("ORVUnregisterServer");
    ok(unregisterServer() == S_OK, "initial unregistration");
    const auto clean = registrationSnapshot();
    ok(clean.empty(), "left after unregistration: %ls", firstDifference(clean, {}).c_str());
    ok(unregisterServer() == S_OK && registrationSnapshot() == clean, "unregistering what is not registered");

    ok(registerServer() == S_OK, "registration");
    const auto registered = registrationSnapshot();
    for (const std::wstring& key : {L"CLSID\\" + guidText(CLSID_CAddIn), L"CLSID\\" + guidText(CLSID_CCommand),
                                    std::wstring(L"vokAutoSave412.CAddIn"), std::wstring(L"vokAutoSave412.CCommand"),
                                    L"TypeLib\\" + guidText(LIBID_vokAutoSave412),
                                    L"Interface\\" + guidText(IID__CAddIn), L"Interface\\" + guidText(IID__CCommand)})
        ok(std::find(registered.begin(), registered.end(), key) != registered.end(), "%ls not registered", key.c_str());
    ok(registerServer() == S_OK, "second registration");
    auto again = registrationSnapshot();
    ok(again == registered, "registering twice changed %ls", firstDifference(again, registered).c_str());

    for (const char* round : {"first", "second"}) {
        ok(unregisterServer() == S_OK, "%s unregistration", round);
        auto after = registrationSnapshot();
        ok(after == clean, "%s unregistration left %ls", round, firstDifference(after, clean).c_str());
    }
    // Leave the prefix as the other tests expect it.
    registerServer();
}

// A registry the process may not write in full: HKEY_CLASSES_ROOT redirected
// to a scratch key where one subkey is volatile, so that creating a lasting
// key under it fails part-way through registration.
WINE_TEST(registration_that_fails_part_way_leaves_nothing) {
    auto registerServer = entry<NoArgsFn>("ORVRegisterServer");
    const wchar_t kScratch[] = L"Software\\AutoSaveTests\\Classes";
    for (const wchar_t* blocked : {L"CLSID", L"TypeLib", L"Interface"}) {
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
        win32::unique_hkey root;
        RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, root.put(), nullptr);
        // The three folders every classes root has; the blocked one is volatile.
        for (const wchar_t* folder : {L"CLSID", L"TypeLib", L"Interface"}) {
            win32::unique_hkey key;
            RegCreateKeyExW(root.get(), folder, 0, nullptr, folder == blocked ? REG_OPTION_VOLATILE : 0, KEY_ALL_ACCESS,
                            nullptr, key.put(), nullptr);
        }
        const ClassesRootRun run = runInClassesRoot(root.get(), registerServer);
        ok(FAILED(run.hr), "%ls blocked: registration reported 0x%08lx", blocked, run.hr);
        ok(run.after == run.before, "%ls blocked: left %ls", blocked, firstDifference(run.after, run.before).c_str());
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    CLSID clsid{};
    ok(CLSIDFromProgID(L"vokAutoSave412.CAddIn", &clsid) == S_OK, "the real registration was touched");
}

// Another copy's registration of the same classes (a second install, a
// stray copy) is not removed by unregistering this one; the same file named
// in other letters is this one's. HKEY_CLASSES_ROOT is a scratch key here.
WINE_TEST(unregistration_leaves_another_files_registration) {
    auto unregisterServer = entry<NoArgsFn>("ORVUnregisterServer");
    const wchar_t kScratch[] = L"Software\\AutoSaveTests\\Classes";
    const std::wstring platform = sizeof(void*) == 8 ? L"win64" : L"win32";
    auto registerAs = [&](const std::wstring& file) {
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
        const std::wstring library = guidText(LIBID_vokAutoSave412);
        const std::pair<const wchar_t*, const GUID&> classes[] = {{L"vokAutoSave412.CAddIn", CLSID_CAddIn},
                                                                  {L"vokAutoSave412.CCommand", CLSID_CCommand}};
        auto set = [&](const std::wstring& key, const std::wstring& value) {
            const std::wstring path = std::wstring(kScratch) + L"\\" + key;
            RegSetKeyValueW(HKEY_CURRENT_USER, path.c_str(), nullptr, REG_SZ, value.c_str(),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        };
        for (const auto& [progId, clsid] : classes) {
            set(L"CLSID\\" + guidText(clsid) + L"\\InprocServer32", file);
            set(L"CLSID\\" + guidText(clsid) + L"\\ProgID", progId);
            set(std::wstring(progId) + L"\\CLSID", guidText(clsid));
        }
        set(L"TypeLib\\" + library + L"\\1.1\\409\\" + platform, file);
        for (const GUID& iid : {IID__CAddIn, IID__CCommand})
            set(L"Interface\\" + guidText(iid) + L"\\TypeLib", library);
    };
    auto unregisterIn = [&] {
        win32::unique_hkey root;
        RegOpenKeyExW(HKEY_CURRENT_USER, kScratch, 0, KEY_ALL_ACCESS, root.put());
        ClassesRootRun run = runInClassesRoot(root.get(), unregisterServer);
        ok(run.hr == S_OK, "ORVUnregisterServer: 0x%08lx", run.hr);
        return std::pair{std::move(run.before), std::move(run.after)};
    };

    registerAs(L"C:\\Program Files\\Other\\vokAutoSave412.dll");
    auto [before, after] = unregisterIn();
    ok(after == before, "another file's registration changed: %ls", firstDifference(after, before).c_str());

    std::wstring ours = addinPath();
    for (wchar_t& c : ours) c = static_cast<wchar_t>(std::towupper(c));
    registerAs(ours);
    auto [mine, left] = unregisterIn();
    const std::vector<std::wstring> empty = {L"", L"\\CLSID", L"\\Interface", L"\\TypeLib"};
    ok(left == empty, "this file's registration left %ls", firstDifference(left, empty).c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
}
int main() {
    win32::com_apartment apartment;
    return winetest::run_all();
}
