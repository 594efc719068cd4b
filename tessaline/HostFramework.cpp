#include "tessaline/HostFramework.h"

#include "platform/win32/Variant.h"
#include "tessaline/ComMethod.h"
#include "tessaline/DocumentSet.h"
#include "tessaline/HostAddIns.h"
#include "tessaline/HostDocument.h"
#include "tessaline/HostDocuments.h"
#include "tessaline/HostLog.h"
#include "tessaline/HostApplication.h"
#include "tessaline/HostEventSource.h"
#include "tessaline/HostMenuCollection.h"
#include "tessaline/MainWindow.h"
#include "tessaline/MenuCaptions.h"

namespace tessaline {

HostFramework::HostFramework(std::shared_ptr<HostContext> context) noexcept
    : HostObject(std::move(context)) {}

win32::com_ptr<HostFramework> HostFramework::create(std::shared_ptr<HostContext> context) noexcept {
    return win32::com_ptr<HostFramework>::attach(new (std::nothrow) HostFramework(std::move(context)));
}

HRESULT HostFramework::get_ProgId(BSTR* result) noexcept {
    return com_guard([&]() -> HRESULT {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (HRESULT hr = injected(L"ProgId"); FAILED(hr)) return hr;
        *result = SysAllocString(kHostProgId);
        return *result ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT HostFramework::get_ApplicationKey(BSTR* result) noexcept {
    return com_guard([&]() -> HRESULT {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (HRESULT hr = injected(L"ApplicationKey"); FAILED(hr)) return hr;
        *result = SysAllocString(kHostApplicationKey);
        return *result ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT HostFramework::get_EventSource(IDispatch** result) noexcept {
    return com_guard([&]() -> HRESULT {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (HRESULT hr = injected(L"EventSource"); FAILED(hr)) return hr;
        auto events = context().events();
        return events ? hand_out(events, result) : kHostGone;
    });
}

HRESULT HostFramework::get_AddIns(IDispatch** result) noexcept {
    return com_guard([&]() -> HRESULT {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (HRESULT hr = injected(L"AddIns"); FAILED(hr)) return hr;
        auto addIns = context().add_ins();
        return addIns ? hand_out(addIns, result) : kHostGone;
    });
}

HRESULT HostFramework::get_Parent(IDispatch** result) noexcept {
    return com_guard([&]() -> HRESULT {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (HRESULT hr = injected(L"Parent"); FAILED(hr)) return hr;
        auto application = context().application();
        return application ? hand_out(application, result) : kHostGone;
    });
}

HRESULT HostFramework::get_StatusBar(BSTR* result) noexcept {
    return com_guard([&]() -> HRESULT {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (HRESULT hr = injected(L"StatusBar"); FAILED(hr)) return hr;
        MainWindow* window = context().window();
        if (!window) return kHostGone;
        std::wstring text = window->status();
        *result = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return *result ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT HostFramework::put_StatusBar(BSTR text) noexcept {
    return com_guard([&]() -> HRESULT {
        if (HRESULT hr = injected(L"StatusBar"); FAILED(hr)) return hr;
        MainWindow* window = context().window();
        if (!window) return kHostGone;
        std::wstring_view shown = text ? std::wstring_view(text, SysStringLen(text)) : std::wstring_view();
        window->set_status(shown);
        context().log().line("statusbar \"" + win32::narrow(shown) + "\"");
        return S_OK;
    });
}

HRESULT HostFramework::window_handle(const wchar_t* member, LONG* result) noexcept {
    if (!result) return E_POINTER;
    *result = 0;
    if (HRESULT hr = injected(member); FAILED(hr)) return hr;
    MainWindow* window = context().window();
    if (!window) return kHostGone;
    // Window handles fit in 32 bits even in 64-bit processes.
    *result = HandleToLong(window->hwnd());
    return S_OK;
}

HRESULT HostFramework::get_MainWindowHandle(LONG* result) noexcept { return window_handle(L"MainWindowHandle", result); }

HRESULT HostFramework::get_hwnd(LONG* result) noexcept { return window_handle(L"hwnd", result); }

HRESULT HostFramework::get_Interactive(VARIANT_BOOL* result) noexcept {
    if (!result) return E_POINTER;
    *result = VARIANT_FALSE;
    if (HRESULT hr = injected(L"Interactive"); FAILED(hr)) return hr;
    *result = context().interactive() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT HostFramework::put_Interactive(VARIANT_BOOL value) noexcept {
    if (HRESULT hr = injected(L"Interactive"); FAILED(hr)) return hr;
    context().set_interactive(value != VARIANT_FALSE);
    return S_OK;
}

HRESULT HostFramework::get_Menus(IDispatch** result) noexcept {
    return com_guard([&]() -> HRESULT {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (HRESULT hr = injected(L"Menus"); FAILED(hr)) return hr;
        MainWindow* window = context().window();
        if (!window) return kHostGone;
        auto menus = HostMenuCollection::create(shared_context(), window->menu_bar(), kMenuBarName);
        return menus ? hand_out(menus, result) : E_OUTOFMEMORY;
    });
}

HRESULT HostFramework::SetCommandCheck(LONG id, VARIANT_BOOL checked) noexcept {
    if (HRESULT hr = injected(L"SetCommandCheck"); FAILED(hr)) return hr;
    MainWindow* window = context().window();
    if (!window) return kHostGone;
    bool done = window->check_command(static_cast<UINT>(id), checked != VARIANT_FALSE);
    context().log().line("SetCommandCheck " + std::to_string(id) + " " + (checked ? "True" : "False") +
                         (done ? "" : " -> no such command"));
    return done ? S_OK : E_INVALIDARG;
}

HRESULT HostFramework::get_ActiveDocument(IDispatch** result) noexcept {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (HRESULT hr = injected(L"ActiveDocument"); FAILED(hr)) return hr;
    DocumentSet* documents = context().documents();
    if (!documents) return kHostGone;
    return hand_out(documents->active(), result);  // Nothing when no drawing is open
}

HRESULT HostFramework::get_OpenDocuments(IDispatch** result) noexcept {
    return com_guard([&]() -> HRESULT {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (HRESULT hr = injected(L"OpenDocuments"); FAILED(hr)) return hr;
        if (!context().documents()) return kHostGone;
        return hand_out(HostDocuments::create(shared_context()), result);
    });
}

}  // namespace tessaline
