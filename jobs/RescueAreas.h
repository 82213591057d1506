#pragma once
// What a rescue knows of each byte of its range, as GNU ddrescue's map keeps it:
// areas of one status each, in order, covering the range without gaps. Neighbours
// of one status are one area, so the list stays as short as the damage.
#include "platform/kernel/Types.h"

#include <map>
#include <optional>
#include <vector>

// The statuses of ddrescue's map.
inline constexpr char kNotTried = '?';
inline constexpr char kNotTrimmed = '*';
inline constexpr char kNotScraped = '/';
inline constexpr char kBadSector = '-';
inline constexpr char kFinished = '+';

struct RescueArea {
    LONGLONG pos;
    LONGLONG size;
    char status;
    LONGLONG End() const { return pos + size; }
};

class RescueAreas {
public:
    RescueAreas() = default;
    // [begin, end), all of one status.
    RescueAreas(LONGLONG begin, LONGLONG end, char status = kNotTried);

    // Areas in order, each starting where the last ended; false when they do not.
    bool Append(const RescueArea& area);
    void Mark(LONGLONG pos, LONGLONG size, char status);
    // The first area of the status that ends after from, cut to start at from.
    std::optional<RescueArea> Next(LONGLONG from, char status) const;
    std::vector<RescueArea> All() const;
    LONGLONG Bytes(char status) const;
    int Count(char status) const;
    LONGLONG Begin() const;
    LONGLONG End() const;

private:
    struct Span {
        LONGLONG size;
        char status;
    };
    // Makes an area start at pos, splitting the one that holds it.
    void Split(LONGLONG pos);
    void Merge(std::map<LONGLONG, Span>::iterator at);

    std::map<LONGLONG, Span> m_areas; // by first byte
};
