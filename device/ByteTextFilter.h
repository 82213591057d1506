#pragma once
// Rules out the sectors whose ASCII or SJIS rendering cannot hold a pattern, from
// their bytes alone. Both renderings give one character per byte, and most
// characters come from one byte only (in ASCII every printable one but ".", in
// SJIS every one but the space, which zeros become too): two such characters side
// by side in the pattern stand side by side in the bytes of every sector that
// holds it, in ASCII too, as its line breaks only ever stand between lines.
#include "platform/kernel/Types.h"

#include <string_view>

class ByteTextFilter {
public:
    // kind: TEXT_ASCII or TEXT_SJIS.
    ByteTextFilter(int kind, std::string_view pattern);
    bool MayHold(const BYTE* bytes, DWORD length) const;

private:
    enum class Rule { Every, None, Byte, Pair };
    Rule m_rule = Rule::Every;
    BYTE m_first = 0;
    BYTE m_second = 0;
};
