#include "jobs/RescueRun.h"
#include "platform/framework/Dialog.h"
#include "platform/text/Cp932.h"

namespace {

void AppendTime(CString& text, const SYSTEMTIME& time) {
    text.AppendFormat("%02d/%02d %02d:%02d:%02d", time.wMonth, time.wDay, time.wHour, time.wMinute,
                      time.wSecond);
}

// Reads the range and keeps nothing; the report is shown only when all of it
// was read. Past a read error it may go on as a rescue that keeps no image and
// no map, and then reports what it could read.
class ReadTestRun : public RescueRun {
public:
    using RescueRun::RescueRun;

private:
    bool Prepare() override {
        GetLocalTime(&m_start);
        return true;
    }

    void Completed() override {
        SYSTEMTIME end{};
        GetLocalTime(&end);
        CString report;
        AppendTime(report, m_start);
        report += "  -  ";
        AppendTime(report, end);
        report += "   \r\n\r\n";
        report.AppendFormat("LBA  %I64d  -  %I64d  ", FirstLba(), LastLba());
        report += "\r\n";
        report.AppendFormat("%I64d bytes read  \r\n\r\n",
                            (LastLba() - FirstLba() + 1) * JobSectorSize());
        report += Jp("正常終了 ").c_str();
        AfxMessageBox(report, MB_OK | MB_ICONINFORMATION);
    }

    void TransferFailed() override {
        if (!AskToRescue())
            return;
        RescueMap map;
        RescueRest(map);
    }

    const char* ReadWord() const override { return "読み取り"; }

    SYSTEMTIME m_start{};
};

} // namespace

UINT DiskDevice::ReadTestWorker(LPVOID device) {
    return ReadTestRun(*static_cast<DiskDevice*>(device)).Run();
}
