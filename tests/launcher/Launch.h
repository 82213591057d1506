#pragma once
// Runs a shell command line (the kolm program, dpkg, validators) and keeps what it
// printed and its exit status.
#include "tests/kernel/TempFolder.h"

#include <cstdlib>
#include <string>
#include <sys/wait.h>

struct Launch {
    int status = -1;
    std::string out;
    std::string err;
};

inline Launch RunShell(const std::string& command) {
    TempFolder folder;
    const std::string out = folder / "out", err = folder / "err";
    const int raw = std::system((command + " >'" + out + "' 2>'" + err + "' </dev/null").c_str());
    Launch launch;
    launch.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    const auto text = [](const std::string& path) {
        const std::vector<char> bytes = ReadBytes(path);
        return std::string(bytes.begin(), bytes.end());
    };
    launch.out = text(out);
    launch.err = text(err);
    return launch;
}

// A word for the shell, quoted.
inline std::string Quoted(const std::string& word) {
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

inline std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}
