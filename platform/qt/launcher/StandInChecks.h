#pragma once
// The launcher's checks on the files given as stand-in disks, made before any
// window opens so that a bad one is never a half-working drive.
#include <string>
#include <vector>

namespace launcher {

// Empty when every file is a regular file this user can read and none is given
// twice; else what is wrong with the first one that is not.
std::string CheckStandInFiles(const std::vector<std::string>& paths);

// Empty when each attached stand-in file got a drive letter, so the drive list
// shows it; else why not. Call after the files are attached.
std::string CheckStandInsHaveLetters(std::size_t given);

} // namespace launcher
