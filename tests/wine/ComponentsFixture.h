// What the tests of the two external COM servers, ErrorReporter.dll and
// ResourceLibraryLocator.dll, share: the servers loaded from the test's own
// folder, a scratch folder for the run, and the class-object check each
// program runs last.
#pragma once

#include "tests/wine/ServerDll.h"
#include "tests/wine/WineTest.h"

#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"

#include "ErrorReporter.h"
#include "ResourceLibraryLocator.h"

#include <shellapi.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace componenttest {

using servertest::Server;
using win32::com_ptr;
using win32::unique_bstr;

inline std::wstring g_temp;  // this run's scratch folder

inline unique_bstr bstr(const wchar_t* text) { return unique_bstr(SysAllocString(text)); }

inline void write_file(const std::wstring& path, const std::string& bytes) {
    std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
}

inline Server g_reporter{L"ErrorReporter.dll",   CLSID_ErrorReporter,      IID_IErrorReporter,
                         LIBID_ErrorReporterLib, L"Morvane.ErrorReporter", {}};
inline Server g_locator{L"ResourceLibraryLocator.dll",   CLSID_ResourceLibraryLocator,      IID_IResourceLibraryLocator,
                        LIBID_ResourceLibraryLocatorLib, L"Morvane.ResourceLibraryLocator", {}};

// Class objects of both servers, and when each may unload. Run last, so
// that objects leaked by the program's earlier cases show up as S_FALSE.
inline void check_class_objects_and_unloading() {
    for (Server* server : {&g_reporter, &g_locator}) {
        const CLSID& other = server == &g_reporter ? CLSID_ResourceLibraryLocator : CLSID_ErrorReporter;
        void* refused = reinterpret_cast<void*>(1);
        HRESULT hr = server->get_class_object(other, IID_IClassFactory, &refused);
        ok(hr == CLASS_E_CLASSNOTAVAILABLE && refused == nullptr, "%ls: other CLSID: 0x%08lx", server->file, hr);

        ok(server->call("DllCanUnloadNow") == S_OK, "%ls: busy before the test", server->file);
        com_ptr<IUnknown> object;
        {
            com_ptr<IClassFactory> factory;
            server->get_class_object(server->clsid, IID_IClassFactory, factory.put_void());
            if (!ok(factory, "%ls: no class object", server->file)) continue;
            com_ptr<IUnknown> aggregated;
            ok(factory->CreateInstance(factory.get(), IID_IUnknown, aggregated.put_void()) == CLASS_E_NOAGGREGATION,
               "%ls: aggregation accepted", server->file);
            ok(factory->CreateInstance(nullptr, IID_IUnknown, object.put_void()) == S_OK, "%ls: CreateInstance",
               server->file);
        }
        ok(server->call("DllCanUnloadNow") == S_FALSE, "%ls: unloadable with an object alive", server->file);
        object = nullptr;
        ok(server->call("DllCanUnloadNow") == S_OK, "%ls: busy after the object went", server->file);

        com_ptr<IClassFactory> factory;
        server->get_class_object(server->clsid, IID_IClassFactory, factory.put_void());
        if (!ok(factory, "%ls: no class object", server->file)) continue;
        factory->LockServer(TRUE);
        factory = nullptr;  // only the lock is left
        ok(server->call("DllCanUnloadNow") == S_FALSE, "%ls: unloadable while locked", server->file);
        server->get_class_object(server->clsid, IID_IClassFactory, factory.put_void());
        if (factory) factory->LockServer(FALSE);
        factory = nullptr;
        ok(server->call("DllCanUnloadNow") == S_OK, "%ls: busy after unlocking", server->file);
    }
}

// The scratch folder, removed with everything in it at the end.
struct TempFolder {
    TempFolder() {
        wchar_t base[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, base);
        g_temp = std::wstring(base) + L"components_test_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(g_temp.c_str(), nullptr);
    }
    ~TempFolder() {
        std::wstring from = g_temp + L'\0';  // double terminator
        SHFILEOPSTRUCTW op{};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NO_UI;
        SHFileOperationW(&op);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
};

}  // namespace componenttest
