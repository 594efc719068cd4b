// An installed add-in on the fake host, with the texts the engine shows and
// settings chosen by each test.
#pragma once

#include "fakes/ModuleFixture.h"

#include <map>

namespace fakes {

class EngineFixture : public ModuleFixture {
protected:
    autosave::CAddIn addIn{module};

    EngineFixture() {
        libraries.addLibrary(FakeComponents::kEnglishLibrary, {{112, kName},
                                                               {113, kMenu},
                                                               {114, kDescription},
                                                               {115, "Saving "},
                                                               {116, "Save "},
                                                               {117, "?"},
                                                               {118, kCaptionSuffix},
                                                               {127, "Save"},
                                                               {128, "Skip"},
                                                               {129, "Cancel"},
                                                               {133, "Backing up %1: %2 MB"},
                                                               {134, "Backup of %1 cancelled"}});
    }

    // Stores the settings, then initialises and installs the add-in at 10:00.
    void install(const std::map<std::string, std::string>& settings) {
        for (const auto& [name, value] : settings)
            registry.set(autosave::RegistryRoot::CurrentUser, kSettingsKey, name, value);
        addIn.InitializeApplication(host.app);
        addIn.Install(host.app, nullptr);
        log->clear();
    }

    // One idle event `secondsLater` after 10:00 on the same day.
    void idleAt(double secondsLater) {
        clock.seconds = 10 * 3600 + secondsLater;
        host.events->fire([&](autosave::ApplicationEvents& e) { e.g_ApplicationEvents_InIdle(host.app); });
    }

    void saved(const ObjectPtr& document) {
        host.events->fire([&](autosave::ApplicationEvents& e) { e.g_ApplicationEvents_DocumentSaved(document); });
    }

    std::string statusBar() const { return autosave::toText(host.framework->stored("StatusBar")); }
    bool fileSavePosted() const {
        return !desktop.posted.empty() &&
               desktop.posted.back() == FakeDesktop::Posted{FakeHost::kMainWindow, 0x0111, 57603, 0};
    }

    static constexpr double kInterval = 600;  // the default 10 minutes
};

}  // namespace fakes
