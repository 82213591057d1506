#pragma once
// The language of the system's messages: that of the C library's own texts, which
// follow the locale the program has taken from LC_ALL, LC_MESSAGES or LANG.

namespace kernel {

// True when the C library's messages are Japanese, so that the system's own texts
// beside them are too.
bool JapaneseMessages();

} // namespace kernel
