#include "jobs/SparseImage.h"

#include <algorithm>
#include <cstring>

namespace {

// The block of the common Linux file systems (ext4, XFS, Btrfs): the smallest
// hole they make.
constexpr DWORD kBlock = 4096;

bool IsZero(const BYTE* bytes, DWORD count) {
    return bytes[0] == 0 && std::memcmp(bytes, bytes + 1, count - 1) == 0;
}

} // namespace

BOOL SparseImage::Write(const BYTE* bytes, DWORD count) {
    DWORD at = 0;
    while (at < count) {
        const auto block = [&](DWORD from) { return std::min(kBlock, count - from); };
        DWORD from = at;
        while (from < count && IsZero(bytes + from, block(from)))
            from += block(from);
        DWORD to = from;
        while (to < count && !IsZero(bytes + to, block(to)))
            to += block(to);
        if (to > from && !WriteAt(m_end + from, bytes + from, to - from))
            return FALSE;
        at = to;
    }
    m_end += count;
    return TRUE;
}

BOOL SparseImage::Place(LONGLONG offset, const BYTE* bytes, DWORD count) {
    m_end = offset;
    return Write(bytes, count);
}

BOOL SparseImage::Reach(LONGLONG length) {
    static constexpr BYTE zero = 0;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(m_file.m_hFile, &size))
        return FALSE;
    return size.QuadPart < length ? WriteAt(length - 1, &zero, 1) : TRUE;
}

BOOL SparseImage::Finish() {
    return Reach(m_end);
}

BOOL SparseImage::WriteAt(LONGLONG offset, const BYTE* bytes, DWORD count) {
    if (offset != m_pointer && !m_file.Seek(offset, CFile::begin))
        return FALSE;
    m_pointer = offset;
    if (!m_file.Write(bytes, count))
        return FALSE;
    m_pointer += count;
    return TRUE;
}
