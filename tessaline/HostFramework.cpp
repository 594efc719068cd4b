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

HostFramework::HostFramework(std::shared_ptr<HostContext> context) noexcept : HostObject(std::move(context)) {}

win32::com_ptr<HostFramework> HostFramework::create(std::shared_ptr<HostContext> context) noexcept {
    return win32::com_ptr<HostFramework>::attach(new (std::nothrow) HostFramework(std::move(context)));
}

HRESULT HostFramework::get_ProgId(BSTR* result) noexcept {
    return property(L"ProgId", result, [](BSTR& out) { return hand_out_text(kHostProgId, &out); });
}

HRESULT HostFramework::get_ApplicationKey(BSTR* result) noexcept {
    return property(L"ApplicationKey", result, [](BSTR& out) { return hand_out_text(kHostApplicationKey, &out); });
}

HRESULT HostFramework::get_EventSource(IDispatch** result) noexcept {
    return object_property(L"EventSource", result, [this] { return context().events(); });
}

HRESULT HostFramework::get_AddIns(IDispatch** result) noexcept {
    return object_property(L"AddIns", result, [this] { return context().add_ins(); });
}

HRESULT HostFramework::get_Parent(IDispatch** result) noexcept {
    return parent_property(result, [this] { return context().application(); });
}

HRESULT HostFramework::get_StatusBar(BSTR* result) noexcept {
    return property(L"StatusBar", result, [&](BSTR& out) -> HRESULT {
        MainWindow* window = context().window();
        return window ? hand_out_text(window->status(), &out) : kHostGone;
    });
}

HRESULT HostFramework::put_StatusBar(BSTR text) noexcept {
    return member(L"StatusBar", [&]() -> HRESULT {
        MainWindow* window = context().window();
        if (!window) return kHostGone;
        std::wstring_view shown = text ? std::wstring_view(text, SysStringLen(text)) : std::wstring_view();
        window->set_status(shown);
        context().log().line("statusbar \"" + win32::narrow(shown) + "\"");
        return S_OK;
    });
}

HRESULT HostFramework::window_handle(const wchar_t* name, LONG* result) noexcept {
    return property(name, result, [&](LONG& out) -> HRESULT {
        MainWindow* window = context().window();
        if (!window) return kHostGone;
        // Window handles fit in 32 bits even in 64-bit processes.
        out = HandleToLong(window->hwnd());
        return S_OK;
    });
}

HRESULT HostFramework::get_MainWindowHandle(LONG* result) noexcept {
    return window_handle(L"MainWindowHandle", result);
}

HRESULT HostFramework::get_hwnd(LONG* result) noexcept { return window_handle(L"hwnd", result); }

HRESULT HostFramework::get_Interactive(VARIANT_BOOL* result) noexcept {
    return property(L"Interactive", result, [&](VARIANT_BOOL& out) {
        out = context().interactive() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT HostFramework::put_Interactive(VARIANT_BOOL value) noexcept {
    return member(L"Interactive", [&] {
        context().set_interactive(value != VARIANT_FALSE);
        return S_OK;
    });
}

HRESULT HostFramework::get_Menus(IDispatch** result) noexcept {
    return property(L"Menus", result, [&](IDispatch*& out) -> HRESULT {
        MainWindow* window = context().window();
        if (!window) return kHostGone;
        auto menus = HostMenuCollection::create(shared_context(), window->menu_bar(), kMenuBarName);
        return menus ? hand_out(menus, &out) : E_OUTOFMEMORY;
    });
}

HRESULT HostFramework::SetCommandCheck(LONG id, VARIANT_BOOL checked) noexcept {
    return member(L"SetCommandCheck", [&]() -> HRESULT {
        MainWindow* window = context().window();
        if (!window) return kHostGone;
        bool done = window->check_command(static_cast<UINT>(id), checked != VARIANT_FALSE);
        context().log().line("SetCommandCheck " + std::to_string(id) + " " + (checked ? "True" : "False") +
                             (done ? "" : " -> no such command"));
        return done ? S_OK : E_INVALIDARG;
    });
}

HRESULT HostFramework::get_ActiveDocument(IDispatch** result) noexcept {
    return property(L"ActiveDocument", result, [&](IDispatch*& out) -> HRESULT {
        DocumentSet* documents = context().documents();
        if (!documents) return kHostGone;
        return hand_out(documents->active(), &out);  // Nothing when no drawing is open
    });
}

HRESULT HostFramework::get_OpenDocuments(IDispatch** result) noexcept {
    return property(L"OpenDocuments", result, [&](IDispatch*& out) -> HRESULT {
        if (!context().documents()) return kHostGone;
        return hand_out(HostDocuments::create(shared_context()), &out);
    });
}

}  // namespace tessaline
