// The state one loaded copy of the component shares among all its objects:
// the platform it runs on, the error reporter, and the module-wide globals.
#pragma once

#include "host/Automation.h"
#include "host/Components.h"
#include "host/ErrorHandling.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "platform/Forms.h"
#include "platform/Registry.h"
#include "platform/ResourceLibraries.h"

#include <functional>
#include <map>
#include <memory>

namespace autosave {

// What the component reaches of the machine; real on Windows, fakes in tests.
struct Services {
    Clock& clock;
    ResourceLibraries& libraries;
    Registry& registry;
    Components& components;
    Desktop& desktop;
    FileSystem& fileSystem;
    Forms& forms;
};

class frmPrompt;

class ModuleState {
public:
    explicit ModuleState(const Services& services);
    ~ModuleState();
    ModuleState(const ModuleState&) = delete;
    ModuleState& operator=(const ModuleState&) = delete;

    Services services;
    ErrorReports errors;

    // Handle of the language resource library; 0 while none was loaded. It
    // keeps its value after the library is freed (CCommand tests it), so
    // string lookups check isLoaded() before they use it.
    LibraryHandle g_hResourceLib = 0;
    ObjectPtr g_Application;
    ObjectPtr g_CurrentDocument;
    bool g_bSaveByDocument = false;
    bool g_bSaveByCommand = false;
    bool g_bCancelPrompts = false;
    bool g_bUpdateMenuCheck = false;
    // While the settings dialog is shown: takes it away unanswered.
    std::function<void()> dismissSettings;

    // Library loads made by the component's objects that are not yet freed.
    bool isLoaded(LibraryHandle library) const { return m_liveLoads.count(library) != 0; }
    void noteLoaded(LibraryHandle library) { ++m_liveLoads[library]; }
    void noteFreed(LibraryHandle library);

private:
    std::map<LibraryHandle, int> m_liveLoads;

public:
    // The one prompt dialog; thePrompt() (engine/PromptDialog.h) creates it
    // on first use. Declared last so that it goes before the state it uses.
    std::shared_ptr<frmPrompt> promptDialog;
};

}  // namespace autosave
