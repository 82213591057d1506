#pragma once
// Where the running program's file lies, for the files shipped beside it.
#include <string>

namespace framework {

// The folder holding the running program; empty when the system cannot say.
std::string ProgramFolder();

// The path of the regular file of that name beside the program, or else in the
// folder above it, where the test programs run from a subfolder of the build;
// empty when neither holds one.
std::string FindBesideProgram(const std::string& name);

} // namespace framework
