#pragma once
// The folder a path names its file in: "." for a bare name, "/" for a file at the root.
#include <string>

namespace kernel {

std::string FolderOf(const std::string& path);

} // namespace kernel
