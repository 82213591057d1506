#include "device/ByteTextFilter.h"
#include "device/RenderedUnits.h"
#include "jobs/JobRun.h"
#include "platform/framework/Dialog.h"

#include <cstring>
#include <vector>

namespace {

using Rendering = int (DiskDevice::*)(const BYTE*, char*, DWORD, CString&, const CString&);

Rendering RenderingOf(int type) {
    switch (type) {
    case TEXT_ASCII:
        return &DiskDevice::RenderAsciiText;
    case TEXT_SJIS:
        return &DiskDevice::RenderSjisText;
    case TEXT_UNICODE:
        return &DiskDevice::RenderUnicodeText;
    default:
        return nullptr;
    }
}

// The first sector of the buffer whose rendering holds the pattern; a sector whose
// bytes rule the pattern out is passed over without rendering it.
template <typename Filter>
int FirstRenderedMatch(DiskDevice& device, const Filter& filter, Rendering render,
                       const BYTE* buffer, DWORD length, const CString& pattern) {
    const DWORD ss = device.GetBytesPerSector();
    std::vector<BYTE> sector(ss);
    std::vector<char> scratch(2 * std::size_t{ss});
    CString text;
    const DWORD sectors = length / ss;
    for (DWORD i = 0; i < sectors; ++i) {
        const BYTE* at = buffer + std::size_t{i} * ss;
        if (!filter.MayHold(at, ss))
            continue;
        std::memset(scratch.data(), 0, scratch.size());
        std::memcpy(sector.data(), at, ss);
        if ((device.*render)(sector.data(), scratch.data(), ss, text, pattern) != -1)
            return static_cast<int>(i);
    }
    return -1;
}

// Stops at the first chunk that holds a match, on the matching sector; without a
// match the position ends on the last sector of the range.
class SearchRun : public JobRun {
public:
    using JobRun::JobRun;

private:
    bool Prepare() override { return FirstLba() <= LastLba(); }
    bool ZeroesBuffer() const override { return true; }
    bool ReadsAhead() const override { return true; }

    bool Work(DWORD done) override {
        const int sector = Device().FindInSectors(SearchType(), Buffer(), done);
        if (sector == -1)
            return true;
        SetPosition(Position() + LONGLONG{sector} * SectorSize());
        Seek();
        return false;
    }

    // The search moves on by what it read, even when that was not whole sectors.
    LONGLONG Advance(DWORD done) override {
        if (done % SectorSize() != 0)
            AfxMessageBox("Read bytes err", MB_OK | MB_ICONEXCLAMATION);
        return done;
    }
};

} // namespace

UINT DiskDevice::SearchWorker(LPVOID device) {
    return SearchRun(*static_cast<DiskDevice*>(device)).Run();
}

// Each whole sector is rendered by itself, as the text pane shows it, and the
// pattern looked for in that text, unless its bytes rule the pattern out:
// rendering is most of a text search's time. The hex types compare the raw bytes.
int DiskDevice::FindInSectors(int type, const BYTE* buffer, DWORD length) {
    const DWORD ss = GetBytesPerSector();
    if (type == SEARCH_HEX || type == SEARCH_HEX_HEADER) {
        const int offset = FindHexPattern(type, buffer, length);
        return offset == -1 ? -1 : static_cast<int>(static_cast<DWORD>(offset) / ss);
    }
    const Rendering render = RenderingOf(type);
    if (render == nullptr || ss == 0)
        return -1;
    if (type == TEXT_UNICODE)
        return FirstRenderedMatch(*this, RenderedTextFilter(m_strJobText.str()), render, buffer,
                                  length, m_strJobText);
    return FirstRenderedMatch(*this, ByteTextFilter(type, m_strJobText.str()), render, buffer,
                              length, m_strJobText);
}
