#pragma once
// What the launcher needs to know and say about the display before Qt starts.
#include <string>

namespace launcher {

// Empty when a window can be opened; else why not, for a user.
std::string DisplayProblem();

// Qt ends the program on a display it cannot open; this says so plainly (which
// display cannot be reached, when that is why) and ends it with status 1
// instead of a crash.
void InstallFatalMessageHandler();

// Says why Kolm cannot start: on standard error, and in a message box when
// there is a display to show one on.
void ReportStartError(const std::string& message);

} // namespace launcher
