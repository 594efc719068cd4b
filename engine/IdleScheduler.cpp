// CAddIn's idle-time handler: decides when and what to save.
#include "addin/AddIn.h"

namespace autosave {

void CAddIn::g_ApplicationEvents_InIdle(const ObjectPtr& application) {
    if (!application) return;
    guarded(m_module.errors, "CAddIn:g_ApplicationEvents_InIdle()", [] {});
}

}  // namespace autosave
