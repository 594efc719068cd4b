// The add-ins the host has created, one entry per add-in class.
#pragma once

#include "tessaline/HostAddInEntry.h"
#include "tessaline/HostObject.h"

#include "Tessaline.h"

#include <string_view>
#include <vector>

namespace tessaline {

class HostAddIns final : public HostObject<AddIns> {
public:
    static win32::com_ptr<HostAddIns> create(std::shared_ptr<HostContext> context) noexcept;

    // AddIns
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE Add(BSTR progId, BSTR text, IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** result) noexcept override;

    // The entry for the class progId names: the existing one, else a new one
    // around a newly created add-in object; empty (and logged) when the class
    // cannot be created. Letter case in progId does not matter.
    win32::com_ptr<HostAddInEntry> add(std::wstring_view progId);
    win32::com_ptr<HostAddInEntry> find(std::wstring_view progId) const;
    std::vector<win32::com_ptr<HostAddInEntry>> entries() const { return m_entries; }
    // Drops every entry and the host's references to the add-in objects.
    void clear() noexcept;
    // Drops that entry and the host's reference to its add-in object.
    void remove(HostAddInEntry& entry) noexcept;

private:
    explicit HostAddIns(std::shared_ptr<HostContext> context) noexcept;
    ~HostAddIns() override;

    std::vector<win32::com_ptr<HostAddInEntry>> m_entries;
};

}  // namespace tessaline
