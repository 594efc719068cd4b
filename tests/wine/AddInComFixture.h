// What the add-in DLL's COM tests share: the DLL loaded from the test's
// folder, its exports called directly, its classes created through their
// class objects.
#pragma once

#include "WineTest.h"

#include "platform/win32/ComPtr.h"

#include "vokAutoSave412.h"

#include <windows.h>
#include <oleauto.h>

#include <cwchar>
#include <string>

namespace addintest {

using win32::com_ptr;

inline HMODULE addin() {
    static HMODULE module = LoadLibraryW(L"vokAutoSave412.dll");
    return module;
}

template <typename F>
F entry(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(addin(), name)));
}

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using NoArgsFn = HRESULT(STDAPICALLTYPE*)();

inline const IID kCommandVersion0 = {0x5652A976, 0xFC4C, 0x46D8, {0xA5, 0xDC, 0xE8, 0xD5, 0x76, 0x42, 0xBB, 0x55}};
inline void* const kSentinel = reinterpret_cast<void*>(0xdeadbeef);

inline com_ptr<IClassFactory> factory(REFCLSID clsid = CLSID_CAddIn) {
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

inline com_ptr<_CAddIn> newAddIn() { return create<_CAddIn>(CLSID_CAddIn, IID__CAddIn); }

inline std::wstring addinPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(addin(), path, MAX_PATH);
    return path;
}

inline std::wstring guidText(REFGUID g) {
    wchar_t text[40] = {};
    StringFromGUID2(g, text, 40);
    return text;
}

// A null BSTR reads as the empty text, as type libraries give "no string".
inline bool sameText(BSTR got, const wchar_t* expected) {
    return std::wcscmp(got ? got : L"", expected ? expected : L"") == 0;
}

// The module may unload only when no object, class object or lock is left.
// Each program runs it after its other cases, so that objects they leaked
// show up here.
inline void checkUnloadsOnlyWhenNothingIsAlive() {
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

}  // namespace addintest
