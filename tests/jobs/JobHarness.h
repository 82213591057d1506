#pragma once
// What the job tests share: a simulated machine whose disks can hold a read back
// until the job has been told to stop, the headless backend (the test thread is
// the user-interface thread and serves the jobs' message boxes), a manual clock
// and the device.
#include "device/DiskDevice.h"
#include "platform/framework/HeadlessBackend.h"
#include "platform/framework/Messages.h"
#include "platform/framework/UiThread.h"
#include "tests/support/ManualClock.h"
#include "tests/support/SimulatedMachine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

// Runs an action on the transferring thread when a read or a write begins at a
// given offset of any disk, before the disk serves it.
class HookedMachine : public SimulatedMachine {
public:
    void BeforeReadAt(ULONGLONG offset, std::function<void()> action) {
        std::lock_guard lock(m_mutex);
        m_readActions[offset] = std::move(action);
    }
    void BeforeWriteAt(ULONGLONG offset, std::function<void()> action) {
        std::lock_guard lock(m_mutex);
        m_writeActions[offset] = std::move(action);
    }
    void ClearActions() {
        std::lock_guard lock(m_mutex);
        m_readActions.clear();
        m_writeActions.clear();
    }

    // The read at offset waits until a stop request is pending for the job thread,
    // so that the stop is seen before the next chunk, whatever the timing.
    void HoldReadUntilStop(ULONGLONG offset) {
        BeforeReadAt(offset, [] {
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            MSG message{};
            while (!PeekMessageA(&message, nullptr, WM_JOB_QUIT, WM_JOB_ABORT, PM_NOREMOVE) &&
                   std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    }

    // The read at offset waits until Release: a job that reads ahead makes it on
    // another thread than its own, which never sees the job's stop request.
    void HoldReadUntilReleased(ULONGLONG offset) {
        BeforeReadAt(offset, [this] {
            std::unique_lock lock(m_mutex);
            m_releasedChanged.wait_for(lock, std::chrono::seconds(10),
                                       [this] { return m_released; });
        });
    }

    void Release() {
        {
            std::lock_guard lock(m_mutex);
            m_released = true;
        }
        m_releasedChanged.notify_all();
    }

    DWORD OpenDevice(const kernel::OpenRequest& request,
                     std::unique_ptr<kernel::OpenObject>& opened) override {
        DWORD error = SimulatedMachine::OpenDevice(request, opened);
        if (error == 0 && opened)
            opened = std::make_unique<Hooked>(std::move(opened), *this);
        return error;
    }

private:
    class Hooked : public kernel::OpenObject {
    public:
        Hooked(std::unique_ptr<kernel::OpenObject> inner, HookedMachine& machine)
            : m_inner(std::move(inner)), m_machine(machine) {}
        DWORD Read(ULONGLONG offset, void* buffer, DWORD count, DWORD& done) override {
            m_machine.RunActionAt(m_machine.m_readActions, offset);
            return m_inner->Read(offset, buffer, count, done);
        }
        DWORD Write(ULONGLONG offset, const void* buffer, DWORD count, DWORD& done) override {
            m_machine.RunActionAt(m_machine.m_writeActions, offset);
            return m_inner->Write(offset, buffer, count, done);
        }
        DWORD Size(LONGLONG& size) override { return m_inner->Size(size); }
        DWORD Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                      DWORD& returned) override {
            return m_inner->Control(code, in, inSize, out, outSize, returned);
        }
        DWORD SectorSize() const override { return m_inner->SectorSize(); }

    private:
        std::unique_ptr<kernel::OpenObject> m_inner;
        HookedMachine& m_machine;
    };

    using Actions = std::map<ULONGLONG, std::function<void()>>;

    void RunActionAt(const Actions& actions, ULONGLONG offset) {
        std::function<void()> action;
        {
            std::lock_guard lock(m_mutex);
            auto found = actions.find(offset);
            if (found == actions.end())
                return;
            action = found->second;
        }
        action();
    }

    std::mutex m_mutex;
    Actions m_readActions;
    Actions m_writeActions;
    std::condition_variable m_releasedChanged;
    bool m_released = false;
};

class JobTest : public ::testing::Test {
protected:
    // A job's thread object is deleted on this thread once the thread has ended,
    // a moment after the slot was cleared: serve that hand-over before leaving.
    ~JobTest() override {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
        backend.RunUntil([&] { return std::chrono::steady_clock::now() >= until; });
    }

    static constexpr DWORD kSector = 512;
    static constexpr DWORD kChunk = 1024 * kSector;

    // A disk as the one physical drive, opened and locked.
    SimulatedDisk& OpenDisk(ULONGLONG size, DWORD sectorSize = kSector) {
        SimulatedDisk& disk = machine.AddDisk(size, sectorSize);
        device.RefreshDriveList();
        EXPECT_TRUE(device.OpenPhysicalDrive(disk.Number()));
        disk.ClearCounters();
        return disk;
    }

    static JobParams Range(LONGLONG first, LONGLONG last, const char* text = "") {
        JobParams params;
        params.nSectorSize = kSector;
        params.llFirstLba = first;
        params.llLastLba = last;
        params.strText = text;
        return params;
    }

    // Serves the job's hand-overs until its slot is empty.
    void WaitForJobEnd() {
        ASSERT_TRUE(backend.RunUntil([this] { return !device.IsWorkerRunning(); }));
    }

    void RunSearch(int type, LONGLONG first, LONGLONG last, const char* pattern) {
        device.SetSearchType(type);
        ASSERT_EQ(device.StartSearch(Range(first, last, pattern)), 1);
        WaitForJobEnd();
    }

    void RunReadTest(LONGLONG first, LONGLONG last) {
        ASSERT_EQ(device.StartReadTest(Range(first, last)), 1);
        WaitForJobEnd();
    }

    HookedMachine machine;
    framework::HeadlessBackend backend;
    ManualClock clock;
    DiskDevice device;
};
