// The ApplicationLocator class: one object per process, which every
// creation hands out, naming the host application running in the process.
#pragma once

#include "platform/win32/ComObject.h"

#include "ApplicationLocator.h"

namespace components {

class ApplicationLocatorObject final : public win32::DispatchObject<IApplicationLocator, IApplicationLocatorHost> {
public:
    // The process's one instance, made on first use.
    static HRESULT create(REFIID iid, void** out) noexcept;

    // IApplicationLocator
    HRESULT STDMETHODCALLTYPE get_ActiveApplication(IDispatch** value) noexcept override;

    // IApplicationLocatorHost
    HRESULT STDMETHODCALLTYPE SetActiveApplication(IDispatch* application) noexcept override;

private:
    ApplicationLocatorObject() noexcept = default;
    ~ApplicationLocatorObject() override = default;

    win32::com_ptr<IDispatch> m_application;
};

}  // namespace components
