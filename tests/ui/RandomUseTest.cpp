// A user who clicks, types and chooses at random, in every state of the window and
// while boxes are up: after each action the window is in one of its three states
// and at most one job has ever run at a time.
#include "tests/ui/MainWindowFixture.h"

#include <random>

namespace {

enum class State { NoDevice, OpenIdle, Busy, Invalid };

const UINT kCommands[] = {
    ID_DRIVE_LOCK,       ID_DRIVE_UNLOCK, ID_DRIVE_SCAN,
    ID_DRIVE_READ_TEST,  ID_DRIVE_STOP,   ID_VIEW_HEX,
    ID_VIEW_SECTOR_LIST, ID_SEARCH_ASCII, ID_SEARCH_SJIS,
    ID_SEARCH_UNICODE,   ID_SEARCH_HEX,   ID_SEARCH_HEX_HEADER,
    ID_HEADER_BMP,       ID_HEADER_JPG,   ID_HEADER_DOC_XLS,
    ID_HEADER_PDF,       ID_HEADER_MDB,   ID_SECTOR_RANGE_TO_FILE,
    ID_HELP_ABOUT,
};

const int kButtons[] = {IDC_LOCK,        IDC_SEARCH,       IDC_PREV_SECTOR,
                        IDC_NEXT_SECTOR, IDC_PREV_FAST,    IDC_NEXT_FAST,
                        IDC_JUMP,        IDC_CREATE_IMAGE, IDC_RESTORE_IMAGE};

const char* const kTexts[] = {"", "0", "7", "-3", "99999999999", "55AA", "x", "FFD8", "Kolm"};

class RandomUseTest : public MainWindowTest {
protected:
    State WindowState() {
        const DiskDevice& device = dialog->Device();
        const bool timer = backend.TimerRunning(0);
        if (timer)
            return device.IsLocked() && !backend.Enabled(IDC_LOCK) && !backend.Enabled(IDC_JUMP)
                       ? State::Busy
                       : State::Invalid;
        if (device.IsWorkerRunning())
            return State::Invalid;
        if (!device.IsLocked())
            return Text(IDC_LOCK) == "Lock" && backend.Enabled(IDC_DRIVE_LIST) &&
                           !backend.Enabled(IDC_SEARCH)
                       ? State::NoDevice
                       : State::Invalid;
        return Text(IDC_LOCK) == "Unlock" && backend.Enabled(IDC_SEARCH) &&
                       Text(IDC_SEARCH) == "Search"
                   ? State::OpenIdle
                   : State::Invalid;
    }

    void Act(std::mt19937& random) {
        auto pick = [&](std::size_t count) {
            return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
        };
        switch (pick(8)) {
        case 0:
            backend.Choose(IDC_DRIVE_LIST, static_cast<int>(pick(2)));
            backend.Click(IDC_LOCK);
            break;
        case 1:
            backend.Click(kButtons[pick(std::size(kButtons))]);
            break;
        case 2:
            backend.Type(pick(2) == 0 ? IDC_PATTERN : IDC_JUMP_TARGET,
                         kTexts[pick(std::size(kTexts))]);
            break;
        case 3: {
            // Through the menu, or as a command that arrives without it.
            const UINT id = kCommands[pick(std::size(kCommands))];
            if (pick(2) == 0) {
                backend.OpenMenu({static_cast<int>(pick(3))});
                backend.ChooseCommand(id);
            } else {
                SendCommand(id);
            }
            break;
        }
        case 4: {
            const auto lines = backend.Items(IDC_SECTOR_LIST).size();
            if (lines > 0)
                backend.DoubleClick(IDC_SECTOR_LIST, static_cast<int>(pick(lines)));
            backend.Choose(IDC_SEARCH_TYPE, static_cast<int>(pick(5)));
            break;
        }
        case 5:
            backend.PressKey(pick(2) == 0 ? VK_LEFT : VK_RIGHT);
            break;
        case 6:
            backend.ChooseSystemCommand(IDM_ABOUTBOX);
            break;
        default:
            backend.AdvanceTime(50);
            break;
        }
    }
};

TEST_F(RandomUseTest, EveryActionLeavesTheWindowInOneOfItsStatesWithOneJobAtMost) {
    for (int number = 0; number < 2; ++number) {
        SimulatedDisk& disk = machine.AddDisk(2 << 20);
        disk.SetDriveType(DRIVE_REMOVABLE);
        machine.AddLetter(static_cast<char>('C' + number), disk);
        for (ULONGLONG offset = 0; offset < (2u << 20); offset += 5 * 512)
            disk.Fill(offset, "55AA Kolm\xFF\xD8");
    }
    Start();
    std::mt19937 random(20261207);
    // The user goes on while a box is up (a job's report, its error, a notice): the
    // actions then run inside the box, one box deep.
    bool insideBox = false;
    backend.onBox = [&](const framework::HeadlessBackend::Box&) {
        if (insideBox)
            return;
        insideBox = true;
        for (int n = std::uniform_int_distribution<int>(0, 2)(random); n > 0; --n)
            Act(random);
        insideBox = false;
    };
    DWORD worker = 0;
    for (int step = 0; step < 3000; ++step) {
        Act(random);
        const State state = WindowState();
        ASSERT_NE(state, State::Invalid)
            << "after step " << step << ": timer " << backend.TimerRunning(0) << ", worker "
            << dialog->Device().IsWorkerRunning() << ", open " << dialog->Device().IsLocked()
            << ", " << Text(IDC_LOCK).str() << ", " << Text(IDC_SEARCH).str() << ", search "
            << backend.Enabled(IDC_SEARCH);
        const DWORD now = dialog->Device().GetWorkerThreadId();
        // A job that starts replaces nothing: the window was idle before it.
        if (now != 0 && worker != 0) {
            ASSERT_EQ(now, worker) << "a second job started over the first at step " << step;
        }
        if (state != State::Busy)
            worker = 0;
        else if (now != 0)
            worker = now;
    }
    backend.Close(*dialog); // with or without a job running
    EXPECT_EQ(backend.Window(0), nullptr);
}

} // namespace
