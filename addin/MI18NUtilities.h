// Fonts of the component's dialogs, adapted to the machine just before showing.
#pragma once

#include "addin/ModuleState.h"
#include "platform/Forms.h"

namespace autosave {

// Gives the form and its controls the face of the system's default GUI font;
// on the East-Asian locales of the table also the matching character set and
// 9 points. A control without a font is passed over.
void SetInternationalizeFont(ModuleState& module, Form& form);

}  // namespace autosave
