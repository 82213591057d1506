#include "platform/kernel/DeviceNames.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <compare>

namespace kernel {
namespace {

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}
bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}

std::size_t RunLength(std::string_view text, std::size_t from, bool digits) {
    std::size_t end = from;
    while (end < text.size() && (digits ? IsDigit(text[end]) : IsLower(text[end])))
        ++end;
    return end - from;
}

// shape: 'a' one or more lower-case letters, '9' one or more digits, any other
// character itself.
bool MatchesShape(std::string_view text, std::string_view shape) {
    std::size_t at = 0;
    for (char want : shape) {
        if (want == 'a' || want == '9') {
            std::size_t run = RunLength(text, at, want == '9');
            if (run == 0)
                return false;
            at += run;
        } else if (at < text.size() && text[at] == want) {
            ++at;
        } else {
            return false;
        }
    }
    return at == text.size();
}

struct Family {
    std::string_view prefix;
    std::string_view shape;
    DeviceKind kind;
};

constexpr std::array kFamilies{
    Family{"sd", "a", DeviceKind::Disk},     Family{"vd", "a", DeviceKind::Disk},
    Family{"xvd", "a", DeviceKind::Disk},    Family{"hd", "a", DeviceKind::Disk},
    Family{"nvme", "9n9", DeviceKind::Disk}, Family{"mmcblk", "9", DeviceKind::Disk},
    Family{"loop", "9", DeviceKind::Loop},   Family{"fd", "9", DeviceKind::Floppy},
    Family{"sr", "9", DeviceKind::Optical},
};

// Compares two runs of the same sort; digit runs by value, ignoring leading zeros.
std::strong_ordering CompareRuns(std::string_view left, std::string_view right, bool digits) {
    if (digits) {
        while (left.size() > 1 && left.front() == '0')
            left.remove_prefix(1);
        while (right.size() > 1 && right.front() == '0')
            right.remove_prefix(1);
    }
    if (left.size() != right.size())
        return left.size() <=> right.size();
    return left.compare(right) <=> 0;
}

const Family* FamilyOf(std::string_view name) {
    for (const Family& family : kFamilies) {
        if (name.substr(0, family.prefix.size()) == family.prefix &&
            MatchesShape(name.substr(family.prefix.size()), family.shape))
            return &family;
    }
    return nullptr;
}

// The family's prefix, or the leading letters of a name of no known family.
std::size_t PrefixLength(std::string_view name) {
    const Family* family = FamilyOf(name);
    return family != nullptr ? family->prefix.size() : RunLength(name, 0, false);
}

} // namespace

DeviceKind KindOfName(std::string_view name) {
    const Family* family = FamilyOf(name);
    return family != nullptr ? family->kind : DeviceKind::Other;
}

bool NaturalLess(std::string_view left, std::string_view right) {
    // The leading letters name the family and sort as words (loop < sd < vd).
    std::size_t leftPrefix = PrefixLength(left), rightPrefix = PrefixLength(right);
    if (auto order = left.substr(0, leftPrefix) <=> right.substr(0, rightPrefix); order != 0)
        return order < 0;
    std::size_t i = leftPrefix, j = rightPrefix;
    while (i < left.size() && j < right.size()) {
        bool digits = IsDigit(left[i]);
        if (digits != IsDigit(right[j]))
            return digits;
        std::size_t leftRun = std::max<std::size_t>(RunLength(left, i, digits), 1);
        std::size_t rightRun = std::max<std::size_t>(RunLength(right, j, digits), 1);
        auto order = CompareRuns(left.substr(i, leftRun), right.substr(j, rightRun), digits);
        if (order != 0)
            return order < 0;
        i += leftRun;
        j += rightRun;
    }
    return left.size() - i < right.size() - j;
}

} // namespace kernel
