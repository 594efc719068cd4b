// The ErrorReporter class: appends each report to the log file and, when
// asked to, shows it in a message box.
#pragma once

#include "components/ErrorReporter/ReporterSettings.h"
#include "platform/win32/ComObject.h"

#include "ErrorReporter.h"

namespace components {

class ErrorReporterObject final : public win32::DispatchObject<IErrorReporter> {
public:
    // Reads the user's settings and makes a new reporter.
    static HRESULT create(REFIID iid, void** out) noexcept;

    explicit ErrorReporterObject(ReporterSettings settings) noexcept;

    // IErrorReporter
    HRESULT STDMETHODCALLTYPE get_LogFile(BSTR* path) noexcept override;
    HRESULT STDMETHODCALLTYPE put_LogFile(BSTR path) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ShowMessages(VARIANT_BOOL* show) noexcept override;
    HRESULT STDMETHODCALLTYPE put_ShowMessages(VARIANT_BOOL show) noexcept override;
    HRESULT STDMETHODCALLTYPE ReportError(BSTR source, BSTR description, BSTR* helpFile, LONG* helpContext,
                                          LONG* number, BSTR* label, LONG* style, LONG* flag1, LONG* flag2,
                                          LONG* result) noexcept override;

private:
    ~ErrorReporterObject() override = default;

    ReporterSettings m_settings;
};

}  // namespace components
