#pragma once
// Disk access as the user: udisks2 opens the devices the user may not open, after
// polkit has asked for the password through the desktop's agent.
namespace launcher {

// Installs the broker; where udisks2 does not answer, says once on standard error
// why the machine's disks will not open and how to open them all the same.
void UseUdisks();

} // namespace launcher
