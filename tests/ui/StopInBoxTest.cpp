// A job's own box is up and the user, from a menu left open, stops the job: the
// STOP runs inside the box the job waits for. The window must not hang, and once
// the box is answered the job ends where it would have ended anyway.
#include "tests/ui/MainWindowFixture.h"

#include "platform/framework/Menu.h"
#include "platform/text/Cp932.h"
#include "tests/kernel/TempFolder.h"

#include <functional>
#include <string>

namespace {

enum class Route { Menu, StopButton, CommandWithoutMenu };

struct Job {
    const char* name;
    std::function<void(SimulatedDisk&)> prepare;
    UINT command; // the menu command that starts it, or the button: search or restore
    CString box;  // the box the job shows; its caption is "Error" for a failure
    LONGLONG position;
};

class StopInBoxTest : public MainWindowTest {
protected:
    void StopBy(Route route) {
        switch (route) {
        case Route::Menu:
            backend.OpenMenu({0});
            EXPECT_TRUE(backend.ChooseCommand(ID_DRIVE_STOP));
            break;
        case Route::StopButton:
            backend.Click(IDC_SEARCH);
            break;
        case Route::CommandWithoutMenu:
            SendCommand(ID_DRIVE_STOP);
            break;
        }
    }

    void StartJob(const Job& job) {
        if (job.command == IDC_SEARCH) {
            StartLongSearch();
        } else if (job.command == IDC_RESTORE_IMAGE) {
            backend.fileAnswers.push_back(CString(image.c_str()));
            backend.Click(IDC_RESTORE_IMAGE);
        } else {
            backend.OpenMenu({0});
            ASSERT_TRUE(backend.ChooseCommand(job.command));
        }
    }

    TempFolder folder;
    const std::string image = folder / "card.img";
};

TEST_F(StopInBoxTest, AStopWhileTheJobsBoxIsUpEndsTheJobWhereItsBoxLeavesIt) {
    SimulatedDisk& disk = StartOnDisk(4 << 20);
    disk.SetDriveType(DRIVE_REMOVABLE);
    const LONGLONG lastSector = (4 << 20) - 512;
    CString mismatch = Jp("書き込んだ内容と一致しないセクタがあります。").c_str();
    mismatch += "\r\n\r\nLBA  2048\r\n1024 sectors";
    const Job jobs[] = {
        // The card dropped its third chunk: the check's box names it.
        {"restore the card did not keep",
         [this](SimulatedDisk& d) {
             WriteBytes(image, std::vector<char>(4 << 20, '\x11'));
             d.DropWrite(0x100000);
         },
         IDC_RESTORE_IMAGE, mismatch, 0x100000},
        {"scan with a full list",
         [](SimulatedDisk& d) {
             for (int sector = 0; sector < 3000; ++sector)
                 d.Fill(sector * 512ull + 3, std::string(1, '\x01'));
         },
         ID_DRIVE_SCAN, Jp("該当リストが多すぎます").c_str(), 2 * 512 * 1024},
        {"read test report", [](SimulatedDisk&) {}, ID_DRIVE_READ_TEST, "", lastSector},
        {"search with a bad sector", [](SimulatedDisk& d) { d.FailRead(0x100000); }, IDC_SEARCH,
         "Error", 0x100000},
    };
    // Each job adds to the disk what its box needs; the jobs after it do not mind.
    for (const Job& job : jobs) {
        job.prepare(disk);
        for (Route route : {Route::Menu, Route::StopButton, Route::CommandWithoutMenu}) {
            SCOPED_TRACE(std::string(job.name) + ", route " +
                         std::to_string(static_cast<int>(route)));
            Lock();
            JumpTo("0");
            backend.boxes.clear();
            int stops = 0;
            // Only the job's box: the window's own redraw of a bad sector has one too.
            backend.onBox = [&](const framework::HeadlessBackend::Box&) {
                if (!dialog->JobRuns())
                    return;
                ++stops;
                StopBy(route);
                // The box is still up: the window is busy and nothing else acts.
                EXPECT_TRUE(backend.TimerRunning(0));
                EXPECT_FALSE(backend.Enabled(IDC_LOCK));
            };
            StartJob(job);
            FinishJob();
            backend.onBox = nullptr;

            ASSERT_EQ(stops, 1);
            const auto& box = backend.boxes.front();
            if (job.box == "Error")
                EXPECT_EQ(box.caption, "Error");
            else if (!job.box.IsEmpty())
                EXPECT_EQ(box.text, job.box);
            else
                EXPECT_NE(box.text.Find("LBA"), -1) << "the read test's report";
            EXPECT_EQ(dialog->Device().GetPosition(), job.position);
            EXPECT_FALSE(backend.TimerRunning(0));
            EXPECT_FALSE(dialog->JobRuns());
            EXPECT_EQ(Text(IDC_SEARCH), "Search");
            EXPECT_EQ(Text(IDC_LOCK), "Unlock");
            // Idle and usable: the arrows move, the drive can be closed.
            backend.Click(IDC_PREV_SECTOR);
            EXPECT_EQ(dialog->Device().GetPosition(), job.position - 512);
            backend.Click(IDC_LOCK);
            EXPECT_EQ(Text(IDC_LOCK), "Lock");
        }
    }
}

// In the tick between a job's end and the window's return to idle, the image
// buttons still read "STOP": a click then stops nothing and asks for no file.
TEST_F(StopInBoxTest, AnImageButtonInTheTickAfterItsJobEndedOpensNoFileDialog) {
    SimulatedDisk& disk = StartOnDisk(4 << 20);
    disk.SetDriveType(DRIVE_REMOVABLE);
    Lock();
    backend.OpenMenu({0});
    ASSERT_TRUE(backend.ChooseCommand(ID_DRIVE_READ_TEST));
    ASSERT_TRUE(backend.RunUntil([this] { return !dialog->Device().IsWorkerRunning(); }));
    ASSERT_TRUE(dialog->JobRuns());
    for (UINT button : {IDC_CREATE_IMAGE, IDC_RESTORE_IMAGE})
        SendCommand(button); // BN_CLICKED is 0, as for a menu command
    EXPECT_TRUE(backend.fileDialogs.empty());
    backend.AdvanceTime(50);
    EXPECT_FALSE(dialog->JobRuns());
}

} // namespace
