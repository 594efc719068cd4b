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
    // asked for on every late-bound call. A library that cannot be loaded
    // (resource missing or damaged) fails every call with the loader's error.
    struct Loaded {
        ITypeLib* library = nullptr;
        HRESULT error = S_OK;
    };
    static const Loaded loaded = [] {
        Loaded l{nullptr, TYPE_E_CANTLOADLIBRARY};
        try {
            std::wstring path = this_module_path();
            if (!path.empty()) l.error = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &l.library);
        } catch (...) {
            l.error = E_OUTOFMEMORY;
        }
        if (SUCCEEDED(l.error) && !l.library) l.error = TYPE_E_CANTLOADLIBRARY;
        return l;
    }();
    if (FAILED(loaded.error)) return loaded.error;
    return loaded.library->GetTypeInfoOfGuid(iid, out);
}

}  // namespace win32
