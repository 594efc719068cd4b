#include "tessaline/HostAddIns.h"

#include "platform/win32/Variant.h"
#include "tessaline/ComMethod.h"
#include "tessaline/HostAddInEntry.h"
#include "tessaline/HostApplication.h"
#include "tessaline/HostFramework.h"
#include "tessaline/HostLog.h"
#include "tessaline/VariantEnumerator.h"

namespace tessaline {
namespace {

// The ProgID as the class registered it, when progId differs from it only
// in letter case; else progId.
std::wstring registered_spelling(const CLSID& clsid, std::wstring progId) {
    win32::unique_co_task_string registered;
    if (FAILED(ProgIDFromCLSID(clsid, registered.put())) || !registered) return progId;
    if (CompareStringOrdinal(registered.get(), -1, progId.c_str(), -1, TRUE) != CSTR_EQUAL) return progId;
    return registered.get();
}

}  // namespace

HostAddIns::HostAddIns(std::shared_ptr<HostContext> context) noexcept : HostObject(std::move(context)) {}

HostAddIns::~HostAddIns() = default;

win32::com_ptr<HostAddIns> HostAddIns::create(std::shared_ptr<HostContext> context) noexcept {
    return win32::com_ptr<HostAddIns>::attach(new (std::nothrow) HostAddIns(std::move(context)));
}

HRESULT HostAddIns::get__NewEnum(IUnknown** result) noexcept {
    return property(L"_NewEnum", result, [&](IUnknown*& out) {
        VariantEnumerator::Items items;
        for (const auto& entry : m_entries) items.emplace_back(static_cast<IDispatch*>(entry.get()));
        return VariantEnumerator::create(std::move(items), &out);
    });
}

HRESULT HostAddIns::get_Count(LONG* result) noexcept {
    return property(L"Count", result, [&](LONG& out) {
        out = static_cast<LONG>(m_entries.size());
        return S_OK;
    });
}

HRESULT HostAddIns::get_Item(VARIANT index, IDispatch** result) noexcept {
    // A text index names the add-in by its ProgID.
    return property(L"Item", result, [&](IDispatch*& out) {
        return item_by_index(
            index, m_entries, [this](std::wstring_view progId) { return find(progId); }, &out);
    });
}

HRESULT HostAddIns::Add(BSTR progId, BSTR, IDispatch** result) noexcept {
    return property(L"Add", result, [&](IDispatch*& out) -> HRESULT {
        if (!progId) return E_INVALIDARG;
        // A class that cannot be created gives Nothing, not an error.
        return hand_out(add(std::wstring_view(progId, SysStringLen(progId))), &out);
    });
}

HRESULT HostAddIns::get_Parent(IDispatch** result) noexcept {
    return parent_property(result, [this] { return context().framework(); });
}

win32::com_ptr<HostAddInEntry> HostAddIns::add(std::wstring_view progId) {
    std::wstring name(progId);
    std::string logged = "create " + win32::narrow(name);
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(name.c_str(), &clsid);
    if (FAILED(hr)) {
        context().log().line(logged + " -> " + HostLog::hex(hr) + " (no such ProgID)");
        return {};
    }
    for (const auto& entry : m_entries) {
        if (IsEqualCLSID(entry->clsid(), clsid)) return entry;
    }
    win32::com_ptr<IDispatch> object;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.put_void());
    context().log().line(logged + " -> " + HostLog::hex(hr));
    if (FAILED(hr) || !object) return {};
    // Asked for in other letter case, the entry still goes by the class's own name.
    name = registered_spelling(clsid, std::move(name));
    auto entry = HostAddInEntry::create(shared_context(), std::move(name), clsid, std::move(object));
    if (!entry) throw std::bad_alloc();
    m_entries.push_back(entry);
    return entry;
}

win32::com_ptr<HostAddInEntry> HostAddIns::find(std::wstring_view progId) const {
    for (const auto& entry : m_entries) {
        const auto& name = entry->prog_id();
        if (CompareStringOrdinal(name.data(), static_cast<int>(name.size()), progId.data(),
                                 static_cast<int>(progId.size()), TRUE) == CSTR_EQUAL)
            return entry;
    }
    // Another ProgID of the same class (a version-dependent one, say) finds it too.
    CLSID clsid{};
    if (SUCCEEDED(CLSIDFromProgID(std::wstring(progId).c_str(), &clsid))) {
        for (const auto& entry : m_entries) {
            if (IsEqualCLSID(entry->clsid(), clsid)) return entry;
        }
    }
    return {};
}

void HostAddIns::remove(HostAddInEntry& entry) noexcept {
    win32::com_ptr<HostAddInEntry> keep(&entry);
    std::erase_if(m_entries, [&](const auto& e) { return e.get() == &entry; });
    entry.release_object();
}

void HostAddIns::clear() noexcept {
    auto entries = std::move(m_entries);
    m_entries.clear();
    for (auto& entry : entries) entry->release_object();
}

}  // namespace tessaline
