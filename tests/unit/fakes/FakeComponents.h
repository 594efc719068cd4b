// The external components: a resource-library locator that records what it
// is told and answers a configured path, and recording error reporters.
// Either can be made uncreatable; reports can be made to fail.
#pragma once

#include "fakes/FakeObject.h"
#include "host/Components.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fakes {

// One ReportError call, all nine arguments, and which reporter got it.
struct Report {
    int reporter;
    std::string source;
    std::string description;
    std::string helpFile;
    std::int32_t helpContext;
    std::int32_t number;
    std::string label;
    std::int32_t style;
    std::int32_t flag1;
    std::int32_t flag2;
};

class FakeComponents final : public autosave::Components {
public:
    static constexpr const char* kFolder = "C:\\Program Files\\Morvane\\AddIns";
    static constexpr const char* kEnglishLibrary = "C:\\Program Files\\Morvane\\AddIns\\vokAutoSave_ENU.dll";
    static const ErrorInfo kCannotCreate;

    explicit FakeComponents(std::shared_ptr<CallLog> log) : m_log(std::move(log)) {}

    // Locator: named "locator" in the call log.
    bool locatorCreatable = true;
    std::string libraryPath = kEnglishLibrary;
    int locatorsCreated = 0;

    // Reporters.
    bool reporterCreatable = true;
    int failingReports = 0;  // how many of the next ReportError calls fail; negative: every one
    ErrorInfo reportFailure{-2147467259, "ErrorReporter", "Report failed", {}, 0};
    int reportersCreated = 0;
    std::vector<Report> reports;
    std::vector<std::string> labels() const;

    // Further classes the tests offer: the class and what creating it gives.
    std::vector<std::pair<Guid, std::function<autosave::ObjectPtr()>>> classes;

    autosave::ObjectPtr createObject(const Guid& clsid, const Guid& iid) override;
    std::unique_ptr<autosave::ErrorReporter> createErrorReporter() override;
    std::string componentFolder() override { return kFolder; }

private:
    class Reporter;
    std::shared_ptr<CallLog> m_log;
};

}  // namespace fakes
