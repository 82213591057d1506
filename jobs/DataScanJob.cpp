#include "jobs/JobRun.h"
#include "platform/framework/Dialog.h"
#include "platform/framework/Wnd.h"
#include "platform/text/Cp932.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kListLimit = 2560; // the scan ends at the line after this many
constexpr DWORD kLineBytes = 16; // bytes of a sector shown in its line
constexpr char kHexDigits[] = "0123456789ABCDEF";

// The list box is asked through its object, never its handle: the handle is the
// window's, read on the user-interface thread.
LRESULT SendToList(CListBox* list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return list == nullptr ? 0 : list->SendMessage(message, wParam, lParam);
}

// A sector holds data unless all its bytes equal its first one: comparing the
// sector with itself one byte further on answers that in one pass.
bool IsUniform(const BYTE* sector, DWORD length) {
    return length <= 1 || std::memcmp(sector, sector + 1, length - 1) == 0;
}

// " %010I64X \r\n", sixteen " %02X" and " ...": the offset comes first so that the
// sorted list reads in offset order and a line can be read back to its sector.
CString DataSectorLine(LONGLONG offset, const BYTE* sector, DWORD length) {
    CString line;
    line.Format(" %010I64X \r\n", offset);
    for (DWORD i = 0; i < std::min(length, kLineBytes); ++i) {
        const char hex[] = {' ', kHexDigits[sector[i] >> 4], kHexDigits[sector[i] & 0xF], '\0'};
        line += hex;
    }
    line += " ...";
    return line;
}

// Lists every sector of the range that holds data in the list box the window
// handed over, up to the list's limit. The next chunks are read while it compares
// the current one.
class DataScanRun : public JobRun {
public:
    using JobRun::JobRun;

private:
    bool Prepare() override {
        Device().ClearSectorList();
        return true;
    }
    bool ReadsAhead() const override { return true; }

    bool Work(DWORD done) override {
        return Device().AddDataSectorLines(Buffer(), done, Position(), JobSectorSize()) != 0;
    }
};

} // namespace

UINT DiskDevice::DataScanWorker(LPVOID device) {
    return DataScanRun(*static_cast<DiskDevice*>(device)).Run();
}

// A sector that ends past length (the last of a short read) is judged by the
// bytes that were read.
int DiskDevice::AddDataSectorLines(const BYTE* buffer, DWORD length, LONGLONG chunkOffset,
                                   DWORD sectorSize) {
    if (sectorSize == 0)
        return 1;
    for (DWORD k = 0; k < length; k += sectorSize) {
        const BYTE* sector = buffer + k;
        const DWORD bytes = std::min(sectorSize, length - k);
        if (IsUniform(sector, bytes))
            continue;
        if (!AddSectorLine(sector, bytes, chunkOffset + k))
            return 0;
    }
    return 1;
}

int DiskDevice::AddScanListLine(const CString& line) {
    SendToList(m_pScanList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.GetString()));
    if (SendToList(m_pScanList, LB_GETCOUNT) <= kListLimit)
        return 1;
    AfxMessageBox(Jp("該当リストが多すぎます").c_str(), MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

int DiskDevice::AddSectorLine(const BYTE* sector, DWORD length, LONGLONG offset) {
    return AddScanListLine(DataSectorLine(offset, sector, length));
}

void DiskDevice::ClearSectorList() {
    SendToList(m_pScanList, LB_RESETCONTENT);
}
