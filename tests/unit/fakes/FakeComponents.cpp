#include "fakes/FakeComponents.h"

#include "host/HostModel.h"

namespace fakes {

const ErrorInfo FakeComponents::kCannotCreate{
    autosave::errors::kCannotCreateObject, "vokAutoSave412", "Can't create object", {}, 0};

class FakeComponents::Reporter final : public autosave::ErrorReporter {
public:
    Reporter(FakeComponents& owner, int id) : m_owner(owner), m_id(id) {}

    void ReportError(const std::string& source, const std::string& description, const std::string& helpFile,
                     std::int32_t helpContext, std::int32_t number, const std::string& label, std::int32_t style,
                     std::int32_t flag1, std::int32_t flag2) override {
        if (m_owner.failingReports != 0) {
            if (m_owner.failingReports > 0) --m_owner.failingReports;
            throw autosave::AutomationError(m_owner.reportFailure);
        }
        m_owner.reports.push_back(
            Report{m_id, source, description, helpFile, helpContext, number, label, style, flag1, flag2});
    }

private:
    FakeComponents& m_owner;
    int m_id;
};

std::vector<std::string> FakeComponents::labels() const {
    std::vector<std::string> result;
    for (const auto& r : reports) result.push_back(r.label);
    return result;
}

autosave::ObjectPtr FakeComponents::createObject(const Guid& clsid, const Guid& iid) {
    namespace h = autosave::host;
    for (const auto& [offered, create] : classes)
        if (offered == clsid) return create();
    if (!locatorCreatable || clsid != h::CLSID_ResourceLibraryLocator || iid != h::IID_ResourceLibraryLocator)
        throw autosave::AutomationError(kCannotCreate);
    ++locatorsCreated;
    auto locator = FakeObject::make("locator", m_log);
    locator->answers(h::IID_ResourceLibraryLocator)
        .value("Folder", std::string())
        .value("BaseName", std::string())
        .getter("FileName", [this](const FakeObject::Args&) -> Value { return libraryPath; });
    return locator;
}

std::unique_ptr<autosave::ErrorReporter> FakeComponents::createErrorReporter() {
    if (!reporterCreatable) throw autosave::AutomationError(kCannotCreate);
    return std::make_unique<Reporter>(*this, ++reportersCreated);
}

}  // namespace fakes
