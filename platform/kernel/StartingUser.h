#pragma once
// The user who started Kolm as root through pkexec (PKEXEC_UID) or sudo
// (SUDO_UID, SUDO_GID): the files Kolm creates are theirs, as they would expect
// of a program that asked for their password only to reach the disks.

namespace kernel {

// Gives a file this process has just created to that user, with the group sudo
// names or else the user's primary group; does nothing unless Kolm runs as root
// and a variable names a user. A file system without owners of its own (FAT,
// exFAT) refuses: its files belong to whom the mount says, and the file is kept
// as it is.
void GiveToStartingUser(int fd);

} // namespace kernel
