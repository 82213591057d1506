#pragma once
// Bytes that every match of a pattern holds as they are, at a fixed distance from
// the match's start: a text search looks for them first and compares the whole
// pattern only where they stand, as most of a disk's bytes could begin no match.
#include "platform/kernel/Types.h"

#include <cstddef>

struct TextAnchor {
    BYTE bytes[2] = {0, 0};
    std::size_t size = 0;   // 1 or 2 bytes; 0: any position may begin a match
    std::size_t offset = 0; // from the match's start
};

// The first position at or after from, a multiple of step, with the anchor's bytes
// at its offset from there; length when there is none.
std::size_t NextAnchored(const TextAnchor& anchor, const BYTE* bytes, std::size_t length,
                         std::size_t from, std::size_t step);
