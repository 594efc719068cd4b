// The message loop of a form shown modally. A loop serves the keys and the
// dialog navigation of every live form, since a handler may show another
// form from inside it; loops nest.
#pragma once

#include <exception>

namespace win32 {

class Win32Form;

namespace modal_loop {

// The forms the loops serve, from creation to destruction.
void add(Win32Form& form);
void remove(Win32Form& form) noexcept;

// Runs until form is hidden or unloaded, or the thread quits (the quit is
// left to the loop that owns the thread). A deferred error ends the showing
// and leaves from here.
void run(Win32Form& form);

// A handler's error caught in a window procedure, where it must not unwind
// through user32: the innermost running loop raises it. Outside any showing
// there is no caller left to hand it to, and it is dropped.
void defer(std::exception_ptr error) noexcept;

}  // namespace modal_loop
}  // namespace win32
