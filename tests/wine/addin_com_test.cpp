// The add-in DLL's class objects as COM sees them: its exports, class
// objects and references, the interfaces each class answers, its version
// resource and unloading.
#include "AddInComFixture.h"

#include "com/VersionResource.h"
#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include "vokAutoSave412.h"

#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

using namespace addintest;

namespace {

const CLSID kSomeOtherClass = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

ULONG refCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

// The identifiers in one of the add-in's accepted-interface resources: a
// 32-bit byte count, then the GUIDs in memory layout.
std::vector<GUID> acceptedInterfaces(const wchar_t* type) {
    HRSRC found = FindResourceW(addin(), MAKEINTRESOURCEW(1), type);
    if (!ok(found != nullptr, "resource %ls missing", type)) return {};
    DWORD size = SizeofResource(addin(), found);
    auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(addin(), found)));
    DWORD count = 0;
    if (size >= sizeof count) std::memcpy(&count, bytes, sizeof count);
    if (!ok(bytes && size == sizeof count + count && count % sizeof(GUID) == 0, "%ls: %lu bytes, count %lu", type, size,
            count))
        return {};
    std::vector<GUID> ids(count / sizeof(GUID));
    std::memcpy(ids.data(), bytes + sizeof count, count);
    return ids;
}

}  // namespace

WINE_TEST(exports_only_the_four_entry_points) {
    ok(addin() != nullptr, "vokAutoSave412.dll not loaded: %lu", GetLastError());
    for (const char* name : {"DllGetClassObject", "DllCanUnloadNow", "ORVRegisterServer", "ORVUnregisterServer"})
        ok(GetProcAddress(addin(), name) != nullptr, "%s missing", name);
    ok(GetProcAddress(addin(), "DllRegisterServer") == nullptr, "standard self-registration must not be exported");
    ok(GetProcAddress(addin(), "DllUnregisterServer") == nullptr, "standard self-unregistration must not be exported");
}

WINE_TEST(class_object_requests) {
    auto getClassObject = entry<GetClassObjectFn>("DllGetClassObject");
    void* out = kSentinel;
    HRESULT hr = getClassObject(kSomeOtherClass, IID_IClassFactory, &out);
    ok(hr == CLASS_E_CLASSNOTAVAILABLE, "other class: got 0x%08lx", hr);
    ok(out == nullptr, "out-parameter not cleared: %p", out);
    ok(getClassObject(CLSID_CAddIn, IID_IClassFactory, nullptr) == E_POINTER, "null out-parameter accepted");

    auto f = factory();
    ok(static_cast<bool>(f), "no class factory for CAddIn");
    if (!f) return;
    com_ptr<IUnknown> outer = newAddIn().try_query<IUnknown>(IID_IUnknown);
    out = kSentinel;
    hr = f->CreateInstance(outer.get(), IID_IUnknown, &out);
    ok(hr == CLASS_E_NOAGGREGATION, "aggregation: got 0x%08lx", hr);
    ok(out == nullptr, "aggregation out-parameter not cleared");
    out = kSentinel;
    hr = f->CreateInstance(nullptr, IID_IClassFactory, &out);
    ok(hr == E_NOINTERFACE && out == nullptr, "unsupported interface: got 0x%08lx %p", hr, out);
}

WINE_TEST(fresh_object_interfaces_and_properties) {
    auto a = newAddIn();
    ok(static_cast<bool>(a), "CAddIn not created");
    if (!a) return;
    ok(refCount(a.get()) == 1, "fresh object holds %lu references", refCount(a.get()));
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &IID__CAddIn, &IID_ISupportErrorInfo}) {
        com_ptr<IUnknown> other;
        ok(a->QueryInterface(*iid, other.put_void()) == S_OK, "interface %ls refused", guidText(*iid).c_str());
    }
    void* out = kSentinel;
    ok(a->QueryInterface(IID_IConnectionPointContainer, &out) == E_NOINTERFACE && out == nullptr,
       "unexpected interface answered");
    ok(refCount(a.get()) == 1, "QueryInterface leaked references: %lu", refCount(a.get()));

    VARIANT_BOOL flag = 7;
    ok(a->get_Hidden(&flag) == S_OK && flag == VARIANT_FALSE, "Hidden: %d", flag);
    flag = 7;
    ok(a->get_IsInstalled(&flag) == S_OK && flag == VARIANT_FALSE, "IsInstalled: %d", flag);
    ok(a->get_Hidden(nullptr) == E_POINTER, "null result accepted");

    VARIANT_BOOL yes = VARIANT_TRUE;
    ok(a->put_IsInstalled(&yes) == S_OK, "IsInstalled put");
    a->get_IsInstalled(&flag);
    ok(flag == VARIANT_TRUE, "IsInstalled put not kept");

    win32::unique_bstr name = win32::make_bstr("Zeichnung \xE4\xF6\xFC / \xE5\x9B\xB3\xE9\x9D\xA2");  // non-ASCII
    BSTR in = name.get();
    ok(a->put_name(&in) == S_OK, "name put");
    win32::unique_bstr back;
    ok(a->get_name(back.put()) == S_OK && win32::from_bstr(back.get()) == win32::from_bstr(name.get()),
       "name did not come back unchanged");
}

WINE_TEST(command_class_answers_both_interface_versions) {
    CLSID clsid{};
    ok(CLSIDFromProgID(L"vokAutoSave412.CCommand", &clsid) == S_OK && clsid == CLSID_CCommand, "CCommand ProgID");
    com_ptr<IClassFactory> f;
    entry<GetClassObjectFn>("DllGetClassObject")(CLSID_CCommand, IID_IClassFactory, f.put_void());
    com_ptr<_CCommand> command;
    if (f) f->CreateInstance(nullptr, IID__CCommand, command.put_void());
    if (!ok(static_cast<bool>(command), "CCommand not created")) return;
    const IID earlier{0x5652A976, 0xFC4C, 0x46D8, {0xA5, 0xDC, 0xE8, 0xD5, 0x76, 0x42, 0xBB, 0x55}};
    com_ptr<IUnknown> asEarlier, identity;
    ok(command->QueryInterface(earlier, asEarlier.put_void()) == S_OK && asEarlier.get() == command.get(),
       "earlier interface identifier refused");
    command->QueryInterface(IID_IUnknown, identity.put_void());
    ok(win32::same_object(identity.get(), asEarlier.get()), "one identity");

    const std::pair<const wchar_t*, DISPID> members[] = {{L"command_initialize", 0x60030001},
                                                         {L"HELPFILENAME", 0x68030002}};
    for (const auto& [member, expected] : members) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
        DISPID id = 0;
        ok(command->GetIDsOfNames(IID_NULL, names, 1, 0, &id) == S_OK && id == expected, "%ls: 0x%08lx", member, id);
    }
    ok(command->get_HelpFileName(nullptr) == E_POINTER, "null result accepted");
    command = nullptr;
    asEarlier = identity = nullptr;
    f = nullptr;
    ok(entry<NoArgsFn>("DllCanUnloadNow")() == S_OK, "a released command keeps the module");
}

WINE_TEST(classes_answer_exactly_their_listed_interfaces) {
    const auto addInIds = acceptedInterfaces(L"_IID_CADDIN");
    const auto commandIds = acceptedInterfaces(L"_IID_CCOMMAND");
    ok(addInIds == std::vector<GUID>{IID__CAddIn}, "_IID_CADDIN holds %zu identifiers", addInIds.size());
    ok(commandIds == std::vector<GUID>({kCommandVersion0, IID__CCommand}), "_IID_CCOMMAND holds %zu identifiers",
       commandIds.size());

    const IID someOther = {0x0badf00d, 0x4c1e, 0x4a2b, {0x9e, 0x10, 0x33, 0x21, 0x7a, 0x55, 0x0c, 0x42}};
    const struct {
        const CLSID& clsid;
        const std::vector<GUID>& answered;
        const std::vector<GUID>& refused;
    } classes[] = {{CLSID_CAddIn, addInIds, commandIds}, {CLSID_CCommand, commandIds, addInIds}};
    for (const auto& c : classes) {
        auto object = create<IUnknown>(c.clsid, IID_IUnknown);
        if (!ok(static_cast<bool>(object), "%ls not created", guidText(c.clsid).c_str())) continue;
        std::vector<GUID> answered = c.answered, refused = c.refused;
        answered.insert(answered.end(), {IID_IUnknown, IID_IDispatch, IID_ISupportErrorInfo});
        refused.insert(refused.end(), {someOther, IID_IConnectionPointContainer});
        for (const GUID& iid : answered) {
            com_ptr<IUnknown> other;
            ok(object->QueryInterface(iid, other.put_void()) == S_OK, "%ls refuses %ls", guidText(c.clsid).c_str(),
               guidText(iid).c_str());
        }
        for (const GUID& iid : refused) {
            void* out = kSentinel;
            ok(object->QueryInterface(iid, &out) == E_NOINTERFACE && out == nullptr, "%ls answers %ls",
               guidText(c.clsid).c_str(), guidText(iid).c_str());
        }
    }
}

// Against the values the resource script builds the resource from, and the
// file the resource is in.
WINE_TEST(version_resource) {
    const std::wstring path = addinPath();
    std::vector<BYTE> data(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    if (!ok(!data.empty() && GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()),
            "no version information: %lu", GetLastError()))
        return;
    void* value = nullptr;
    UINT length = 0;
    ok(VerQueryValueW(data.data(), L"\\", &value, &length) && length == sizeof(VS_FIXEDFILEINFO), "fixed part");
    const DWORD version = MAKELONG(ADDIN_FILE_VERSION_MINOR, ADDIN_FILE_VERSION_MAJOR);
    if (auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value)) {
        ok(fixed->dwFileVersionMS == version && fixed->dwFileVersionLS == 0 && fixed->dwProductVersionMS == version &&
               fixed->dwProductVersionLS == 0,
           "numeric version %lx.%lx / %lx.%lx", fixed->dwFileVersionMS, fixed->dwFileVersionLS,
           fixed->dwProductVersionMS, fixed->dwProductVersionLS);
        ok(fixed->dwFileType == VFT_DLL, "file type %lu", fixed->dwFileType);
    }
    value = nullptr;
    ok(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) && length == 4 &&
           static_cast<const WORD*>(value)[0] == ADDIN_VERSION_LANGUAGE &&
           static_cast<const WORD*>(value)[1] == ADDIN_VERSION_CODEPAGE,
       "translation");
    // The texts as "major.minor" with two digits of minor; the names those of
    // the file the resource is in.
    wchar_t versionText[16] = {};
    std::swprintf(versionText, std::size(versionText), L"%d.%02d", ADDIN_FILE_VERSION_MAJOR, ADDIN_FILE_VERSION_MINOR);
    const std::wstring fileName = path.substr(path.find_last_of(L'\\') + 1);
    const std::wstring baseName = fileName.substr(0, fileName.find_last_of(L'.'));
    ok(lstrcmpiW(L"" ADDIN_ORIGINAL_FILENAME, fileName.c_str()) == 0 && baseName == L"" ADDIN_INTERNAL_NAME,
       "names for %ls", fileName.c_str());
    const std::pair<const wchar_t*, std::wstring> texts[] = {
        {L"CompanyName", L"" ADDIN_COMPANY_NAME},
        {L"FileVersion", versionText},
        {L"ProductVersion", versionText},
        {L"InternalName", baseName},
        {L"OriginalFilename", L"" ADDIN_ORIGINAL_FILENAME},
        {L"OLESelfRegister", L""},
    };
    // The string table is named by the translation: language, then code page, in hexadecimal.
    wchar_t table[64] = {};
    std::swprintf(table, std::size(table), L"\\StringFileInfo\\%04X%04X\\", ADDIN_VERSION_LANGUAGE,
                  ADDIN_VERSION_CODEPAGE);
    for (const auto& [name, expected] : texts) {
        value = nullptr;
        length = 0;
        std::wstring query = table + std::wstring(name);
        bool found = VerQueryValueW(data.data(), query.c_str(), &value, &length);
        std::wstring text = found && value ? std::wstring(static_cast<const wchar_t*>(value), length) : L"?";
        text.resize(std::wcslen(text.c_str()));
        ok(found && text == expected, "%ls: \"%ls\"", name, text.c_str());
    }
}

WINE_TEST(unloads_only_when_nothing_is_alive) { checkUnloadsOnlyWhenNothingIsAlive(); }

int main() {
    win32::com_apartment apartment;
    return winetest::run_all();
}
