// The component's own version texts and the names built from them.
#pragma once

#include <string>

namespace autosave {

inline constexpr const char* kVersion = "4.1.2";
inline constexpr const char* kVersionSuffix = "412";

// ProgIDs as the component builds them at run time. The add-in's differs
// from its registered "vokAutoSave412.CAddIn" in letter case only, which
// ProgID look-up ignores.
inline std::string commandProgId() { return std::string("vokAutoSave") + kVersionSuffix + ".CCommand"; }
inline std::string addInProgId() { return std::string("vokAutosave") + kVersionSuffix + ".CAddin"; }

}  // namespace autosave
