#include "platform/kernel/DevicePath.h"
#include "platform/text/Cp932.h"

#include <algorithm>
#include <cctype>

namespace kernel {
namespace {

constexpr std::string_view kDevicePrefix = "\\\\.\\";
constexpr std::string_view kPhysicalDrive = "PHYSICALDRIVE";
// More digits than this cannot name a drive and would overflow the number.
constexpr std::size_t kMaxDriveDigits = 9;

bool EqualsIgnoringCase(std::string_view text, std::string_view word) {
    return text.size() == word.size() &&
           std::equal(text.begin(), text.end(), word.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) == b;
           });
}

DeviceName LetterName(std::string_view text) {
    if (text.size() != 2 || text[1] != ':' || !std::isalpha(static_cast<unsigned char>(text[0])))
        return {};
    return {DeviceName::Kind::Letter, 0, std::toupper(static_cast<unsigned char>(text[0])) - 'A'};
}

DeviceName DriveName(std::string_view text) {
    if (text.size() <= kPhysicalDrive.size() ||
        !EqualsIgnoringCase(text.substr(0, kPhysicalDrive.size()), kPhysicalDrive))
        return {};
    std::string_view digits = text.substr(kPhysicalDrive.size());
    if (digits.size() > kMaxDriveDigits || !std::all_of(digits.begin(), digits.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        }))
        return {};
    DWORD number = 0;
    for (char digit : digits)
        number = number * 10 + static_cast<DWORD>(digit - '0');
    return {DeviceName::Kind::Drive, number, 0};
}

} // namespace

DeviceName ParseDevicePath(std::string_view path) {
    if (path.substr(0, kDevicePrefix.size()) != kDevicePrefix)
        return {};
    std::string_view rest = path.substr(kDevicePrefix.size());
    DeviceName letter = LetterName(rest);
    return letter.kind != DeviceName::Kind::None ? letter : DriveName(rest);
}

DeviceName ParseDriveRoot(std::string_view root) {
    if (!root.empty() && text::FindLastChar(root, "\\") == root.size() - 1)
        root.remove_suffix(1);
    DeviceName letter = LetterName(root);
    return letter.kind != DeviceName::Kind::None ? letter : ParseDevicePath(root);
}

DeviceName ParseLetterPrefix(std::string_view path) {
    if (path.size() > 2 && path[2] != '\\')
        return {};
    return LetterName(path.substr(0, 2));
}

} // namespace kernel
