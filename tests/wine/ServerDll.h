// The in-process servers under test, loaded from the test program's own
// folder, with their exports called directly.
#pragma once

#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"

#include <windows.h>

#include <string>

namespace servertest {

inline std::wstring exe_folder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path);
    return s.substr(0, s.find_last_of(L'\\'));
}

// One server DLL, loaded once for the whole run.
struct Server {
    const wchar_t* file;
    const CLSID& clsid;
    const IID& iid;  // the class's default interface
    const GUID& libid;
    const wchar_t* progId;
    win32::unique_hmodule module;

    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using NoArguments = HRESULT(STDAPICALLTYPE*)();

    template <typename F>
    F get(const char* name) {
        if (!module) module.reset(LoadLibraryW((exe_folder() + L"\\" + file).c_str()));
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module.get(), name)));
    }
    HRESULT get_class_object(REFCLSID requested, REFIID iid, void** out) {
        auto f = get<GetClassObject>("DllGetClassObject");
        return f ? f(requested, iid, out) : E_NOTIMPL;
    }
    HRESULT call(const char* name) {
        auto f = get<NoArguments>(name);
        return f ? f() : E_NOTIMPL;
    }
    template <typename I>
    win32::com_ptr<I> create() {
        win32::com_ptr<IClassFactory> factory;
        win32::com_ptr<I> object;
        if (SUCCEEDED(get_class_object(clsid, IID_IClassFactory, factory.put_void())))
            factory->CreateInstance(nullptr, iid, object.put_void());
        return object;
    }
};

}  // namespace servertest
