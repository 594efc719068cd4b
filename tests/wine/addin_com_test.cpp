// The add-in DLL as COM sees it: class objects, registration, interfaces,
// the type library's member layout, late binding and unloading.
#include "WineTest.h"

#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include "vokAutoSave412.h"

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <span>
#include <string>
#include <vector>

using win32::com_ptr;

namespace {

HMODULE addin() {
    static HMODULE module = LoadLibraryW(L"vokAutoSave412.dll");
    return module;
}

template <typename F>
F entry(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(addin(), name)));
}

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using NoArgsFn = HRESULT(STDAPICALLTYPE*)();

const CLSID kSomeOtherClass = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
const IID kCommandVersion0 = {0x5652A976, 0xFC4C, 0x46D8, {0xA5, 0xDC, 0xE8, 0xD5, 0x76, 0x42, 0xBB, 0x55}};
void* const kSentinel = reinterpret_cast<void*>(0xdeadbeef);

com_ptr<IClassFactory> factory(REFCLSID clsid = CLSID_CAddIn) {
    com_ptr<IClassFactory> f;
    entry<GetClassObjectFn>("DllGetClassObject")(clsid, IID_IClassFactory, f.put_void());
    return f;
}

template <typename I>
com_ptr<I> create(REFCLSID clsid, REFIID iid) {
    com_ptr<I> object;
    if (auto f = factory(clsid)) f->CreateInstance(nullptr, iid, object.put_void());
    return object;
}

com_ptr<_CAddIn> newAddIn() { return create<_CAddIn>(CLSID_CAddIn, IID__CAddIn); }

std::wstring addinPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(addin(), path, MAX_PATH);
    return path;
}

ULONG refCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

std::wstring registryText(HKEY root, const std::wstring& key, const wchar_t* name) {
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) return L"";
    return buffer;
}

std::wstring guidText(REFGUID g) {
    wchar_t text[40] = {};
    StringFromGUID2(g, text, 40);
    return text;
}

// A null BSTR reads as the empty text, as type libraries give "no string".
bool sameText(BSTR got, const wchar_t* expected) {
    return std::wcscmp(got ? got : L"", expected ? expected : L"") == 0;
}

// One member of a dual interface's function table, from slot 7 on. The first
// parameter's type, and for a pointer what it points to (VT_EMPTY: by value).
struct Member {
    const wchar_t* name;
    INVOKEKIND kind;
    DISPID id;
    short params;
    VARTYPE pointee;
    const wchar_t* firstParameter = nullptr;  // its name, where it matters
};

// Checks the vtable interface behind an object's dispatch type information,
// slot by slot: names, kinds, identifiers, parameters and how they pass.
void checkMemberLayout(IDispatch* object, REFIID iid, std::span<const Member> expected) {
    com_ptr<ITypeInfo> dispatchInfo, vtableInfo;
    ok(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, dispatchInfo.put()) == S_OK, "no type information");
    if (!dispatchInfo) return;
    HREFTYPE vtableRef = 0;
    ok(dispatchInfo->GetRefTypeOfImplType(-1, &vtableRef) == S_OK, "not a dual interface");
    dispatchInfo->GetRefTypeInfo(vtableRef, vtableInfo.put());
    if (!ok(static_cast<bool>(vtableInfo), "no vtable interface")) return;

    TYPEATTR* attr = nullptr;
    vtableInfo->GetTypeAttr(&attr);
    ok(attr->guid == iid, "interface identifier %ls", guidText(attr->guid).c_str());
    ok(attr->cFuncs == expected.size(), "%u members", attr->cFuncs);
    ok((attr->wTypeFlags & (TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION)) ==
           (TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION),
       "flags 0x%x", attr->wTypeFlags);
    UINT funcs = attr->cFuncs;
    vtableInfo->ReleaseTypeAttr(attr);

    for (UINT i = 0; i < funcs && i < expected.size(); ++i) {
        FUNCDESC* f = nullptr;
        vtableInfo->GetFuncDesc(i, &f);
        BSTR raw[2] = {};
        UINT got = 0;
        vtableInfo->GetNames(f->memid, raw, 2, &got);
        win32::unique_bstr names[2] = {win32::unique_bstr(raw[0]), win32::unique_bstr(raw[1])};
        const Member& e = expected[i];
        ok(lstrcmpW(names[0].get(), e.name) == 0 && f->invkind == e.kind && f->memid == e.id && f->cParams == e.params,
           "slot %u: %ls kind %d id 0x%08lx params %d", i + 7, names[0].get(), f->invkind, f->memid, f->cParams);
        ok(f->oVft / static_cast<short>(sizeof(void*)) == static_cast<short>(i + 7), "%ls at slot %d", e.name,
           f->oVft / static_cast<int>(sizeof(void*)));
        ok(f->funckind == FUNC_PUREVIRTUAL && f->elemdescFunc.tdesc.vt == VT_HRESULT,
           "%ls: not a status-returning slot", e.name);
        if (f->cParams < 1) {
            vtableInfo->ReleaseFuncDesc(f);
            continue;
        }
        // A get returns through its only parameter; lets and object arguments pass by reference.
        const ELEMDESC& first = f->lprgelemdescParam[0];
        USHORT flags = first.paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
        USHORT expectedFlags = e.pointee == VT_EMPTY          ? PARAMFLAG_FIN
                               : e.kind == INVOKE_PROPERTYGET ? PARAMFLAG_FOUT | PARAMFLAG_FRETVAL
                                                              : PARAMFLAG_FIN | PARAMFLAG_FOUT;
        VARTYPE type = first.tdesc.vt;
        VARTYPE pointee = type == VT_PTR ? first.tdesc.lptdesc->vt : VARTYPE(VT_EMPTY);
        ok((e.pointee == VT_EMPTY ? type != VT_PTR : type == VT_PTR && pointee == e.pointee) && flags == expectedFlags,
           "%ls first parameter: type %d to %d, flags 0x%x", e.name, type, pointee, flags);
        if (e.firstParameter)
            ok(got == 2 && sameText(names[1].get(), e.firstParameter), "%ls parameter named %ls", e.name,
               names[1].get());
        vtableInfo->ReleaseFuncDesc(f);
    }
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

// The first line in which two snapshots differ, for the failure message.
std::wstring firstDifference(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b) {
    auto [x, y] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return x != a.end() ? *x : y != b.end() ? *y : L"";
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

WINE_TEST(late_binding_by_name_ignores_case) {
    auto a = newAddIn();
    if (!ok(static_cast<bool>(a), "CAddIn not created")) return;
    struct {
        const wchar_t* name;
        DISPID id;
        // clang-format off
    } const members[] = {
        {L"InitializeApplication", 0x60030009}, {L"hidden", 0x68030008}, {L"NAME", 0x68030007},
        {L"Description", 0x68030006},           {L"isinstalled", 0x68030005}, {L"UnInstall", 0x6003000A},
        {L"UIInitialize", 0x6003000B},          {L"uiuninitialize", 0x6003000C}, {L"Install", 0x6003000D},
        {L"Status", 0x68030004},                {L"documents", 0x68030003}, {L"Minutes", 0x68030002},
        {L"prompt", 0x68030001},                {L"SaveBackup", 0x68030000}, {L"GetRegistryValue", 0x60030016},
    };
    // clang-format on
    for (const auto& m : members) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(m.name)};
        DISPID id = 0;
        HRESULT hr = a->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        ok(hr == S_OK && id == m.id, "%ls: 0x%08lx id 0x%08lx", m.name, hr, id);
    }
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
    DISPID id = 0;
    ok(a->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id) == DISP_E_UNKNOWNNAME, "unknown name found");

    // A let by value through Invoke, as script clients make it.
    win32::unique_variant value;
    value->vt = VT_BSTR;
    value->bstrVal = win32::make_bstr("Entw\xC3\xBCrfe").release();
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS put{value.get(), &putId, 1, 1};
    HRESULT hr = a->Invoke(0x68030006, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr,
                           nullptr);
    ok(hr == S_OK, "description let by value: 0x%08lx", hr);
    win32::unique_variant result;
    DISPPARAMS none{};
    hr = a->Invoke(0x68030006, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.put(), nullptr,
                   nullptr);
    ok(hr == S_OK && result->vt == VT_BSTR && win32::from_bstr(result->bstrVal) == "Entw\xC3\xBCrfe",
       "description get: 0x%08lx", hr);
}

WINE_TEST(type_library_member_layout) {
    const Member addInMembers[] = {
        {L"InitializeApplication", INVOKE_FUNC, 0x60030009, 1, VT_DISPATCH, L"application"},
        {L"Hidden", INVOKE_PROPERTYGET, 0x68030008, 1, VT_BOOL},
        {L"name", INVOKE_PROPERTYGET, 0x68030007, 1, VT_BSTR},
        {L"name", INVOKE_PROPERTYPUT, 0x68030007, 1, VT_BSTR},
        {L"description", INVOKE_PROPERTYGET, 0x68030006, 1, VT_BSTR},
        {L"description", INVOKE_PROPERTYPUT, 0x68030006, 1, VT_BSTR},
        {L"IsInstalled", INVOKE_PROPERTYGET, 0x68030005, 1, VT_BOOL},
        {L"IsInstalled", INVOKE_PROPERTYPUT, 0x68030005, 1, VT_BOOL},
        {L"UnInstall", INVOKE_FUNC, 0x6003000A, 2, VT_DISPATCH, L"app"},
        {L"UIInitialize", INVOKE_FUNC, 0x6003000B, 2, VT_DISPATCH, L"app"},
        {L"UIUnInitialize", INVOKE_FUNC, 0x6003000C, 3, VT_DISPATCH, L"app"},
        {L"Install", INVOKE_FUNC, 0x6003000D, 2, VT_DISPATCH, L"app"},
        {L"Status", INVOKE_PROPERTYGET, 0x68030004, 1, VT_BSTR},
        {L"Status", INVOKE_PROPERTYPUT, 0x68030004, 1, VT_BSTR},
        {L"Documents", INVOKE_PROPERTYGET, 0x68030003, 1, VT_BSTR},
        {L"Documents", INVOKE_PROPERTYPUT, 0x68030003, 1, VT_BSTR},
        {L"Minutes", INVOKE_PROPERTYGET, 0x68030002, 1, VT_BSTR},
        {L"Minutes", INVOKE_PROPERTYPUT, 0x68030002, 1, VT_BSTR},
        {L"Prompt", INVOKE_PROPERTYGET, 0x68030001, 1, VT_BSTR},
        {L"Prompt", INVOKE_PROPERTYPUT, 0x68030001, 1, VT_BSTR},
        {L"SaveBackup", INVOKE_PROPERTYGET, 0x68030000, 1, VT_BSTR},
        {L"SaveBackup", INVOKE_PROPERTYPUT, 0x68030000, 1, VT_BSTR},
        {L"GetRegistryValue", INVOKE_FUNC, 0x60030016, 2, VT_EMPTY, L"strValueName"},
    };
    const Member commandMembers[] = {
        {L"Command_Initialize", INVOKE_FUNC, 0x60030001, 1, VT_DISPATCH, L"BasicCmd"},
        {L"HelpFileName", INVOKE_PROPERTYGET, 0x68030002, 1, VT_BSTR},
    };
    auto a = newAddIn();
    auto command = create<_CCommand>(CLSID_CCommand, IID__CCommand);
    if (ok(static_cast<bool>(a), "CAddIn not created")) checkMemberLayout(a.get(), IID__CAddIn, addInMembers);
    if (ok(static_cast<bool>(command), "CCommand not created"))
        checkMemberLayout(command.get(), IID__CCommand, commandMembers);
}

WINE_TEST(type_library_attributes_and_type_descriptions) {
    com_ptr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(addinPath().c_str(), REGKIND_NONE, library.put());
    if (!ok(hr == S_OK, "embedded type library: 0x%08lx", hr)) return;

    win32::unique_bstr name, help, helpFile;
    DWORD helpContext = 0;
    ok(library->GetDocumentation(-1, name.put(), help.put(), &helpContext, helpFile.put()) == S_OK, "documentation");
    ok(sameText(name.get(), L"vokAutoSave412"), "library name %ls", name.get());
    ok(sameText(help.get(), L"Morvane AutoSave AddIn 4.1.2"), "help string %ls", help.get());
    ok(helpContext == 11128, "help context %lu", helpContext);
    ok(sameText(helpFile.get(), nullptr), "help file %ls", helpFile.get());
    TLIBATTR* attr = nullptr;
    if (ok(library->GetLibAttr(&attr) == S_OK, "library attributes")) {
        ok(attr->guid == LIBID_vokAutoSave412 && attr->wMajorVerNum == 1 && attr->wMinorVerNum == 1 &&
               attr->lcid == 0x0409,
           "library %ls %u.%u lcid 0x%lx", guidText(attr->guid).c_str(), attr->wMajorVerNum, attr->wMinorVerNum,
           attr->lcid);
        library->ReleaseTLibAttr(attr);
    }

    // The library lists a dual interface by its dispatch half, which never
    // reads as automation-compatible; its vtable half does (member layout).
    const WORD dual = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE;
    const struct {
        const wchar_t* name;
        TYPEKIND kind;
        const GUID& guid;
        WORD major, minor, flags;
        const wchar_t* help;
    } types[] = {
        {L"_CCommand", TKIND_DISPATCH, IID__CCommand, 1, 1, dual, L"AutoSave"},
        {L"CCommand", TKIND_COCLASS, CLSID_CCommand, 1, 1, TYPEFLAG_FCANCREATE, L"AutoSave"},
        {L"CCommand___v0", TKIND_ALIAS, kCommandVersion0, 1, 0, TYPEFLAG_FHIDDEN, nullptr},
        {L"_CAddIn", TKIND_DISPATCH, IID__CAddIn, 1, 0, dual, nullptr},
        {L"CAddIn", TKIND_COCLASS, CLSID_CAddIn, 1, 0, TYPEFLAG_FCANCREATE, nullptr},
    };
    ok(library->GetTypeInfoCount() == std::size(types), "%u type descriptions", library->GetTypeInfoCount());
    for (UINT i = 0; i < std::size(types) && i < library->GetTypeInfoCount(); ++i) {
        const auto& e = types[i];
        win32::unique_bstr typeName, typeHelp;
        library->GetDocumentation(i, typeName.put(), typeHelp.put(), nullptr, nullptr);
        ok(sameText(typeName.get(), e.name) && sameText(typeHelp.get(), e.help), "type %u: %ls \"%ls\"", i,
           typeName.get(), typeHelp.get());
        com_ptr<ITypeInfo> info;
        library->GetTypeInfo(i, info.put());
        TYPEATTR* t = nullptr;
        if (!ok(info && info->GetTypeAttr(&t) == S_OK, "type %u has no attributes", i)) continue;
        ok(t->typekind == e.kind && t->guid == e.guid && t->wMajorVerNum == e.major && t->wMinorVerNum == e.minor &&
               t->wTypeFlags == e.flags,
           "%ls: kind %d %ls %u.%u flags 0x%x", e.name, t->typekind, guidText(t->guid).c_str(), t->wMajorVerNum,
           t->wMinorVerNum, t->wTypeFlags);
        // The alias stands for _CCommand; each class's default interface is its own.
        com_ptr<ITypeInfo> target;
        if (e.kind == TKIND_ALIAS && t->tdescAlias.vt == VT_USERDEFINED)
            info->GetRefTypeInfo(t->tdescAlias.hreftype, target.put());
        HREFTYPE ref = 0;
        if (e.kind == TKIND_COCLASS && info->GetRefTypeOfImplType(0, &ref) == S_OK)
            info->GetRefTypeInfo(ref, target.put());
        if (e.kind == TKIND_ALIAS || e.kind == TKIND_COCLASS) {
            win32::unique_bstr targetName;
            if (target) target->GetDocumentation(MEMBERID_NIL, targetName.put(), nullptr, nullptr, nullptr);
            const wchar_t* expected = e.kind == TKIND_COCLASS && i == 4 ? L"_CAddIn" : L"_CCommand";
            ok(sameText(targetName.get(), expected), "%ls refers to %ls", e.name, targetName.get());
        }
        info->ReleaseTypeAttr(t);
    }
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

WINE_TEST(version_resource) {
    const std::wstring path = addinPath();
    std::vector<BYTE> data(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    if (!ok(!data.empty() && GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()),
            "no version information: %lu", GetLastError()))
        return;
    void* value = nullptr;
    UINT length = 0;
    ok(VerQueryValueW(data.data(), L"\\", &value, &length) && length == sizeof(VS_FIXEDFILEINFO), "fixed part");
    if (auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value)) {
        ok(fixed->dwFileVersionMS == 0x00010000 && fixed->dwFileVersionLS == 0 &&
               fixed->dwProductVersionMS == 0x00010000 && fixed->dwProductVersionLS == 0,
           "numeric version %lx.%lx / %lx.%lx", fixed->dwFileVersionMS, fixed->dwFileVersionLS,
           fixed->dwProductVersionMS, fixed->dwProductVersionLS);
        ok(fixed->dwFileType == VFT_DLL, "file type %lu", fixed->dwFileType);
    }
    value = nullptr;
    ok(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) && length == 4 &&
           static_cast<const WORD*>(value)[0] == 0x0409 && static_cast<const WORD*>(value)[1] == 1200,
       "translation");
    const std::pair<const wchar_t*, const wchar_t*> texts[] = {
        {L"CompanyName", L"Morvane"},
        {L"FileVersion", L"1.00"},
        {L"ProductVersion", L"1.00"},
        {L"InternalName", L"vokAutoSave412"},
        {L"OriginalFilename", L"vokAutoSave412.DLL"},
        {L"OLESelfRegister", L""},
    };
    for (const auto& [name, expected] : texts) {
        value = nullptr;
        length = 0;
        std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        bool found = VerQueryValueW(data.data(), query.c_str(), &value, &length);
        std::wstring text = found && value ? std::wstring(static_cast<const wchar_t*>(value), length) : L"?";
        text.resize(std::wcslen(text.c_str()));
        ok(found && text == expected, "%ls: \"%ls\"", name, text.c_str());
    }
}

WINE_TEST(unloads_only_when_nothing_is_alive) {
    auto canUnload = entry<NoArgsFn>("DllCanUnloadNow");
    {
        auto a = newAddIn();
        ok(canUnload() == S_FALSE, "unload allowed while an object lives");
    }
    auto f = factory();
    ok(canUnload() == S_FALSE, "unload allowed while a class factory lives");
    f->LockServer(TRUE);
    f = nullptr;
    ok(canUnload() == S_FALSE, "unload allowed while the server is locked");
    // Re-fetch a factory to unlock: the lock belongs to the module, not the factory.
    factory()->LockServer(FALSE);
    ok(canUnload() == S_OK, "unload refused with nothing alive");
}

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
        std::vector<std::wstring> before, after;
        snapshotKey(root.get(), L"", before);
        RegOverridePredefKey(HKEY_CLASSES_ROOT, root.get());
        HRESULT hr = registerServer();
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        snapshotKey(root.get(), L"", after);
        ok(FAILED(hr), "%ls blocked: registration reported 0x%08lx", blocked, hr);
        ok(after == before, "%ls blocked: left %ls", blocked, firstDifference(after, before).c_str());
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
        std::vector<std::wstring> before, after;
        snapshotKey(root.get(), L"", before);
        RegOverridePredefKey(HKEY_CLASSES_ROOT, root.get());
        HRESULT hr = unregisterServer();
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        snapshotKey(root.get(), L"", after);
        ok(hr == S_OK, "ORVUnregisterServer: 0x%08lx", hr);
        return std::pair{before, after};
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

BOOL CALLBACK firstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD found, LONG_PTR out) {
    *reinterpret_cast<WORD*>(out) = found;
    return FALSE;
}

// A copy of the add-in whose embedded type library is damaged or missing:
// objects are still created and work through their vtables, and every
// late-bound call fails with an error instead of crashing.
WINE_TEST(a_damaged_type_library_fails_late_binding_cleanly) {
    // Damaged: the resource holds bytes that are no type library. Missing: the
    // resource directory's type name is changed, so no TYPELIB is found.
    auto damage = [](const wchar_t* file) {
        const BYTE garbage[] = {'n', 'o', 't', ' ', 'a', ' ', 't', 'y', 'p', 'e', ' ', 'l', 'i', 'b'};
        WORD language = 0;
        EnumResourceLanguagesW(addin(), L"TYPELIB", MAKEINTRESOURCEW(1), firstLanguage,
                               reinterpret_cast<LONG_PTR>(&language));
        HANDLE update = BeginUpdateResourceW(file, FALSE);
        UpdateResourceW(update, L"TYPELIB", MAKEINTRESOURCEW(1), language, const_cast<BYTE*>(garbage), sizeof garbage);
        return update && EndUpdateResourceW(update, FALSE);
    };
    auto remove = [](const wchar_t* file) {
        const wchar_t name[] = L"\x0007TYPELIB";
        win32::unique_hfile handle(
            CreateFileW(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        std::vector<char> bytes(GetFileSize(handle.get(), nullptr));
        DWORD done = 0;
        ReadFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
        auto* at = reinterpret_cast<const char*>(name);
        auto found = std::search(bytes.begin(), bytes.end(), at, at + sizeof name - sizeof(wchar_t));
        if (found == bytes.end()) return false;
        found[sizeof name - 2 * sizeof(wchar_t)] = 'X';  // "TYPELIX"
        SetFilePointer(handle.get(), 0, nullptr, FILE_BEGIN);
        return WriteFile(handle.get(), bytes.data(), done, &done, nullptr) != FALSE;
    };
    struct Case {
        const wchar_t* file;
        bool (*change)(const wchar_t*);
    } const cases[] = {{L"damaged_typelib.dll", damage}, {L"missing_typelib.dll", remove}};
    for (const auto& c : cases) {
        DeleteFileW(c.file);
        ok(CopyFileW(addinPath().c_str(), c.file, FALSE) && c.change(c.file), "%ls not made", c.file);
        HMODULE module = LoadLibraryW(c.file);
        auto getClassObject = reinterpret_cast<GetClassObjectFn>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
        com_ptr<IClassFactory> f;
        com_ptr<_CAddIn> object;
        if (getClassObject) getClassObject(CLSID_CAddIn, IID_IClassFactory, f.put_void());
        if (f) f->CreateInstance(nullptr, IID__CAddIn, object.put_void());
        if (!ok(static_cast<bool>(object), "%ls: no object", c.file)) continue;
        win32::unique_bstr minutes;
        ok(object->get_Minutes(minutes.put()) == S_OK, "%ls: vtable call failed", c.file);
        com_ptr<ITypeInfo> info;
        HRESULT hr = object->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put());
        ok(FAILED(hr) && !info, "%ls: GetTypeInfo 0x%08lx", c.file, hr);
        LPOLESTR name = const_cast<LPOLESTR>(L"Minutes");
        DISPID id = 0;
        hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
        ok(FAILED(hr), "%ls: GetIDsOfNames 0x%08lx", c.file, hr);
        DISPPARAMS none{};
        win32::unique_variant result;
        hr = object->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.get(), nullptr,
                            nullptr);
        ok(FAILED(hr), "%ls: Invoke 0x%08lx", c.file, hr);
        // Registration needs the library too: it fails before writing anything.
        auto registerServer = reinterpret_cast<NoArgsFn>(
            reinterpret_cast<void*>(GetProcAddress(module, "ORVRegisterServer")));
        ok(registerServer && FAILED(registerServer()), "%ls: registered without a type library", c.file);
        object = nullptr;
        f = nullptr;
        FreeLibrary(module);
        DeleteFileW(c.file);
    }
    CLSID clsid{};
    ok(CLSIDFromProgID(L"vokAutoSave412.CAddIn", &clsid) == S_OK, "the real registration was touched");
}

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result = winetest::run_all();
    CoUninitialize();
    return result;
}
