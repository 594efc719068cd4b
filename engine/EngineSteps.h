// The steps the idle handler and the prompt share to start a save and to
// tell the user about it.
#pragma once

#include "addin/ModuleState.h"

namespace autosave {

// Raises g_bSaveByCommand and posts the host's File-Save command to its main window.
void PostSaveCommand(ModuleState& module);
// Hourglass and "saving <name>" on the status bar, unless a save of the
// add-in's is still pending; true when shown.
bool ShowSavingMessage(ModuleState& module, const ObjectPtr& document);
// "Saving <name>..." in the user's language.
std::string SavingMessage(ModuleState& module, const std::string& name);
// The active document through the File-Save command; any other through its
// Save, with g_bSaveByDocument raised first and lowered again when Save fails.
void SaveDocument(ModuleState& module, const ObjectPtr& document);
// ShowSavingMessage, then SaveDocument; a save that fails takes its message
// back.
void SaveWithMessage(ModuleState& module, const ObjectPtr& document);
// Asks the user about `document` in the prompt dialog; returns when answered.
void ShowSavePrompt(ModuleState& module, const ObjectPtr& document, bool allowSkip);

}  // namespace autosave
