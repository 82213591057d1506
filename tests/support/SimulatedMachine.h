#pragma once
// A machine for tests: disks of any size and sector size, letters mapped to them,
// and hardware faults to inject. It installs itself as the machine behind the
// device namespace for its lifetime, so the system's own code opens its disks
// through CreateFileA and DeviceIoControl exactly as it opens real ones.
//
//   SimulatedMachine machine;                        // installed until destroyed
//   auto& disk = machine.AddDisk(64 << 20, 512);     // \\.\PHYSICALDRIVE0
//   disk.Fill(512, "boot");                          // bytes straight onto the medium
//   machine.AddLetter('C', disk);                    // \\.\C: is the whole disk
//   machine.AddLetter('D', disk, 1 << 20, 8 << 20);  // or a partition of it
//   disk.FailRead(4096);                             // any read covering byte 4096 fails
//   ... run the code ...
//   disk.Reads();                                    // every read the disk served
//
// Disks keep their data sparse (blocks written so far; the rest reads as zeros), so
// a disk of more than 2^40 bytes costs nothing. Physical drive numbers follow the
// order of AddDisk; AddMedium adds a disk that is no physical drive (a floppy, a
// disc), reachable through its letters only.
//
// What the device code sees behaves like the Linux layer, and the tests in
// tests/kernel/KernelContractTest.cpp hold both to the same promises: the lock is
// a claim on the disk that one handle at a time may hold; the dismount succeeds
// only for the handle holding the claim on a disk that is not mounted; a volume
// reports its disk's number; geometry follows the Linux layer's rules for a
// stand-in disk (platform/kernel/DiskGeometry.h); a read-only handle refuses
// writes; reads stop short at the end of the medium and writes past it fail. The
// kernel layer itself refuses unbuffered transfers that are not whole sectors.
// Every fault below is one a Linux disk can show.
//
// Disks are safe to use from a job thread while the test thread reads counters or
// changes faults.
#include "platform/kernel/Kernel.h"
#include "platform/kernel/Machine.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct Transfer {
    ULONGLONG offset = 0; // on the disk
    DWORD length = 0;     // asked for
    friend bool operator==(const Transfer&, const Transfer&) = default;
};

// Transfers in the order of their offsets: a job that reads ahead has two reads
// in flight, and either may reach the disk first.
std::vector<Transfer> ByOffset(std::vector<Transfer> transfers);

class SimulatedDisk {
public:
    SimulatedDisk(int number, ULONGLONG size, DWORD sectorSize);

    int Number() const { return m_number; } // -1 for a medium that is no physical drive
    ULONGLONG Size() const { return m_size; }
    DWORD SectorSize() const { return m_sectorSize; }
    std::string Path() const; // "\\.\PHYSICALDRIVE<n>"

    // The medium's bytes, without faults or counting.
    void Fill(ULONGLONG offset, const void* data, std::size_t length);
    void Fill(ULONGLONG offset, std::string_view bytes) {
        Fill(offset, bytes.data(), bytes.size());
    }
    void Fill(ULONGLONG offset, const std::vector<BYTE>& bytes) {
        Fill(offset, bytes.data(), bytes.size());
    }
    void FillByte(ULONGLONG offset, std::size_t length, BYTE value);
    std::vector<BYTE> Bytes(ULONGLONG offset, std::size_t length) const;

    // Description.
    void SetDriveType(UINT type); // DRIVE_FIXED unless set
    UINT DriveType() const;
    // The heads and sectors per track the disk reports, as a real disk answers
    // HDIO_GETGEO; cylinders always come from the size.
    void SetGeometry(DWORD tracksPerCylinder, DWORD sectorsPerTrack);
    void SetReadOnly(bool readOnly); // write-protected: writes fail with ERROR_WRITE_PROTECT
    void SetMounted(bool mounted);   // a mounted disk refuses the dismount (busy)

    // Faults. Each stays until ClearFaults.
    void RefuseOpen(DWORD error = ERROR_ACCESS_DENIED);
    void RefuseLock(DWORD error = ERROR_BUSY);     // another program holds the disk
    void RefuseDismount(DWORD error = ERROR_BUSY); // a file system of it is in use
    void RefuseGeometry();                         // the disk cannot tell its size
    // A bad sector: a transfer whose bytes cover the given disk offset fails.
    void FailRead(ULONGLONG offset, DWORD error = EIO);
    void FailWrite(ULONGLONG offset, DWORD error = EIO);
    // The medium ends at the offset from now on (a card pulled out, a stand-in file
    // cut short): reads stop short there, and a write that reaches it fails with
    // ENOSPC after moving the bytes before it.
    void ShortenRead(ULONGLONG offset);
    void ShortenWrite(ULONGLONG offset);
    // The size request fails (a device that went away answers ENODEV).
    void FailSize(DWORD error = ENODEV);
    // A counterfeit card: only the first realSize bytes are there, and a transfer
    // that begins at or past them lands at its offset modulo realSize, reads and
    // writes alike, without an error.
    void Counterfeit(ULONGLONG realSize);
    // A worn card: the write that covers the offset reports success and stores
    // nothing.
    void DropWrite(ULONGLONG offset);
    void ClearFaults();

    // Runs an action on the reading thread when a read begins at the offset, before
    // the disk serves it: to hold the read until the test lets it go, or to learn
    // that it began. It stays until replaced.
    void BeforeReadAt(ULONGLONG offset, std::function<void()> action);
    void BeforeWriteAt(ULONGLONG offset, std::function<void()> action); // the same for writes

    // What happened.
    std::vector<Transfer> Reads() const;
    std::vector<Transfer> Writes() const;
    std::vector<DWORD> Controls() const; // control codes in the order received
    void ClearCounters();
    int OpenCount() const; // handles open on the disk or one of its volumes
    bool Claimed() const;  // some handle holds the lock

    // Used by the open objects.
    DWORD OpenCheck() const;
    // end: where the handle's view of the disk ends (a volume ends before the disk).
    DWORD Read(ULONGLONG offset, void* buffer, DWORD count, ULONGLONG end, DWORD& done);
    DWORD Write(ULONGLONG offset, const void* buffer, DWORD count, ULONGLONG end, DWORD& done);
    DWORD SizeCheck() const;
    // size: what the handle sees of the disk (a partition measures itself).
    DWORD Control(const void* owner, DWORD code, void* out, DWORD outSize, ULONGLONG size,
                  DWORD& returned);
    void Opened();
    void Closed(const void* owner);

private:
    void RunActionAt(const std::map<ULONGLONG, std::function<void()>>& actions, ULONGLONG offset);
    static constexpr ULONGLONG kBlock = 64 * 1024;
    struct Fault {
        ULONGLONG offset;
        DWORD error;
    };
    static std::optional<Fault> FaultIn(const std::vector<Fault>& faults, ULONGLONG offset,
                                        DWORD count);
    void CopyOut(ULONGLONG offset, BYTE* out, std::size_t length) const;
    void CopyIn(ULONGLONG offset, const BYTE* in, std::size_t length);
    ULONGLONG Landing(ULONGLONG offset) const;
    DWORD Geometry(DWORD code, void* out, DWORD outSize, ULONGLONG size, DWORD& returned) const;

    const int m_number;
    const ULONGLONG m_size;
    const DWORD m_sectorSize;

    mutable std::mutex m_mutex;
    std::map<ULONGLONG, std::vector<BYTE>> m_blocks;
    UINT m_driveType = DRIVE_FIXED;
    DWORD m_tracksPerCylinder = 0; // 0: the stand-in disk's shape
    DWORD m_sectorsPerTrack = 0;
    bool m_readOnly = false;
    bool m_mounted = false;
    DWORD m_openError = 0;
    DWORD m_lockError = 0;
    DWORD m_dismountError = 0;
    bool m_refuseGeometry = false;
    DWORD m_sizeError = 0;
    std::vector<Fault> m_readFaults;
    std::vector<Fault> m_writeFaults;
    ULONGLONG m_readEnd = ~0ULL;
    ULONGLONG m_writeEnd = ~0ULL;
    ULONGLONG m_realSize = 0; // 0: all of m_size is there
    std::vector<Fault> m_droppedWrites;
    std::map<ULONGLONG, std::function<void()>> m_readActions;
    std::map<ULONGLONG, std::function<void()>> m_writeActions;
    std::vector<Transfer> m_reads;
    std::vector<Transfer> m_writes;
    std::vector<DWORD> m_controls;
    int m_openCount = 0;
    const void* m_claim = nullptr;
};

class SimulatedMachine : public kernel::Machine {
public:
    SimulatedMachine();           // installs itself
    ~SimulatedMachine() override; // restores the Linux machine

    SimulatedDisk& AddDisk(ULONGLONG size, DWORD sectorSize = 512);
    SimulatedDisk& AddMedium(ULONGLONG size, DWORD sectorSize = 512);
    SimulatedDisk& Disk(int number);

    // The letter's volume: the whole disk, or length bytes from offset.
    void AddLetter(char letter, SimulatedDisk& disk);
    void AddLetter(char letter, SimulatedDisk& disk, ULONGLONG offset, ULONGLONG length);
    // A letter whose disk-extents request is refused (a floppy, a disc).
    void NoExtents(char letter);
    void RefuseOpen(char letter, DWORD error = ERROR_ACCESS_DENIED);

    // Free space of a directory: the entry with the longest matching prefix
    // ("/tmp/" answers for "/tmp/x/"); 1 TiB where none matches.
    void SetFreeSpace(const std::string& directory, ULONGLONG bytes);
    void FailFreeSpace(const std::string& directory, DWORD error = ERROR_FILE_NOT_FOUND);

    DWORD OpenDevice(const kernel::OpenRequest& request,
                     std::unique_ptr<kernel::OpenObject>& opened) override;
    DWORD LogicalDrives() override;
    UINT DriveType(const std::string& root) override;
    DWORD FreeSpace(const std::string& directory, ULONGLONG& freeToCaller, ULONGLONG& total,
                    ULONGLONG& totalFree) override;

    struct Extent {
        SimulatedDisk* disk;
        ULONGLONG offset;
        ULONGLONG length;
    };
    struct Letter {
        Extent extent;
        bool noExtents = false;
        DWORD openError = 0;
    };

private:
    struct Space {
        ULONGLONG bytes;
        DWORD error;
    };
    Letter* FindLetter(char letter);
    SimulatedDisk* FindDisk(const std::string& path);

    std::vector<std::unique_ptr<SimulatedDisk>> m_disks; // physical drives first come first
    std::vector<std::unique_ptr<SimulatedDisk>> m_media;
    std::map<char, Letter> m_letters;
    std::map<std::string, Space> m_space;
};

} // namespace sim

using sim::SimulatedDisk;
using sim::SimulatedMachine;
