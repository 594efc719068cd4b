// The resource-library locator, ResourceLibraryLocator.dll, and what both
// external servers share: registration under any letter case of the
// program identifier, class objects and unloading.
#include "tests/wine/ComponentsFixture.h"
#include "tests/wine/ServerDll.h"
#include "tests/wine/WineTest.h"

#include "components/ResourceLibraryLocator/LibraryPath.h"
#include "platform/win32/ComPtr.h"
#include "platform/win32/Unique.h"

#include "ResourceLibraryLocator.h"

#include <cwctype>
#include <string>

using namespace componenttest;
using servertest::exe_folder;

namespace {

com_ptr<IResourceLibraryLocator> new_locator() { return g_locator.create<IResourceLibraryLocator>(); }

std::wstring file_name_of(IResourceLibraryLocator* locator) {
    unique_bstr path;
    if (FAILED(locator->get_FileName(path.put()))) return L"<failed>";
    return path.get() ? path.get() : L"";
}

}  // namespace

WINE_TEST(locator_names_language_library_with_enu_fallback) {
    const std::wstring folder = g_temp + L"\\languages";
    CreateDirectoryW(folder.c_str(), nullptr);
    wchar_t language[16] = {};
    GetLocaleInfoW(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), LOCALE_SABBREVLANGNAME, language, 16);
    write_file(folder + L"\\lib_" + language + L".dll", "");
    write_file(folder + L"\\lib_ENU.dll", "");

    com_ptr<IResourceLibraryLocator> locator = new_locator();
    if (!ok(locator, "no locator")) return;
    locator->put_BaseName(bstr(L"lib_").get());
    for (const std::wstring& given : {folder, folder + L"\\"}) {
        locator->put_Folder(bstr(given.c_str()).get());
        unique_bstr back;
        ok(locator->get_Folder(back.put()) == S_OK && given == back.get(), "Folder not kept");
        std::wstring name = file_name_of(locator.get());
        ok(name == folder + L"\\lib_" + language + L".dll", "FileName %ls", name.c_str());
    }
    // Neither the language's nor the ENU file: the ENU name all the same.
    locator->put_BaseName(bstr(L"missing_").get());
    ok(file_name_of(locator.get()) == folder + L"\\missing_ENU.dll", "FileName %ls",
       file_name_of(locator.get()).c_str());

    // The fallback for a language other than the one Wine runs in.
    ok(components::locate_library(folder + L"\\", L"lib_", L"DEU") == folder + L"\\lib_ENU.dll",
       "no fallback from a missing DEU file");
    write_file(folder + L"\\lib_DEU.dll", "");
    ok(components::locate_library(folder, L"lib_", L"DEU") == folder + L"\\lib_DEU.dll", "DEU file not chosen");
}

WINE_TEST(locator_without_folder_uses_its_own) {
    com_ptr<IResourceLibraryLocator> locator = new_locator();
    if (!ok(locator, "no locator")) return;
    locator->put_BaseName(bstr(L"nothing_here_").get());
    unique_bstr folder;
    ok(locator->get_Folder(folder.put()) == S_OK && SysStringLen(folder.get()) == 0, "Folder not empty");
    std::wstring name = file_name_of(locator.get());
    ok(name == exe_folder() + L"\\nothing_here_ENU.dll", "FileName %ls", name.c_str());
}

WINE_TEST(registration_resolves_progid_in_any_case) {
    for (Server* server : {&g_reporter, &g_locator}) {
        CLSID clsid{};
        const bool wasRegistered = SUCCEEDED(CLSIDFromProgID(server->progId, &clsid));

        HRESULT hr = server->call("DllRegisterServer");
        ok(hr == S_OK, "%ls: DllRegisterServer 0x%08lx", server->file, hr);
        std::wstring mixedCase = server->progId;
        for (size_t i = 0; i < mixedCase.size(); i += 2) mixedCase[i] = std::towupper(mixedCase[i]);
        for (size_t i = 1; i < mixedCase.size(); i += 2) mixedCase[i] = std::towlower(mixedCase[i]);
        clsid = GUID_NULL;
        hr = CLSIDFromProgID(mixedCase.c_str(), &clsid);
        ok(hr == S_OK && clsid == server->clsid, "%ls not resolved: 0x%08lx", mixedCase.c_str(), hr);

        // The class is created from what was registered, type library included.
        com_ptr<IDispatch> object;
        hr = CoCreateInstance(server->clsid, nullptr, CLSCTX_INPROC_SERVER, server->iid, object.put_void());
        ok(hr == S_OK, "%ls: CoCreateInstance 0x%08lx", server->file, hr);
        com_ptr<ITypeLib> library;
        ok(LoadRegTypeLib(server->libid, 1, 0, LOCALE_NEUTRAL, library.put()) == S_OK,
           "%ls: type library not registered", server->file);
        library = nullptr;
        object = nullptr;

        ok(server->call("DllUnregisterServer") == S_OK, "%ls: DllUnregisterServer failed", server->file);
        ok(FAILED(CLSIDFromProgID(server->progId, &clsid)), "%ls: ProgID still registered", server->file);
        ok(FAILED(LoadRegTypeLib(server->libid, 1, 0, LOCALE_NEUTRAL, library.put())),
           "%ls: type library still registered", server->file);
        library = nullptr;
        if (wasRegistered) server->call("DllRegisterServer");
    }
}

// Last, so that objects leaked by earlier cases show up as S_FALSE here.
WINE_TEST(class_objects_and_unloading) { check_class_objects_and_unloading(); }

int main() {
    win32::com_apartment apartment;
    if (!apartment) return 2;
    TempFolder temp;
    return winetest::run_all();
}
