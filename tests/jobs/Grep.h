#pragma once
// What grep says of a file: the tests' check of the searches against a program
// that no one here wrote.
#include "platform/kernel/Types.h"

#include <cstdio>
#include <string>
#include <vector>

inline std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char block[4096];
        std::size_t got;
        while ((got = std::fread(block, 1, sizeof block, pipe)) > 0)
            text.append(block, got);
        pclose(pipe);
    }
    return text;
}

// Byte offsets of every match grep finds for a Perl pattern of escaped bytes.
inline std::vector<LONGLONG> GrepOffsets(const std::string& file, const std::string& pattern) {
    std::string lines = Output("LC_ALL=C grep -obUaP '" + pattern + "' " + file + " | cut -d: -f1");
    std::vector<LONGLONG> offsets;
    for (std::size_t at = 0; at < lines.size();) {
        std::size_t end = lines.find('\n', at);
        offsets.push_back(std::stoll(lines.substr(at, end - at)));
        at = end == std::string::npos ? lines.size() : end + 1;
    }
    return offsets;
}
