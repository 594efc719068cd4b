#include "components/ErrorReporter/ErrorReporterObject.h"

#include "platform/win32/ComBoundary.h"
#include "components/ErrorReporter/ReportLog.h"

#include <string>
#include <utility>

namespace components {

namespace {

void show_message(const Report& report) {
    std::wstring text;
    auto paragraph = [&text](std::wstring_view part) {
        if (part.empty()) return;
        if (!text.empty()) text += L"\n\n";
        text += part;
    };
    paragraph(report.label);
    paragraph(report.description);
    paragraph(L"Error " + std::to_wstring(report.number));
    std::wstring title(report.source.empty() ? std::wstring_view(L"Error") : report.source);
    MessageBoxW(nullptr, text.c_str(), title.c_str(), static_cast<UINT>(report.style));
}

}  // namespace

HRESULT ErrorReporterObject::create(REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    return win32::com_guard(
        [&] { return win32::create_instance<ErrorReporterObject>(iid, out, ReporterSettings::load()); });
}

ErrorReporterObject::ErrorReporterObject(ReporterSettings settings) noexcept : m_settings(std::move(settings)) {}

HRESULT ErrorReporterObject::get_LogFile(BSTR* path) noexcept {
    if (!path) return E_POINTER;
    *path = nullptr;
    return win32::com_guard([&] {
        *path = win32::bstr_from(m_settings.logFile).release();
        return S_OK;
    });
}

HRESULT ErrorReporterObject::put_LogFile(BSTR path) noexcept {
    std::wstring_view value = win32::view_of(path);
    if (value.empty()) return E_INVALIDARG;
    return win32::com_guard([&] {
        m_settings.logFile.assign(value);
        return S_OK;
    });
}

HRESULT ErrorReporterObject::get_ShowMessages(VARIANT_BOOL* show) noexcept {
    if (!show) return E_POINTER;
    *show = m_settings.showMessages ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT ErrorReporterObject::put_ShowMessages(VARIANT_BOOL show) noexcept {
    m_settings.showMessages = show != VARIANT_FALSE;
    return S_OK;
}

HRESULT ErrorReporterObject::ReportError(BSTR source, BSTR description, BSTR* helpFile, LONG* helpContext, LONG* number,
                                         BSTR* label, LONG* style, LONG* flag1, LONG* flag2, LONG* result) noexcept {
    if (!result) return E_POINTER;
    *result = 0;
    return win32::com_guard([&] {
        Report report;
        report.source = win32::view_of(source);
        report.description = win32::view_of(description);
        report.helpFile = helpFile ? win32::view_of(*helpFile) : std::wstring_view();
        report.helpContext = helpContext ? *helpContext : 0;
        report.number = number ? *number : 0;
        report.label = label ? win32::view_of(*label) : std::wstring_view();
        report.style = style ? *style : 0;
        report.flag1 = flag1 ? *flag1 : 0;
        report.flag2 = flag2 ? *flag2 : 0;

        SYSTEMTIME now{};
        GetLocalTime(&now);
        record_report_line(m_settings.logFile, format_report_line(now, GetCurrentProcessId(), report));
        if (m_settings.showMessages) show_message(report);
        return S_OK;
    });
}

}  // namespace components
