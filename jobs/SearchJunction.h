#pragma once
// A match may begin in one chunk and end in the next. The last sectors of each
// chunk searched, as many as cover a match's reach, are kept (the chunk's buffer
// goes back to the reads ahead) and searched again joined to the head of the next
// chunk. Only a match that begins in the kept sectors counts there: one that
// begins later is the next chunk's own, and one that lay whole in the kept
// sectors would have ended the search before.
#include "device/DiskDevice.h"

#include <cstddef>
#include <vector>

class SearchJunction {
public:
    SearchJunction() = default;
    // reach: the most bytes that one match covers.
    SearchJunction(DWORD sectorSize, std::size_t reach);

    // The sector where a match begins that runs from the kept sectors into the
    // chunk, counted from the chunk's first sector (so below 0); 0 when none.
    LONGLONG FindInto(DiskDevice& device, int type, const BYTE* chunk, DWORD length);
    // Keeps the chunk's last sectors for the next one. A chunk of part sectors
    // leaves the next one off its sector boundaries: nothing is kept.
    void Keep(const BYTE* chunk, DWORD length);

private:
    DWORD m_sectorSize = 0;
    std::size_t m_keep = 0;    // whole sectors' bytes
    std::vector<BYTE> m_bytes; // the kept sectors, then the head of the next chunk
    std::size_t m_kept = 0;
};
