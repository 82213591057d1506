#pragma once
// What the kernel calls stand on: the objects behind handles, and the machine that
// names devices and drives. The Linux machine is the default; tests install a
// simulated one.
#include "platform/kernel/Types.h"

#include <memory>
#include <string>

namespace kernel {

// An open file or device. Transfers are positional: the handle keeps the file
// pointer. Every operation returns 0 or an error code for the thread's last error.
class OpenObject {
public:
    virtual ~OpenObject() = default;
    virtual DWORD Read(ULONGLONG offset, void* buffer, DWORD count, DWORD& done) = 0;
    virtual DWORD Write(ULONGLONG offset, const void* buffer, DWORD count, DWORD& done) = 0;
    virtual DWORD Size(LONGLONG& size) = 0;
    virtual DWORD Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                          DWORD& returned) = 0;
    // The unit of an unbuffered transfer's length and position.
    virtual DWORD SectorSize() const = 0;
    // What was written, on stable storage.
    virtual DWORD Flush() = 0;
    // Gives back what the object holds, at the handle's close, and says whether
    // that went well; writes a file system kept back may fail only here.
    virtual DWORD Close() = 0;
};

struct OpenRequest {
    std::string path;
    DWORD access = 0;
    DWORD share = 0;
    DWORD disposition = 0;
    DWORD flags = 0;
};

class Machine {
public:
    virtual ~Machine() = default;
    // Opens a device path ("\\.\PHYSICALDRIVE<n>", "\\.\<X>:"); 0 or an error code.
    virtual DWORD OpenDevice(const OpenRequest& request, std::unique_ptr<OpenObject>& opened) = 0;
    virtual DWORD LogicalDrives() = 0;
    // root: "<X>:\", "\\.\<X>:\" or "\\.\PHYSICALDRIVE<n>\".
    virtual UINT DriveType(const std::string& root) = 0;
    virtual DWORD FreeSpace(const std::string& directory, ULONGLONG& freeToCaller, ULONGLONG& total,
                            ULONGLONG& totalFree) = 0;
};

// Files that are not device paths: image files, stand-in disks.
DWORD OpenPlainFile(const OpenRequest& request, std::unique_ptr<OpenObject>& opened);

bool IsDevicePath(const std::string& path);

// The machine behind the device namespace; installing nullptr restores the Linux one.
void InstallMachine(Machine* machine);
Machine& CurrentMachine();

// The clock behind GetTickCount and GetLocalTime; nullptr restores the system clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual DWORD Ticks() = 0;
    virtual SYSTEMTIME LocalTime() = 0;
};
void InstallClock(Clock* clock);

} // namespace kernel
