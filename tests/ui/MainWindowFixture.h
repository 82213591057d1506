#pragma once
// The main window opened on the headless backend over a simulated machine: a test
// adds disks, opens the window, then clicks, types and lets time pass.
#include "ui/MainDialog.h"

#include "platform/framework/HeadlessBackend.h"
#include "platform/framework/WindowBackend.h"
#include "resources/ProgramResources.h"
#include "resources/Resource.h"
#include "tests/support/SimulatedMachine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string reason;
        ASSERT_TRUE(LoadProgramResources(&reason)) << reason;
    }

    // Each test is a run of its own: its file dialogs open where a first one would.
    void SetUp() override { AfxGetApp()->m_strFileDialogFolder = ""; }

    void TearDown() override {
        // A test's box handler holds its body's locals, which are gone by now; a job
        // that ends while the window closes gets the backend's own answer.
        backend.onBox = nullptr;
        if (dialog != nullptr && backend.Window(0) != nullptr)
            backend.Close(*dialog);
        dialog.reset();
    }

    // Builds the window now, so its device lists the disks added so far.
    void Start() {
        dialog = std::make_unique<MainDialog>();
        backend.Open(*dialog);
    }

    // A disk that is also letter C: and the window opened on it.
    SimulatedDisk& StartOnDisk(ULONGLONG size, DWORD sectorSize = 512) {
        SimulatedDisk& disk = machine.AddDisk(size, sectorSize);
        machine.AddLetter('C', disk);
        Start();
        return disk;
    }

    // A removable disk of 1 TiB as C: and the window opened on it. Its zeros never
    // hold a search pattern, so a search on it runs until it is stopped.
    SimulatedDisk& StartOnLongDisk() {
        SimulatedDisk& disk = machine.AddDisk(1ull << 40);
        disk.SetDriveType(DRIVE_REMOVABLE);
        machine.AddLetter('C', disk);
        Start();
        return disk;
    }

    void StartLongSearch() {
        backend.Type(IDC_PATTERN, "never there");
        backend.Click(IDC_SEARCH);
    }

    // A menu command that reaches the window without its menu: a stale menu, a key.
    void SendCommand(UINT id) {
        framework::Deliver(backend.Window(0), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
    }

    // Once the first sector shows, the line under the panes has its index built: the
    // wait leaves the disk's reads and faults to what the test does next.
    void Lock(int entry = 0) {
        backend.Choose(IDC_DRIVE_LIST, entry);
        backend.Click(IDC_LOCK);
        dialog->Device().WaitForSectorOwners();
    }

    void JumpTo(const char* target) {
        backend.Type(IDC_JUMP_TARGET, target);
        backend.Click(IDC_JUMP);
    }

    // Waits for the worker to leave, then lets the timer notice it.
    void FinishJob() {
        backend.RunUntil([this] { return !dialog->Device().IsWorkerRunning(); });
        backend.AdvanceTime(50);
    }

    CString Text(int id) const { return backend.Text(id); }
    CString Title() const { return backend.Text(0); }
    std::vector<CString> Errors() const {
        std::vector<CString> errors;
        for (const auto& box : backend.boxes)
            if (box.caption == "Error")
                errors.push_back(box.text);
        return errors;
    }

    SimulatedMachine machine;
    framework::HeadlessBackend backend;
    std::unique_ptr<MainDialog> dialog;
};
