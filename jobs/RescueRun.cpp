#include "jobs/RescueRun.h"
#include "jobs/Rescue.h"
#include "platform/framework/Dialog.h"
#include "platform/framework/Wnd.h"
#include "platform/text/Cp932.h"

#include <algorithm>

bool RescueRun::AskToRescue() {
    return AfxMessageBox(Jp("読み取れないセクタを飛ばして続けますか？").c_str(),
                         MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// The chunk that failed is left for the trimming, so that its bad sector is not
// read again in the copy pass.
void RescueRun::RescueRest(RescueMap& map) {
    const LONGLONG begin = FirstLba() * SectorSize(), end = (LastLba() + 1) * SectorSize();
    map.areas = RescueAreas(begin, end);
    map.areas.Mark(begin, Position() - begin, kFinished);
    map.areas.Mark(Position(), std::min<LONGLONG>(ChunkLength(), end - Position()), kNotTrimmed);
    Rescue(map);
}

void RescueRun::Rescue(RescueMap& map) {
    Seek(); // the chunks read ahead are no longer wanted
    const RescueHooks hooks{
        [this] { return StopRequested(); },
        [this](LONGLONG position) {
            SetPosition(position);
            Device().RateUpdate();
        },
        [this](LONGLONG offset, const BYTE* bytes, DWORD count) {
            return Keep(offset, bytes, count);
        },
        [this](const RescueMap& now) { Save(now); },
    };
    const bool finished = RunRescue(DeviceHandle(), SectorSize(), map, hooks);
    Save(map);
    SetPosition(LastLba() * SectorSize());
    ListBadAreas(map.areas);
    if (finished)
        Report(map.areas);
}

// Each bad area by its first byte, in the scan's line format, so that a click
// goes there; the line says how many sectors it holds.
void RescueRun::ListBadAreas(const RescueAreas& areas) {
    Device().ClearSectorList();
    for (const RescueArea& area : areas.All()) {
        if (area.status != kBadSector)
            continue;
        CString line;
        line.Format(" %010I64X \r\n %I64d ", area.pos, area.size / SectorSize());
        line += Jp("セクタ読み取り不可").c_str();
        if (!Device().AddScanListLine(line))
            return;
    }
}

// In the manner of the read test's report.
void RescueRun::Report(const RescueAreas& areas) {
    CString report;
    report.AppendFormat("LBA  %I64d  -  %I64d  \r\n", FirstLba(), LastLba());
    report.AppendFormat("%I64d bytes ", areas.Bytes(kFinished));
    report += Jp(ReadWord()).c_str();
    report.AppendFormat("  \r\n%I64d bytes ", areas.Bytes(kBadSector));
    report += Jp("読み取り不可").c_str();
    report += "  \r\n";
    report += Jp("不良領域").c_str();
    report.AppendFormat("  %d  \r\n\r\n", areas.Count(kBadSector));
    report += Jp("終了 ").c_str();
    AfxMessageBox(report, MB_OK | MB_ICONINFORMATION);
}
