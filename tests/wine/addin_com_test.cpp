// The add-in DLL as COM sees it: class objects, registration, interfaces,
// the type library's member layout, late binding and unloading.
#include "WineTest.h"

#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"
#include "platform/win32/Variant.h"

#include "vokAutoSave412.h"

#include <windows.h>
#include <oleauto.h>

#include <string>

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
void* const kSentinel = reinterpret_cast<void*>(0xdeadbeef);

com_ptr<IClassFactory> factory() {
    com_ptr<IClassFactory> f;
    entry<GetClassObjectFn>("DllGetClassObject")(CLSID_CAddIn, IID_IClassFactory, f.put_void());
    return f;
}

com_ptr<_CAddIn> newAddIn() {
    com_ptr<_CAddIn> a;
    if (auto f = factory()) f->CreateInstance(nullptr, IID__CAddIn, a.put_void());
    return a;
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
    } const members[] = {
        {L"InitializeApplication", 0x60030009}, {L"hidden", 0x68030008}, {L"NAME", 0x68030007},
        {L"Description", 0x68030006},           {L"isinstalled", 0x68030005}, {L"UnInstall", 0x6003000A},
        {L"UIInitialize", 0x6003000B},          {L"uiuninitialize", 0x6003000C}, {L"Install", 0x6003000D},
        {L"Status", 0x68030004},                {L"documents", 0x68030003}, {L"Minutes", 0x68030002},
        {L"prompt", 0x68030001},                {L"SaveBackup", 0x68030000}, {L"GetRegistryValue", 0x60030016},
    };
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
    auto a = newAddIn();
    if (!ok(static_cast<bool>(a), "CAddIn not created")) return;
    com_ptr<ITypeInfo> dispatchInfo, vtableInfo;
    ok(a->GetTypeInfo(0, LOCALE_USER_DEFAULT, dispatchInfo.put()) == S_OK, "no type information");
    if (!dispatchInfo) return;
    HREFTYPE vtableRef = 0;
    ok(dispatchInfo->GetRefTypeOfImplType(-1, &vtableRef) == S_OK, "not a dual interface");
    dispatchInfo->GetRefTypeInfo(vtableRef, vtableInfo.put());
    if (!ok(static_cast<bool>(vtableInfo), "no vtable interface")) return;

    TYPEATTR* attr = nullptr;
    vtableInfo->GetTypeAttr(&attr);
    ok(attr->guid == IID__CAddIn, "interface identifier");
    ok(attr->cFuncs == 23, "%u members", attr->cFuncs);
    ok((attr->wTypeFlags & (TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION)) ==
           (TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION),
       "flags 0x%x", attr->wTypeFlags);
    UINT funcs = attr->cFuncs;
    vtableInfo->ReleaseTypeAttr(attr);

    struct Expected {
        const wchar_t* name;
        INVOKEKIND kind;
        DISPID id;
        short params;
    };
    const Expected expected[] = {
        {L"InitializeApplication", INVOKE_FUNC, 0x60030009, 1}, {L"Hidden", INVOKE_PROPERTYGET, 0x68030008, 1},
        {L"name", INVOKE_PROPERTYGET, 0x68030007, 1},           {L"name", INVOKE_PROPERTYPUT, 0x68030007, 1},
        {L"description", INVOKE_PROPERTYGET, 0x68030006, 1},    {L"description", INVOKE_PROPERTYPUT, 0x68030006, 1},
        {L"IsInstalled", INVOKE_PROPERTYGET, 0x68030005, 1},    {L"IsInstalled", INVOKE_PROPERTYPUT, 0x68030005, 1},
        {L"UnInstall", INVOKE_FUNC, 0x6003000A, 2},             {L"UIInitialize", INVOKE_FUNC, 0x6003000B, 2},
        {L"UIUnInitialize", INVOKE_FUNC, 0x6003000C, 3},        {L"Install", INVOKE_FUNC, 0x6003000D, 2},
        {L"Status", INVOKE_PROPERTYGET, 0x68030004, 1},         {L"Status", INVOKE_PROPERTYPUT, 0x68030004, 1},
        {L"Documents", INVOKE_PROPERTYGET, 0x68030003, 1},      {L"Documents", INVOKE_PROPERTYPUT, 0x68030003, 1},
        {L"Minutes", INVOKE_PROPERTYGET, 0x68030002, 1},        {L"Minutes", INVOKE_PROPERTYPUT, 0x68030002, 1},
        {L"Prompt", INVOKE_PROPERTYGET, 0x68030001, 1},         {L"Prompt", INVOKE_PROPERTYPUT, 0x68030001, 1},
        {L"SaveBackup", INVOKE_PROPERTYGET, 0x68030000, 1},     {L"SaveBackup", INVOKE_PROPERTYPUT, 0x68030000, 1},
        {L"GetRegistryValue", INVOKE_FUNC, 0x60030016, 2},
    };
    for (UINT i = 0; i < funcs && i < std::size(expected); ++i) {
        FUNCDESC* f = nullptr;
        vtableInfo->GetFuncDesc(i, &f);
        win32::unique_bstr name;
        UINT got = 0;
        vtableInfo->GetNames(f->memid, name.put(), 1, &got);
        const Expected& e = expected[i];
        ok(lstrcmpW(name.get(), e.name) == 0 && f->invkind == e.kind && f->memid == e.id && f->cParams == e.params,
           "slot %u: %ls kind %d id 0x%08lx params %d", i + 7, name.get(), f->invkind, f->memid, f->cParams);
        ok(f->oVft / static_cast<short>(sizeof(void*)) == static_cast<short>(i + 7), "%ls at slot %d", e.name,
           f->oVft / static_cast<int>(sizeof(void*)));
        // Lets and object arguments pass by reference; GetRegistryValue takes its name by value.
        if (e.kind == INVOKE_PROPERTYPUT || e.kind == INVOKE_FUNC) {
            bool byValueName = e.id == 0x60030016;
            VARTYPE first = f->lprgelemdescParam[0].tdesc.vt;
            ok(byValueName ? first == VT_BSTR : first == VT_PTR, "%ls first argument type %d", e.name, first);
        }
        vtableInfo->ReleaseFuncDesc(f);
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

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result = winetest::run_all();
    CoUninitialize();
    return result;
}
