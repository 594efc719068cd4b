#include "com/CommandObject.h"

#include "com/Arguments.h"
#include "com/ComError.h"
#include "platform/win32/ComBoundary.h"
#include "com/Module.h"

namespace autosave::com {
namespace {

// The interface identifier of CCommand's earlier version.
constexpr IID kCommandVersion0{0x5652A976, 0xFC4C, 0x46D8, {0xA5, 0xDC, 0xE8, 0xD5, 0x76, 0x42, 0xBB, 0x55}};

}  // namespace

CommandObject::CommandObject()
    : m_core(moduleState(), [this] {
          // Held while the command control's event runs: the dialog is modal
          // inside it, and the host may release the command meanwhile.
          return std::make_shared<win32::com_ptr<IUnknown>>(identity());
      }) {}

void* CommandObject::query_extra(REFIID iid) noexcept {
    return iid == kCommandVersion0 ? static_cast<_CCommand*>(this) : nullptr;
}

HRESULT STDMETHODCALLTYPE CommandObject::InterfaceSupportsErrorInfo(REFIID iid) noexcept {
    return iid == IID__CCommand ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CommandObject::Command_Initialize(IDispatch** BasicCmd) noexcept {
    return win32::com_guard_with_error_info([&] { m_core.Command_Initialize(objectIn(BasicCmd)); });
}

HRESULT STDMETHODCALLTYPE CommandObject::get_HelpFileName(BSTR* result) noexcept {
    if (HRESULT hr = clearOut(result); FAILED(hr)) return hr;
    return win32::com_guard_with_error_info([&] { *result = win32::make_bstr(m_core.get_HelpFileName()).release(); });
}

}  // namespace autosave::com
