// The standard error pattern: one shared reporter, made on first use, and
// failures of reporting itself leave the operation.
#include "fakes/ModuleFixture.h"

#include "host/ErrorHandling.h"

#include <gmock/gmock.h>

#include <new>

namespace {

using namespace fakes;
using autosave::AutomationError;
using autosave::CAddIn;
using ::testing::ElementsAre;

class ErrorReporting : public ModuleFixture {
protected:
    // Makes Install fail at its first host call with the given error.
    void breakHost(ErrorInfo error) { host.app->fail("orvapplication", std::move(error)); }

    CAddIn addIn{module};
};

TEST_F(ErrorReporting, ReporterIsCreatedByTheFirstReportAndReusedAfterwards) {
    addIn.InitializeApplication(host.app);
    addIn.Install(host.app, nullptr);
    EXPECT_FALSE(module.errors.reporterExists());
    EXPECT_EQ(components.reportersCreated, 0);

    components.libraryPath = "missing.dll";
    addIn.InitializeApplication(host.app);
    EXPECT_TRUE(module.errors.reporterExists());
    breakHost({1, "Tessaline", "broken", {}, 0});
    addIn.Install(host.app, nullptr);
    addIn.Install(host.app, nullptr);

    EXPECT_EQ(components.reportersCreated, 1);
    ASSERT_EQ(components.reports.size(), 3u);
    for (const Report& r : components.reports) EXPECT_EQ(r.reporter, 1);
}

TEST_F(ErrorReporting, ReportCarriesTheErrorFieldsTheLabelAndTheFixedStyle) {
    breakHost({-2147352567, "Tessaline.Application", "The host is busy", "tessaline.chm", 4711});
    addIn.Install(host.app, nullptr);

    ASSERT_EQ(components.reports.size(), 1u);
    const Report& r = components.reports[0];
    EXPECT_EQ(r.source, "Tessaline.Application");
    EXPECT_EQ(r.description, "The host is busy");
    EXPECT_EQ(r.helpFile, "tessaline.chm");
    EXPECT_EQ(r.helpContext, 4711);
    EXPECT_EQ(r.number, -2147352567);
    EXPECT_EQ(r.label, "CAddIn:Install()");
    EXPECT_EQ(r.style, 48);
    EXPECT_EQ(r.flag1, 0);
    EXPECT_EQ(r.flag2, 0);
}

TEST_F(ErrorReporting, FailingReportLeavesThePublicOperation) {
    breakHost({1, "Tessaline", "broken", {}, 0});
    components.failingReports = -1;
    try {
        addIn.Install(host.app, nullptr);
        ADD_FAILURE() << "Install returned normally";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.info().number, components.reportFailure.number);
        EXPECT_EQ(e.info().source, components.reportFailure.source);
    }
    EXPECT_TRUE(addIn.get_IsInstalled());
}

TEST_F(ErrorReporting, InlineReportThatFailsIsHandledByTheProcedureItself) {
    // The inline report of a missing library fails once; the operation's
    // handler then reports that failure under its own label.
    components.libraryPath = "missing.dll";
    components.failingReports = 1;
    addIn.InitializeApplication(host.app);

    ASSERT_THAT(components.labels(), ElementsAre("CAddIn:InitializeApplication()"));
    EXPECT_EQ(components.reports[0].number, components.reportFailure.number);
    // The failure ended the operation before the key was built.
    EXPECT_EQ(addIn.registryKey(), "");
}

TEST_F(ErrorReporting, UncreatableReporterLeavesTheOperationAndIsTriedAgainLater) {
    breakHost({1, "Tessaline", "broken", {}, 0});
    components.reporterCreatable = false;
    EXPECT_THROW(addIn.Install(host.app, nullptr), AutomationError);
    EXPECT_FALSE(module.errors.reporterExists());

    components.reporterCreatable = true;
    EXPECT_NO_THROW(addIn.Install(host.app, nullptr));
    EXPECT_THAT(components.labels(), ElementsAre("CAddIn:Install()"));
}

TEST_F(ErrorReporting, ErrorsOtherThanAutomationErrorsAreReportedWithTheirOwnNumbers) {
    autosave::guarded(module.errors, "Test:OutOfMemory()", [] { throw std::bad_alloc(); });
    autosave::guarded(module.errors, "Test:Logic()", [] { throw std::logic_error("unexpected state"); });
    autosave::guarded(module.errors, "Test:Other()", [] { throw 42; });
    autosave::guarded(module.errors, "Test:Fine()", [] {});

    ASSERT_THAT(components.labels(), ElementsAre("Test:OutOfMemory()", "Test:Logic()", "Test:Other()"));
    EXPECT_EQ(components.reports[0].number, 7);
    EXPECT_EQ(components.reports[1].number, 51);
    EXPECT_EQ(components.reports[1].description, "unexpected state");
    EXPECT_EQ(components.reports[2].number, 51);
}

}  // namespace
