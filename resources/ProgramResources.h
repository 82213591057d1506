#pragma once
// Loads the program's resource script into framework::Resources().
#include <string>

// Finds kolm.rc beside the program, or in the folder above it where the test
// programs run from a subfolder of the build. False, with the reason in *reason
// when given, if there is none or it does not load.
bool LoadProgramResources(std::string* reason = nullptr);
