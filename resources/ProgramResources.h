#pragma once
// Loads the program's resource script into framework::Resources().
#include <string>

// Reads kolm.rc and the files it names from the copies built into the program,
// so that the program finds them wherever it is installed. False, with the
// reason in *reason when given, if the script does not load.
bool LoadProgramResources(std::string* reason = nullptr);
