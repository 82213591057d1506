#pragma once
// The launcher's command line.
#include <string>
#include <vector>

namespace launcher {

struct Options {
    std::vector<std::string> drives; // --drive FILE, made absolute, in the order given
    bool help = false;
    bool list = false;
    bool asRoot = false;
    bool startupCheck = false;
};

// False, with the reason in error, on anything the launcher does not know.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

} // namespace launcher
