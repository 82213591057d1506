#pragma once
// kolm --list: the entries of the drive list, taken from the drive list the
// window shows, each followed by what it stands for on this machine.
#include <string>

namespace launcher {

std::string DescribeDriveList();

} // namespace launcher
