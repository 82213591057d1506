#include "platform/kernel/MessageLanguage.h"

#include <clocale>
#include <cstring>

namespace kernel {

bool JapaneseMessages() {
    const char* locale = std::setlocale(LC_MESSAGES, nullptr);
    return locale != nullptr && std::strncmp(locale, "ja", 2) == 0;
}

} // namespace kernel
