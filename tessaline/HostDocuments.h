// The open drawings as add-ins see them: read from the host's document set
// at every call, in opening order.
#pragma once

#include "tessaline/HostObject.h"

#include "Tessaline.h"

namespace tessaline {

class HostDocuments final : public HostObject<Documents> {
public:
    static win32::com_ptr<HostDocuments> create(std::shared_ptr<HostContext> context) noexcept;

    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* result) noexcept override;
    // A number counts from 1; a text names a document by Name or FullName.
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** result) noexcept override;

private:
    explicit HostDocuments(std::shared_ptr<HostContext> context) noexcept;
    ~HostDocuments() override = default;
};

}  // namespace tessaline
