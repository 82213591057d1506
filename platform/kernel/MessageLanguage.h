#pragma once
// The language of the system's messages: that of the C library's own texts, which
// follow the locale the program has taken from LC_ALL, LC_MESSAGES or LANG. What
// the program says beside them in a terminal is a pair of texts that Say picks from,
// so a sentence and the system's error text inside it agree.
#include <initializer_list>
#include <string>
#include <string_view>

namespace kernel {

// True when the C library's messages are Japanese, so that the system's own texts
// beside them are too.
bool JapaneseMessages();

struct Message {
    const char* english;
    const char* japanese; // UTF-8, as the terminal and Qt take it
};

// The message in the desktop's language, each %n replaced by the n-th argument.
std::string Say(const Message& message, std::initializer_list<std::string_view> arguments = {});

} // namespace kernel
