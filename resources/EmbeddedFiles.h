#pragma once
// The resource script and the files it names, built into the program.
#include <span>
#include <string_view>

struct EmbeddedFile {
    std::string_view name; // the file's name in resources/
    std::string_view bytes;
};

std::span<const EmbeddedFile> EmbeddedFiles();
