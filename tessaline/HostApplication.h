// The outer application object: what add-ins are handed as "app". Its only
// real member leads to the framework application.
#pragma once

#include "tessaline/HostObject.h"

#include "Tessaline.h"

namespace tessaline {

class HostApplication final : public HostObject<TessalineApplication> {
public:
    static win32::com_ptr<HostApplication> create(std::shared_ptr<HostContext> context) noexcept;

    HRESULT STDMETHODCALLTYPE get_orvapplication(IDispatch** result) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* result) noexcept override;

private:
    explicit HostApplication(std::shared_ptr<HostContext> context) noexcept;
    ~HostApplication() override = default;
};

}  // namespace tessaline
