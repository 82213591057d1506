#include "platform/kernel/MessageLanguage.h"

#include <clocale>
#include <cstring>
#include <vector>

namespace kernel {

bool JapaneseMessages() {
    const char* locale = std::setlocale(LC_MESSAGES, nullptr);
    return locale != nullptr && std::strncmp(locale, "ja", 2) == 0;
}

std::string Say(const Message& message, std::initializer_list<std::string_view> arguments) {
    const std::vector<std::string_view> given(arguments);
    const std::string_view text = JapaneseMessages() ? message.japanese : message.english;
    std::string said;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const bool placeholder = text[at] == '%' && at + 1 < text.size() && text[at + 1] >= '1' &&
                                 static_cast<std::size_t>(text[at + 1] - '1') < given.size();
        if (placeholder)
            said += given[static_cast<std::size_t>(text[++at] - '1')];
        else
            said += text[at];
    }
    return said;
}

} // namespace kernel
