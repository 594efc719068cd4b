// A ModuleState over fresh fakes, with a host that has a File and a Tools
// menu and an English library whose strings the tests name below.
#pragma once

#include "addin/AddIn.h"
#include "addin/ModuleState.h"
#include "addin/StringIds.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeComponents.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakeHost.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeResourceLibraries.h"
#include "fakes/HeadlessForms.h"

#include <gtest/gtest.h>

namespace fakes {

inline const std::string kName = "AutoSave";
inline const std::string kMenu = "Tools";
inline const std::string kDescription = "Saves drawings at regular intervals";
inline const std::string kCaptionSuffix = "...";
inline const std::string kSettingsKey =
    "SOFTWARE\\Morvane\\Applications\\Tessaline.Application\\PrefSets\\AddIns\\AutoSave";

class ModuleFixture : public ::testing::Test {
protected:
    ModuleFixture() {
        libraries.addLibrary(FakeComponents::kEnglishLibrary, {{IDS_NAME, kName},
                                                               {IDS_MENU_NAME, kMenu},
                                                               {IDS_DESCRIPTION, kDescription},
                                                               {IDS_ELLIPSIS, kCaptionSuffix}});
        libraries.hostStrings = {{IDS_NAME, "Host program"}};
        host.addMenu("File");
        host.addMenu(kMenu);
    }

    std::optional<std::string> setting(const std::string& name) const {
        return registry.text(RegistryRoot::CurrentUser, kSettingsKey, name);
    }

    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
    FakeClock clock;
    FakeResourceLibraries libraries;
    FakeRegistry registry;
    FakeComponents components{log};
    FakeHost host{log};
    FakeDesktop desktop{log};
    FakeFileSystem files;
    HeadlessForms forms;
    autosave::ModuleState module{autosave::Services{clock, libraries, registry, components, desktop, files, forms}};
};

}  // namespace fakes
