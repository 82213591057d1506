#pragma once
// The first place where two given bytes stand side by side: the first step of a
// search for a short byte string, sixteen positions at a time.
#include <cstddef>

namespace text {

// The first p in [begin, end - 1) with p[0] == first and p[1] == second, or
// nullptr when there is none.
const unsigned char* FindBytePair(const unsigned char* begin, const unsigned char* end,
                                  unsigned char first, unsigned char second);

} // namespace text
