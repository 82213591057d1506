#include "jobs/JobRun.h"
#include "platform/framework/Dialog.h"
#include "platform/text/Cp932.h"

namespace {

void AppendTime(CString& text, const SYSTEMTIME& time) {
    text.AppendFormat("%02d/%02d %02d:%02d:%02d", time.wMonth, time.wDay, time.wHour, time.wMinute,
                      time.wSecond);
}

// Reads the range and keeps nothing; the report is shown only when all of it
// was read.
class ReadTestRun : public JobRun {
public:
    using JobRun::JobRun;

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

    SYSTEMTIME m_start{};
};

} // namespace

UINT DiskDevice::ReadTestWorker(LPVOID device) {
    return ReadTestRun(*static_cast<DiskDevice*>(device)).Run();
}
