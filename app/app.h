// The program put together: its four windows (the main window, the warning,
// the minute's notice and the About window), one instance of each, the
// system services their code reaches, and the standard error report. The
// parts below know nothing of this: the windows' code reaches the others
// only through platform::IForms, which the program implements here.
#pragma once

#include <windows.h>

namespace app {

// Shows the main window and runs the program until its last window goes;
// the exit code.
int Run(HINSTANCE instance);

}  // namespace app
