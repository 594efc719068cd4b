// An installed add-in on the fake host, with the texts the engine shows and
// settings chosen by each test.
#pragma once

#include "fakes/ModuleFixture.h"
#include "addin/StringIds.h"

#include <map>

namespace fakes {

class EngineFixture : public ModuleFixture {
protected:
    autosave::CAddIn addIn{module};

    EngineFixture() {
        libraries.addLibrary(FakeComponents::kEnglishLibrary, {{IDS_NAME, kName},
                                                               {IDS_MENU_NAME, kMenu},
                                                               {IDS_DESCRIPTION, kDescription},
                                                               {IDS_STATUS_SAVING, "Saving "},
                                                               {IDS_PROMPT_BEFORE_NAME, "Save "},
                                                               {IDS_PROMPT_AFTER_NAME, "?"},
                                                               {IDS_ELLIPSIS, kCaptionSuffix},
                                                               {IDS_PROMPT_SAVE, "Save"},
                                                               {IDS_PROMPT_SKIP, "Skip"},
                                                               {IDS_PROMPT_CANCEL, "Cancel"},
                                                               {IDS_BACKUP_PROGRESS, "Backing up %1: %2 MB"},
                                                               {IDS_BACKUP_CANCELLED, "Backup of %1 cancelled"}});
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
