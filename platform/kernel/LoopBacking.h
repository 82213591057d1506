#pragma once
// Whether a loop device of the machine is attached over a file: the file then
// backs a disk that may be mounted, so nothing may write it underneath.
#include <string>
#include <sys/stat.h>

namespace kernel {

// Reads <root>/sys/block/loop*/loop/backing_file and compares each file it names
// (below root) with this one by device and inode, so any name of the file counts.
bool BacksLoopDevice(const std::string& root, const struct stat& file);

} // namespace kernel
