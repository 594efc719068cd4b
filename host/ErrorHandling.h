// The standard error pattern every procedure follows: trap the run-time
// error, report it with the procedure's label, and return normally. Only a
// failure of the reporting itself leaves the procedure.
#pragma once

#include "platform/AutomationError.h"
#include "host/Components.h"

#include <exception>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>

namespace autosave {

class ErrorReports {
public:
    // Message-box style of every report: exclamation icon, OK button.
    static constexpr std::int32_t kStyle = 48;

    explicit ErrorReports(Components& components) : m_components(components) {}

    // Hands one report to the shared reporter, creating it on first use.
    // Raises when the reporter cannot be created or fails the report.
    void report(std::string_view label, const ErrorInfo& info);
    bool reporterExists() const noexcept { return m_reporter != nullptr; }

private:
    Components& m_components;
    std::unique_ptr<ErrorReporter> m_reporter;
};

// The error a caught exception stands for.
ErrorInfo errorInfoOf(std::exception_ptr error);

// Runs body under the standard pattern with the given label.
template <typename Body>
void guarded(ErrorReports& reports, std::string_view label, Body&& body) {
    std::exception_ptr error;
    try {
        body();
        return;
    } catch (...) {
        error = std::current_exception();
    }
    reports.report(label, errorInfoOf(error));
}

// The same for a function: body's result, or the empty value of its type
// after a reported error.
template <typename Body>
auto guardedResult(ErrorReports& reports, std::string_view label, Body&& body) {
    std::invoke_result_t<Body&> result{};
    guarded(reports, label, [&] { result = body(); });
    return result;
}

}  // namespace autosave
