#include "com/ComComponents.h"

#include "host/HostModel.h"
#include "com/ComError.h"
#include "com/DispatchRef.h"
#include "platform/win32/ComObject.h"
#include "platform/win32/Variant.h"

#include "ErrorReporter.h"

namespace autosave::com {
namespace {

[[noreturn]] void cannotCreate() { raise(errors::kCannotCreateObject); }

// The reporter called through its interface, not by name.
class ComErrorReporter final : public ErrorReporter {
public:
    explicit ComErrorReporter(win32::com_ptr<IErrorReporter> reporter) : m_reporter(std::move(reporter)) {}

    void ReportError(const std::string& source, const std::string& description, const std::string& helpFile,
                     std::int32_t helpContext, std::int32_t number, const std::string& label, std::int32_t style,
                     std::int32_t flag1, std::int32_t flag2) override {
        win32::unique_bstr bstrSource = win32::make_bstr(source);
        win32::unique_bstr bstrDescription = win32::make_bstr(description);
        win32::unique_bstr bstrHelpFile = win32::make_bstr(helpFile);
        win32::unique_bstr bstrLabel = win32::make_bstr(label);
        // By-reference arguments: the callee may replace the texts, which
        // then belong to us.
        BSTR helpFileArg = bstrHelpFile.release();
        BSTR labelArg = bstrLabel.release();
        LONG context = helpContext, errorNumber = number, styleArg = style, f1 = flag1, f2 = flag2, result = 0;
        HRESULT hr = m_reporter->ReportError(bstrSource.get(), bstrDescription.get(), &helpFileArg, &context,
                                             &errorNumber, &labelArg, &styleArg, &f1, &f2, &result);
        bstrHelpFile.reset(helpFileArg);
        bstrLabel.reset(labelArg);
        checkCall(hr, m_reporter.get(), IID_IErrorReporter);
    }

private:
    win32::com_ptr<IErrorReporter> m_reporter;
};

}  // namespace

ObjectPtr ComComponents::createObject(const Guid& clsid, const Guid& iid) {
    win32::com_ptr<IDispatch> object;
    if (FAILED(CoCreateInstance(toGUID(clsid), nullptr, CLSCTX_INPROC_SERVER, toGUID(iid), object.put_void())) ||
        !object)
        cannotCreate();
    return DispatchRef::wrap(std::move(object));
}

std::unique_ptr<ErrorReporter> ComComponents::createErrorReporter() {
    win32::com_ptr<IErrorReporter> reporter;
    if (FAILED(CoCreateInstance(toGUID(host::CLSID_ErrorReporter), nullptr, CLSCTX_INPROC_SERVER,
                                toGUID(host::IID_ErrorReporter), reporter.put_void())) ||
        !reporter)
        cannotCreate();
    return std::make_unique<ComErrorReporter>(std::move(reporter));
}

std::string ComComponents::componentFolder() {
    std::wstring path = win32::this_module_path();
    size_t slash = path.find_last_of(L"\\/");
    return win32::narrow(path.substr(0, slash == std::wstring::npos ? 0 : slash));
}

}  // namespace autosave::com
