#pragma once
// Disk access on a machine without udisks2: the program starts itself again
// through pkexec, which asks for the password in the system's own dialog.
#include "platform/qt/launcher/Options.h"

namespace launcher {

// Runs this program as root through pkexec with the same stand-in files, waits,
// and returns its exit status; when pkexec cannot run it or is refused, says why
// (on standard error and, with a display, in a message box) and returns non-zero.
int RunAsRoot(const Options& options);

} // namespace launcher
