#include "device/TextSearch.h"
#include "jobs/JobRun.h"
#include "jobs/SearchJunction.h"
#include "platform/framework/Dialog.h"

namespace {

// Stops at the first match, on the sector that holds its first byte, which may be
// a sector of the chunk before; without a match the position ends on the last
// sector of the range, and the window is told that nothing was found.
class SearchRun : public JobRun {
public:
    using JobRun::JobRun;

private:
    bool Prepare() override {
        // A match covers at most two bytes for each character of the pattern: a
        // Unicode unit for one character, a byte for two hex digits.
        m_junction =
            SearchJunction(SectorSize(), 2 * static_cast<std::size_t>(JobText().GetLength()));
        return FirstLba() <= LastLba();
    }
    bool ZeroesBuffer() const override { return true; }
    bool ReadsAhead() const override { return true; }

    bool Work(DWORD done) override {
        LONGLONG sector = m_junction.FindInto(Device(), SearchType(), Buffer(), done);
        if (sector == 0) {
            const int within = Device().FindInSectors(SearchType(), Buffer(), done);
            if (within == -1) {
                m_junction.Keep(Buffer(), done);
                return true;
            }
            sector = within;
        }
        SetPosition(Position() + sector * SectorSize());
        Seek();
        return false;
    }

    void Completed() override { ReportSearchMissed(); }

    // The search moves on by what it read, even when that was not whole sectors.
    LONGLONG Advance(DWORD done) override {
        if (done % SectorSize() != 0)
            AfxMessageBox("Read bytes err", MB_OK | MB_ICONEXCLAMATION);
        return done;
    }

    SearchJunction m_junction;
};

} // namespace

UINT DiskDevice::SearchWorker(LPVOID device) {
    return SearchRun(*static_cast<DiskDevice*>(device)).Run();
}

// The text types compare the pattern with the characters that the text pane's
// renderings make of the bytes, over the whole sectors of the buffer, without
// rendering them; the hex types compare the raw bytes.
int DiskDevice::FindInSectors(int type, const BYTE* buffer, DWORD length) {
    const DWORD ss = GetBytesPerSector();
    if (type == SEARCH_HEX || type == SEARCH_HEX_HEADER) {
        const int offset = FindHexPattern(type, buffer, length);
        return offset == -1 ? -1 : static_cast<int>(static_cast<DWORD>(offset) / ss);
    }
    if (ss == 0)
        return -1;
    const std::size_t whole = length / ss * ss;
    const std::size_t at = FindRenderedText(type, m_strJobText.str(), buffer, whole, ss);
    return at == whole ? -1 : static_cast<int>(at / ss);
}
