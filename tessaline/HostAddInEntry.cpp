#include "tessaline/HostAddInEntry.h"

#include "platform/win32/Variant.h"
#include "tessaline/CallArgs.h"
#include "tessaline/ComMethod.h"
#include "tessaline/DocumentSet.h"
#include "tessaline/HostDocument.h"
#include "tessaline/HostAddIns.h"
#include "tessaline/HostApplication.h"
#include "tessaline/HostLog.h"
#include "tessaline/LateBound.h"

namespace tessaline {
namespace {

bool is(std::wstring_view a, const wchar_t* b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

HostAddInEntry::HostAddInEntry(std::shared_ptr<HostContext> context, std::wstring progId, const CLSID& clsid,
                               win32::com_ptr<IDispatch> object) noexcept
    : HostObject(std::move(context)), m_progId(std::move(progId)), m_clsid(clsid), m_object(std::move(object)) {}

win32::com_ptr<HostAddInEntry> HostAddInEntry::create(std::shared_ptr<HostContext> context, std::wstring progId,
                                                      const CLSID& clsid, win32::com_ptr<IDispatch> object) noexcept {
    return win32::com_ptr<HostAddInEntry>::attach(
        new (std::nothrow) HostAddInEntry(std::move(context), std::move(progId), clsid, std::move(object)));
}

HRESULT HostAddInEntry::get_Name(BSTR* result) noexcept {
    return property(L"Name", result, [&](BSTR& out) -> HRESULT {
        if (!m_object) return kHostGone;
        // Read from the add-in each time: it may rename itself.
        win32::unique_variant value;
        HRESULT hr = late_bound::get(m_object.get(), L"name", value.get(), nullptr);
        if (FAILED(hr)) return hr;
        win32::unique_variant text;
        hr = VariantChangeType(text.get(), value.get(), 0, VT_BSTR);
        if (FAILED(hr)) return hr;
        out = V_BSTR(text.get());
        V_VT(text.get()) = VT_EMPTY;  // handed over
        return S_OK;
    });
}

HRESULT HostAddInEntry::get_Object(IDispatch** result) noexcept {
    return property(L"Object", result, [&](IDispatch*& out) { return m_object.copy_to(&out); });
}

HRESULT HostAddInEntry::get_Loaded(VARIANT_BOOL* result) noexcept {
    return property(L"Loaded", result, [&](VARIANT_BOOL& out) {
        out = m_loaded ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT HostAddInEntry::Load() noexcept {
    return member(L"Load", [&] {
        // An add-in added through AddIns.Add meets the application first, as at start.
        if (!m_initializeCalled) call(L"InitializeApplication");
        return call(L"Install");
    });
}

HRESULT HostAddInEntry::LoadUI() noexcept {
    return member(L"LoadUI", [&] { return call(L"UIInitialize"); });
}

HRESULT HostAddInEntry::get_Parent(IDispatch** result) noexcept {
    return parent_property(result, [this] { return context().add_ins(); });
}

HRESULT HostAddInEntry::get_ProgID(BSTR* result) noexcept {
    return property(L"ProgID", result, [&](BSTR& out) { return hand_out_text(m_progId, &out); });
}

HRESULT HostAddInEntry::call(std::wstring_view method, bool shuttingDown) {
    std::string what = win32::narrow(m_progId) + "." + win32::narrow(method);
    if (!m_object) {
        context().log().call(what, kHostGone, "add-in released");
        return kHostGone;
    }
    // The add-in may drop its last reference to this entry while it runs.
    win32::com_ptr<HostAddInEntry> self(this);
    win32::com_ptr<IDispatch> app(static_cast<IDispatch*>(context().application().get()));
    win32::com_ptr<IDispatch> doc;
    if (DocumentSet* documents = context().documents()) doc = win32::com_ptr<IDispatch>(documents->active().get());
    CallArgs args;
    if (is(method, L"InitializeApplication")) {
        args.object_ref(app.get());
    } else if (is(method, L"Install") || is(method, L"UnInstall") || is(method, L"UIInitialize")) {
        args.object_ref(app.get());
        args.object_ref(doc.get());
    } else if (is(method, L"UIUnInitialize")) {
        args.object_ref(app.get());
        args.object_ref(doc.get());
        args.bool_ref(shuttingDown);
    }
    std::string error;
    win32::com_ptr<IDispatch> target = m_object;
    HRESULT hr = late_bound::invoke(target.get(), method, DISPATCH_METHOD, args, nullptr, &error);
    context().log().call(what, hr, error);
    if (is(method, L"InitializeApplication")) {
        m_initializeCalled = true;
    } else if (is(method, L"Install")) {
        m_installCalled = true;
        m_loaded = SUCCEEDED(hr);
    } else if (is(method, L"UnInstall")) {
        m_installCalled = false;
        if (SUCCEEDED(hr)) m_loaded = false;
    } else if (is(method, L"UIInitialize")) {
        m_uiCalled = true;
    } else if (is(method, L"UIUnInitialize")) {
        m_uiCalled = false;
    }
    return hr;
}

}  // namespace tessaline
