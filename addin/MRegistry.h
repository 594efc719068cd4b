// Numbered texts of the language resource library, and the registry readers
// the help look-up uses.
#pragma once

#include "addin/ModuleState.h"

#include <cstdint>
#include <string>

namespace autosave {

// Text number `number` of `library` (at most 499 characters); the empty
// text when there is no such string. Handle 0 goes to the loader unchanged.
std::string GetResourceString(ModuleState& module, LibraryHandle library, std::int32_t number);

// The text of a value under root\subKey; an empty name reads the default
// value. Missing keys and values give the empty text.
std::string GetRegistryValueString(ModuleState& module, RegistryRoot root, const std::string& subKey,
                                   const std::string& valueName);

// The help file the host registered for program identifier `programId`,
// with ".chm" appended when the name has no ".".
std::string GetHelpFileNameFromRegistry(ModuleState& module, const std::string& programId);

}  // namespace autosave
