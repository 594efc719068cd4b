// The CCommand coclass: the settings command the host creates when the user
// picks the add-in's menu item. Forwards to the core's CCommand.
#pragma once

#include "platform/win32/ComObject.h"
#include "settings/SettingsCommand.h"

#include "vokAutoSave412.h"

namespace autosave::com {

class CommandObject final : public win32::DispatchObject<_CCommand, ISupportErrorInfo> {
public:
    CommandObject();

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) noexcept override;

    // _CCommand
    HRESULT STDMETHODCALLTYPE Command_Initialize(IDispatch** BasicCmd) noexcept override;
    HRESULT STDMETHODCALLTYPE get_HelpFileName(BSTR* result) noexcept override;

private:
    ~CommandObject() override = default;
    // The interface identifier of the command's earlier version names the same interface.
    void* query_extra(REFIID iid) noexcept override;

    CCommand m_core;
};

}  // namespace autosave::com
