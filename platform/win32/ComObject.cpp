#include "platform/win32/ComObject.h"

namespace win32 {

std::wstring this_module_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(this_module(), path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

HRESULT embedded_type_info(REFIID iid, ITypeInfo** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    // The library is loaded once per module and kept: type information is
    // asked for on every late-bound call.
    static ITypeLib* library = [] {
        wchar_t path[MAX_PATH] = {};
        ITypeLib* lib = nullptr;
        if (GetModuleFileNameW(this_module(), path, MAX_PATH) != 0) LoadTypeLibEx(path, REGKIND_NONE, &lib);
        return lib;
    }();
    if (!library) return TYPE_E_CANTLOADLIBRARY;
    return library->GetTypeInfoOfGuid(iid, out);
}

}  // namespace win32
