#include "host/ErrorHandling.h"

namespace autosave {

void ErrorReports::report(std::string_view label, const ErrorInfo& info) {
    if (!m_reporter) m_reporter = m_components.createErrorReporter();
    m_reporter->ReportError(info.source, info.description, info.helpFile, info.helpContext, info.number,
                            std::string(label), kStyle, 0, 0);
}

ErrorInfo errorInfoOf(std::exception_ptr error) {
    auto standard = [](std::int32_t number) {
        return AutomationError(number, std::string(errors::message(number))).info();
    };
    try {
        std::rethrow_exception(error);
    } catch (const AutomationError& e) {
        return e.info();
    } catch (const std::bad_alloc&) {
        return standard(errors::kOutOfMemory);
    } catch (const std::exception& e) {
        return AutomationError(errors::kInternalError, e.what()).info();
    } catch (...) {
        return standard(errors::kInternalError);
    }
}

}  // namespace autosave
