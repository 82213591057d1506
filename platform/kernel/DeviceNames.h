#pragma once
// The kinds of block device the namespace knows by their kernel names, and the
// order their names sort in.
#include <string_view>

namespace kernel {

enum class DeviceKind { Other, Disk, Loop, Floppy, Optical };

DeviceKind KindOfName(std::string_view name);

// Natural order: digit runs by value, letter runs shorter first (sdz < sdaa),
// so sda < sdb < sdaa and loop2 < loop10.
bool NaturalLess(std::string_view left, std::string_view right);

} // namespace kernel
