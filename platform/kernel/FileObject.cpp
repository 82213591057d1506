#include "platform/kernel/FileObject.h"
#include "platform/kernel/DeviceBroker.h"
#include "platform/kernel/FileHold.h"
#include "platform/kernel/FolderOf.h"
#include "platform/kernel/MountTable.h"
#include "platform/kernel/OpenNode.h"
#include "platform/kernel/StartingUser.h"
#include "platform/kernel/Sysfs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/hdreg.h>

namespace kernel {
namespace {

// The largest offset alignment at which a file's direct transfers still fit the
// handle layer's 512-byte sectors.
constexpr DWORD kFileSector = 512;

int AccessFlags(DWORD access) {
    bool read = access & GENERIC_READ;
    bool write = access & GENERIC_WRITE;
    if (read && write)
        return O_RDWR;
    return write ? O_WRONLY : O_RDONLY;
}

// A file system without direct I/O for this file (tmpfs, or alignment coarser than
// a sector) leaves the transfers buffered; the handle still keeps to whole sectors.
DirectAlignment WantedAlignment(int fd, bool block, DWORD sectorSize) {
    DWORD memory = 0, offset = 0;
    if (sys::DirectIoAlignment(fd, memory, offset) != 0)
        memory = offset = 0;
    if (block)
        return {memory != 0 ? memory : sectorSize, sectorSize};
    if (memory == 0 || offset == 0 || offset > kFileSector)
        return {};
    return {memory, offset};
}

// Opened non-blocking so that no open waits; the status flags are set for the
// transfers here, with O_DIRECT where it is wanted and allowed.
DWORD SetTransferFlags(int fd, DirectAlignment& direct) {
    int flags = 0;
    if (DWORD error = sys::GetStatusFlags(fd, flags); error != 0)
        return error;
    flags &= ~O_NONBLOCK;
    if (direct.memory != 0) {
        DWORD error = sys::SetStatusFlags(fd, flags | O_DIRECT);
        int set = 0;
        if (error == 0 && (error = sys::GetStatusFlags(fd, set)) == 0 && (set & O_DIRECT))
            return 0;
        if (error != 0 && error != EINVAL)
            return error;
        direct = {};
    }
    return sys::SetStatusFlags(fd, flags);
}

DWORD BlockSectorSize(int fd, DWORD& sectorSize) {
    int logical = 0;
    if (DWORD error = sys::Ioctl(fd, BLKSSZGET, &logical); error != 0)
        return error;
    sectorSize = logical > 0 ? static_cast<DWORD>(logical) : kFileSector;
    return 0;
}

// A write-protected card or a read-only loop device opens for writing, and only its
// writes fail; saying so at the open keeps the answer the same for every write.
void NoteReadOnlyDevice(int fd, DWORD& writeRefusal) {
    int readOnly = 0;
    if (writeRefusal == 0 && sys::Ioctl(fd, BLKROGET, &readOnly) == 0 && readOnly != 0)
        writeRefusal = ERROR_WRITE_PROTECT;
}

// A created or replaced file is held while the handle is open, as the platform
// creates it without sharing: no drive takes it meanwhile, and a file that a drive
// or another program holds is neither emptied nor written. A file that was there
// keeps its owner; a new one goes to the user who started Kolm.
DWORD TakeCreatedFile(const OpenedNode& node, const std::string& root) {
    const int fd = node.fd.Get();
    if (DWORD error = HoldFile(fd, root); error != 0)
        return error;
    if (!node.created)
        return sys::FTruncate(fd, 0);
    GiveToStartingUser(fd);
    return 0;
}

std::string SysfsDevice(const std::string& root, dev_t device) {
    return BelowRoot(root, SysfsBlockFolder(device));
}

// A device that is not open yet tells its sector size through sysfs; a
// partition's queue is its disk's.
DWORD DeviceSectorSize(const std::string& root, dev_t device, DWORD& sectorSize) {
    const std::string node = SysfsDevice(root, device);
    const std::string queue =
        sys::Exists(node + "/partition") ? node + "/../queue" : node + "/queue";
    sectorSize = static_cast<DWORD>(ReadSysfsNumber(queue + "/logical_block_size", 0));
    return sectorSize != 0 ? 0 : static_cast<DWORD>(ENODEV);
}

// The descriptor's transfers set up as the request asks: the sector size checked,
// a read-only device noted, direct I/O where it is wanted and allowed.
DWORD MakeDescriptor(OpenedNode& node, bool block, DWORD requestFlags, DWORD& sectorSize,
                     Descriptor& made) {
    const int fd = node.fd.Get();
    sectorSize = kFileSector;
    DWORD error = 0;
    if (block && (error = BlockSectorSize(fd, sectorSize)) != 0)
        return error;
    if (block)
        NoteReadOnlyDevice(fd, node.writeRefusal);
    DirectAlignment direct;
    if (requestFlags & FILE_FLAG_NO_BUFFERING)
        direct = WantedAlignment(fd, block, sectorSize);
    if (error = SetTransferFlags(fd, direct); error != 0)
        return error;
    made = Descriptor(std::move(node.fd), direct, node.writeRefusal, node.writeLater);
    return 0;
}

} // namespace

DWORD FileObject::Open(const std::string& path, const OpenRequest& request, bool create,
                       DeviceIdentity identity, std::unique_ptr<OpenObject>& opened) {
    int flags = O_NONBLOCK;
    if (request.flags & FILE_FLAG_WRITE_THROUGH)
        flags |= O_DSYNC;
    OpenedNode node;
    const FileId* only = identity.standInFile ? &*identity.standInFile : nullptr;
    DWORD error = create ? CreateNode(path, flags, node)
                         : OpenNode(path, AccessFlags(request.access), flags, only, node);
    if (error != 0)
        return error;
    const bool block = S_ISBLK(node.info.st_mode);
    if (create && (error = TakeCreatedFile(node, identity.root)) != 0)
        return error;
    sys::UniqueFd folder;
    if (node.created && (error = sys::Open(FolderOf(path), O_RDONLY | O_DIRECTORY, folder)) != 0)
        return error;
    std::unique_ptr<FileObject> object(
        new FileObject(block, std::move(identity), create, std::move(folder)));
    if (node.deferred) {
        error = DeviceSectorSize(object->m_identity.root, node.info.st_rdev, object->m_sectorSize);
        object->m_deferred.reset(new Deferred{std::move(node.fd), node.info.st_rdev, flags,
                                              request.flags, node.writeRefusal, node.writeLater});
    } else {
        error =
            MakeDescriptor(node, block, request.flags, object->m_sectorSize, object->m_descriptor);
    }
    if (error != 0)
        return error;
    opened = std::move(object);
    return 0;
}

FileObject::FileObject(bool block, DeviceIdentity identity, bool held, sys::UniqueFd folder)
    : m_block(block), m_identity(std::move(identity)), m_fileHeld(held),
      m_folder(std::move(folder)) {}

// A device the user may not open is opened by the broker when something first
// needs more than its name and size: the drive list asks nothing of it, and the
// password is asked when the user wants its sectors. A claim already taken is
// that open.
DWORD FileObject::Need() {
    if (!m_deferred)
        return 0;
    std::lock_guard lock(m_deferred->mutex);
    if (m_deferred->asked)
        return m_deferred->error;
    m_deferred->asked = true;
    OpenedNode node;
    node.writeRefusal = m_deferred->writeRefusal;
    node.writeLater = m_deferred->writeLater;
    DWORD error = m_claim.IsOpen() ? sys::Duplicate(m_claim.Get(), node.fd)
                                   : ReopenNode(m_deferred->node.Get(),
                                                O_RDONLY | m_deferred->openFlags, node.fd);
    DWORD sectorSize = 0;
    if (error == 0)
        error = MakeDescriptor(node, true, m_deferred->requestFlags, sectorSize, m_descriptor);
    m_deferred->error = error;
    return error;
}

// A new file is on stable storage only once the folder that names it is: on a FAT
// stick the entry (and a long name) may otherwise still wait in the cache.
DWORD FileObject::Flush() {
    if (DWORD error = Need(); error != 0)
        return error;
    if (DWORD error = m_descriptor.Flush(); error != 0)
        return error;
    return m_folder.IsOpen() ? sys::FSync(m_folder.Get()) : 0;
}

DWORD FileObject::Read(ULONGLONG offset, void* buffer, DWORD count, DWORD& done) {
    done = 0;
    if (DWORD error = Need(); error != 0)
        return error;
    return m_descriptor.Read(offset, buffer, count, done);
}

DWORD FileObject::Write(ULONGLONG offset, const void* buffer, DWORD count, DWORD& done) {
    done = 0;
    if (DWORD error = Need(); error != 0)
        return error;
    return m_descriptor.Write(offset, buffer, count, done);
}

DWORD FileObject::ByteSize(ULONGLONG& size) const {
    size = 0;
    if (m_deferred) { // sysfs counts 512-byte units whatever the sector size
        size = ReadSysfsNumber(SysfsDevice(m_identity.root, m_deferred->device) + "/size", 0) * 512;
        return 0;
    }
    if (m_block) {
        std::uint64_t bytes = 0;
        DWORD error = sys::Ioctl(m_descriptor.Fd(), BLKGETSIZE64, &bytes);
        size = bytes;
        return error;
    }
    struct stat info {};
    DWORD error = sys::FStat(m_descriptor.Fd(), info);
    size = error == 0 ? static_cast<ULONGLONG>(info.st_size) : 0;
    return error;
}

DWORD FileObject::Size(LONGLONG& size) {
    ULONGLONG bytes = 0;
    DWORD error = ByteSize(bytes);
    size = static_cast<LONGLONG>(bytes);
    return error;
}

DWORD FileObject::Shape(DiskShape& shape) {
    if (DWORD error = Need(); error != 0)
        return error;
    ULONGLONG size = 0;
    if (DWORD error = ByteSize(size); error != 0)
        return error;
    DWORD media = m_identity.removable ? kRemovableMedia : kFixedMedia;
    if (!m_block) {
        shape = StandInShape(size, media);
        return 0;
    }
    shape = DiskShape{size, m_sectorSize, 255, 63, media};
    // Loop devices and others refuse HDIO_GETGEO; they keep 255/63.
    hd_geometry reported{};
    if (sys::Ioctl(m_descriptor.Fd(), HDIO_GETGEO, &reported) == 0 && reported.heads != 0 &&
        reported.sectors != 0) {
        shape.tracksPerCylinder = reported.heads;
        shape.sectorsPerTrack = reported.sectors;
    }
    return 0;
}

DWORD FileObject::Lock() {
    if (m_claim.IsOpen() || m_fileHeld)
        return 0;
    // The node open already, never the name again: it may name another by now.
    if (m_block)
        return ReopenNode(m_deferred ? m_deferred->node.Get() : m_descriptor.Fd(),
                          O_RDONLY | O_EXCL | O_NONBLOCK, m_claim);
    DWORD error = HoldFile(m_descriptor.Fd(), m_identity.root);
    m_fileHeld = error == 0;
    return error;
}

DWORD FileObject::Unlock() {
    if (m_fileHeld) {
        m_fileHeld = false;
        return ReleaseFile(m_descriptor.Fd());
    }
    m_claim = sys::UniqueFd();
    return 0;
}

// Nothing is ever unmounted here: a dismount only confirms that the claim is held
// and that no file system of the device is in use.
DWORD FileObject::Dismount() const {
    if (!m_claim.IsOpen() && !m_fileHeld)
        return ERROR_BUSY;
    if (m_identity.mountNames.empty())
        return 0;
    std::vector<MountEntry> mounts;
    if (DWORD error = ReadMountTable(m_identity.root, mounts); error != 0)
        return error;
    const auto& names = m_identity.mountNames;
    for (const MountEntry& mount : mounts) {
        if (std::find(names.begin(), names.end(), mount.deviceName) != names.end())
            return ERROR_BUSY;
    }
    return 0;
}

DWORD FileObject::Extents(void* out, DWORD outSize, DWORD& returned) const {
    if (!m_identity.diskNumber)
        return ERROR_NOT_SUPPORTED;
    if (out == nullptr || outSize < sizeof(VOLUME_DISK_EXTENTS))
        return ERROR_INSUFFICIENT_BUFFER;
    ULONGLONG size = 0;
    if (DWORD error = ByteSize(size); error != 0)
        return error;
    VOLUME_DISK_EXTENTS answer{};
    answer.NumberOfDiskExtents = 1;
    answer.Extents[0].DiskNumber = *m_identity.diskNumber;
    answer.Extents[0].StartingOffset.QuadPart = static_cast<LONGLONG>(m_identity.startingOffset);
    answer.Extents[0].ExtentLength.QuadPart = static_cast<LONGLONG>(size);
    std::memcpy(out, &answer, sizeof answer);
    returned = sizeof answer;
    return 0;
}

DWORD FileObject::Control(DWORD code, const void*, DWORD, void* out, DWORD outSize,
                          DWORD& returned) {
    returned = 0;
    switch (code) {
    case IOCTL_DISK_GET_DRIVE_GEOMETRY:
    case IOCTL_DISK_GET_DRIVE_GEOMETRY_EX: {
        DiskShape shape;
        if (DWORD error = Shape(shape); error != 0)
            return error;
        return AnswerGeometry(code, shape, out, outSize, returned);
    }
    case FSCTL_LOCK_VOLUME:
        return Lock();
    case FSCTL_UNLOCK_VOLUME:
        return Unlock();
    case FSCTL_DISMOUNT_VOLUME:
        return Dismount();
    case IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS:
        return Extents(out, outSize, returned);
    default:
        return ERROR_NOT_SUPPORTED;
    }
}

} // namespace kernel
