#pragma once
// Where the running program's file lies, for the files shipped beside it.
#include <string>

namespace framework {

// The folder holding the running program; empty when the system cannot say.
std::string ProgramFolder();

} // namespace framework
