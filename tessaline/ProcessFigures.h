// What the host's process holds, for the process step: open handles and
// private memory, as flat as they stay over a long session.
#pragma once

#include <windows.h>

namespace tessaline::process_figures {

// Handles this process holds; 0 when the system cannot say.
DWORD handle_count();
// Private bytes committed by this process; false when the system cannot say.
bool private_bytes(SIZE_T& bytes);

}  // namespace tessaline::process_figures
