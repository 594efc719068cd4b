// The add-in's dispatch interfaces and its type library: late binding by
// name, the member layout of each dual interface, the library's attributes,
// and a copy of the DLL whose library is damaged or missing.
#include "AddInComFixture.h"

#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include "vokAutoSave412.h"

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <span>
#include <string>
#include <vector>

using namespace addintest;

namespace {

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

BOOL CALLBACK firstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD found, LONG_PTR out) {
    *reinterpret_cast<WORD*>(out) = found;
    return FALSE;
}

}  // namespace

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
        if (!info || info->GetTypeAttr(&t) != S_OK || !t) {
            ok(false, "type %u has no attributes", i);
            continue;
        }
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

WINE_TEST(unloads_only_when_nothing_is_alive) { checkUnloadsOnlyWhenNothingIsAlive(); }

int main() {
    win32::com_apartment apartment;
    return winetest::run_all();
}
