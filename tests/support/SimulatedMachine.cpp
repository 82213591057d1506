#include "tests/support/SimulatedMachine.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>

namespace sim {
namespace {

constexpr ULONGLONG kFloppyBytes = 1474560;
constexpr ULONGLONG kDefaultFreeSpace = 1ULL << 40;
constexpr char kPhysicalDrive[] = "\\\\.\\PHYSICALDRIVE";
constexpr DWORD kHeads = 255;
constexpr DWORD kSectorsPerTrack = 63;

LONGLONG CylindersOf(ULONGLONG size, DWORD sectorSize) {
    ULONGLONG perCylinder =
        ULONGLONG{kHeads} * kSectorsPerTrack * (sectorSize == 0 ? 1 : sectorSize);
    return static_cast<LONGLONG>(size / perCylinder);
}

bool StartsWithNoCase(const std::string& text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

// The drive number of "\\.\PHYSICALDRIVE<n>" with an optional trailing backslash.
std::optional<int> PhysicalNumber(const std::string& path) {
    if (!StartsWithNoCase(path, kPhysicalDrive))
        return std::nullopt;
    std::string rest = path.substr(sizeof kPhysicalDrive - 1);
    if (!rest.empty() && rest.back() == '\\')
        rest.pop_back();
    if (rest.empty() || rest.size() > 6 ||
        !std::all_of(rest.begin(), rest.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoi(rest);
}

// The letter of "\\.\X:", "\\.\X:\" or "X:\".
std::optional<char> LetterOf(std::string path) {
    if (path.rfind("\\\\.\\", 0) == 0)
        path = path.substr(4);
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    if (path.size() != 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0])))
        return std::nullopt;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
}

// A handle's view of a disk: the whole disk or one volume of it.
class SimulatedObject : public kernel::OpenObject {
public:
    SimulatedObject(SimulatedDisk& disk, ULONGLONG base, ULONGLONG length,
                    std::vector<SimulatedMachine::Extent> extents, bool noExtents)
        : m_disk(disk), m_base(base), m_length(length), m_extents(std::move(extents)),
          m_noExtents(noExtents) {
        m_disk.Opened();
    }
    ~SimulatedObject() override { m_disk.Closed(this); }

    DWORD Read(ULONGLONG offset, void* buffer, DWORD count, DWORD& done) override {
        return m_disk.Read(m_base + offset, buffer, count, m_base + m_length, done);
    }
    DWORD Write(ULONGLONG offset, const void* buffer, DWORD count, DWORD& done) override {
        return m_disk.Write(m_base + offset, buffer, count, m_base + m_length, done);
    }
    DWORD Size(LONGLONG& size) override {
        size = static_cast<LONGLONG>(m_length);
        return m_disk.SizeCheck();
    }
    DWORD Control(DWORD code, const void*, DWORD, void* out, DWORD outSize,
                  DWORD& returned) override {
        if (code == IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS)
            return Extents(out, outSize, returned);
        return m_disk.Control(this, code, out, outSize, m_length, returned);
    }
    DWORD SectorSize() const override { return m_disk.SectorSize(); }

private:
    DWORD Extents(void* out, DWORD outSize, DWORD& returned) {
        m_disk.Control(this, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, m_length, returned);
        if (m_noExtents || m_extents.empty())
            return ERROR_NOT_SUPPORTED;
        std::size_t first = offsetof(VOLUME_DISK_EXTENTS, Extents);
        std::size_t needed = first + m_extents.size() * sizeof(DISK_EXTENT);
        if (out == nullptr || outSize < needed)
            return ERROR_INSUFFICIENT_BUFFER;
        auto* bytes = static_cast<BYTE*>(out);
        DWORD count = static_cast<DWORD>(m_extents.size());
        std::memcpy(bytes, &count, sizeof count);
        for (std::size_t i = 0; i < m_extents.size(); ++i) {
            DISK_EXTENT extent{static_cast<DWORD>(m_extents[i].disk->Number()),
                               {static_cast<LONGLONG>(m_extents[i].offset)},
                               {static_cast<LONGLONG>(m_extents[i].length)}};
            std::memcpy(bytes + first + i * sizeof extent, &extent, sizeof extent);
        }
        returned = static_cast<DWORD>(needed);
        return 0;
    }

    SimulatedDisk& m_disk;
    ULONGLONG m_base;
    ULONGLONG m_length;
    std::vector<SimulatedMachine::Extent> m_extents;
    bool m_noExtents;
};

} // namespace

// ---- SimulatedDisk

SimulatedDisk::SimulatedDisk(int number, ULONGLONG size, DWORD sectorSize)
    : m_number(number), m_size(size), m_sectorSize(sectorSize) {
    if (size == kFloppyBytes && sectorSize == 512) {
        m_cylinders = 80;
        m_tracksPerCylinder = 2;
        m_sectorsPerTrack = 18;
    } else {
        m_tracksPerCylinder = kHeads;
        m_sectorsPerTrack = kSectorsPerTrack;
        m_cylinders = CylindersOf(size, sectorSize);
    }
}

std::string SimulatedDisk::Path() const {
    return kPhysicalDrive + std::to_string(m_number);
}

void SimulatedDisk::CopyOut(ULONGLONG offset, BYTE* out, std::size_t length) const {
    while (length > 0) {
        ULONGLONG block = offset / kBlock;
        std::size_t within = static_cast<std::size_t>(offset % kBlock);
        std::size_t piece = std::min<std::size_t>(length, kBlock - within);
        auto found = m_blocks.find(block);
        if (found == m_blocks.end())
            std::memset(out, 0, piece);
        else
            std::memcpy(out, found->second.data() + within, piece);
        out += piece;
        offset += piece;
        length -= piece;
    }
}

void SimulatedDisk::CopyIn(ULONGLONG offset, const BYTE* in, std::size_t length) {
    while (length > 0) {
        ULONGLONG block = offset / kBlock;
        std::size_t within = static_cast<std::size_t>(offset % kBlock);
        std::size_t piece = std::min<std::size_t>(length, kBlock - within);
        // Zeros written where nothing was keep the disk sparse: they read the same.
        auto found = m_blocks.find(block);
        if (found != m_blocks.end())
            std::memcpy(found->second.data() + within, in, piece);
        else if (std::any_of(in, in + piece, [](BYTE b) { return b != 0; })) {
            auto& bytes = m_blocks[block];
            bytes.assign(kBlock, 0);
            std::memcpy(bytes.data() + within, in, piece);
        }
        in += piece;
        offset += piece;
        length -= piece;
    }
}

void SimulatedDisk::Fill(ULONGLONG offset, const void* data, std::size_t length) {
    std::lock_guard lock(m_mutex);
    if (offset >= m_size)
        return;
    length = static_cast<std::size_t>(std::min<ULONGLONG>(length, m_size - offset));
    CopyIn(offset, static_cast<const BYTE*>(data), length);
}

void SimulatedDisk::FillByte(ULONGLONG offset, std::size_t length, BYTE value) {
    std::vector<BYTE> bytes(length, value);
    Fill(offset, bytes);
}

std::vector<BYTE> SimulatedDisk::Bytes(ULONGLONG offset, std::size_t length) const {
    std::lock_guard lock(m_mutex);
    std::vector<BYTE> bytes(length, 0);
    if (offset < m_size)
        CopyOut(offset, bytes.data(),
                static_cast<std::size_t>(std::min<ULONGLONG>(length, m_size - offset)));
    return bytes;
}

void SimulatedDisk::SetDriveType(UINT type) {
    std::lock_guard lock(m_mutex);
    m_driveType = type;
}

UINT SimulatedDisk::DriveType() const {
    std::lock_guard lock(m_mutex);
    return m_driveType;
}

void SimulatedDisk::SetGeometry(LONGLONG cylinders, DWORD tracksPerCylinder,
                                DWORD sectorsPerTrack) {
    std::lock_guard lock(m_mutex);
    m_cylinders = cylinders;
    m_tracksPerCylinder = tracksPerCylinder;
    m_sectorsPerTrack = sectorsPerTrack;
}

void SimulatedDisk::SetReadOnly(bool readOnly) {
    std::lock_guard lock(m_mutex);
    m_readOnly = readOnly;
}

void SimulatedDisk::SetMounted(bool mounted) {
    std::lock_guard lock(m_mutex);
    m_mounted = mounted;
}

void SimulatedDisk::RefuseOpen(DWORD error) {
    std::lock_guard lock(m_mutex);
    m_openError = error;
}

void SimulatedDisk::RefuseLock(DWORD error) {
    std::lock_guard lock(m_mutex);
    m_lockError = error;
}

void SimulatedDisk::RefuseDismount(DWORD error) {
    std::lock_guard lock(m_mutex);
    m_dismountError = error;
}

void SimulatedDisk::RefuseGeometryEx() {
    std::lock_guard lock(m_mutex);
    m_refuseGeometryEx = true;
}

void SimulatedDisk::RefuseGeometry() {
    std::lock_guard lock(m_mutex);
    m_refuseGeometryEx = true;
    m_refuseGeometry = true;
}

void SimulatedDisk::FailRead(ULONGLONG offset, DWORD error) {
    std::lock_guard lock(m_mutex);
    m_readFaults.push_back({offset, error});
}

void SimulatedDisk::ShortenRead(ULONGLONG offset) {
    std::lock_guard lock(m_mutex);
    m_readFaults.push_back({offset, 0});
}

void SimulatedDisk::FailWrite(ULONGLONG offset, DWORD error) {
    std::lock_guard lock(m_mutex);
    m_writeFaults.push_back({offset, error});
}

void SimulatedDisk::ShortenWrite(ULONGLONG offset) {
    std::lock_guard lock(m_mutex);
    m_writeFaults.push_back({offset, 0});
}

void SimulatedDisk::FailSize(DWORD error) {
    std::lock_guard lock(m_mutex);
    m_sizeError = error;
}

DWORD SimulatedDisk::SizeCheck() const {
    std::lock_guard lock(m_mutex);
    return m_sizeError;
}

void SimulatedDisk::ClearFaults() {
    std::lock_guard lock(m_mutex);
    m_openError = m_lockError = m_dismountError = 0;
    m_refuseGeometryEx = m_refuseGeometry = false;
    m_sizeError = 0;
    m_readFaults.clear();
    m_writeFaults.clear();
}

std::vector<Transfer> SimulatedDisk::Reads() const {
    std::lock_guard lock(m_mutex);
    return m_reads;
}

std::vector<Transfer> SimulatedDisk::Writes() const {
    std::lock_guard lock(m_mutex);
    return m_writes;
}

std::vector<DWORD> SimulatedDisk::Controls() const {
    std::lock_guard lock(m_mutex);
    return m_controls;
}

void SimulatedDisk::ClearCounters() {
    std::lock_guard lock(m_mutex);
    m_reads.clear();
    m_writes.clear();
    m_controls.clear();
}

int SimulatedDisk::OpenCount() const {
    std::lock_guard lock(m_mutex);
    return m_openCount;
}

bool SimulatedDisk::Claimed() const {
    std::lock_guard lock(m_mutex);
    return m_claim != nullptr;
}

DWORD SimulatedDisk::OpenCheck() const {
    std::lock_guard lock(m_mutex);
    return m_openError;
}

void SimulatedDisk::Opened() {
    std::lock_guard lock(m_mutex);
    ++m_openCount;
}

void SimulatedDisk::Closed(const void* owner) {
    std::lock_guard lock(m_mutex);
    --m_openCount;
    if (m_claim == owner)
        m_claim = nullptr;
}

std::optional<SimulatedDisk::Fault> SimulatedDisk::FaultIn(const std::vector<Fault>& faults,
                                                           ULONGLONG offset, DWORD count) {
    std::optional<Fault> first;
    for (const Fault& fault : faults) {
        if (fault.offset >= offset && fault.offset - offset < count &&
            (!first || fault.offset < first->offset))
            first = fault;
    }
    return first;
}

DWORD SimulatedDisk::Read(ULONGLONG offset, void* buffer, DWORD count, ULONGLONG end, DWORD& done) {
    std::lock_guard lock(m_mutex);
    m_reads.push_back({offset, count});
    done = 0;
    end = std::min(end, m_size);
    if (offset >= end)
        return 0;
    DWORD length = static_cast<DWORD>(std::min<ULONGLONG>(count, end - offset));
    if (auto fault = FaultIn(m_readFaults, offset, length)) {
        if (fault->error != 0)
            return fault->error;
        length = static_cast<DWORD>(fault->offset - offset);
    }
    CopyOut(offset, static_cast<BYTE*>(buffer), length);
    done = length;
    return 0;
}

DWORD SimulatedDisk::Write(ULONGLONG offset, const void* buffer, DWORD count, ULONGLONG end,
                           DWORD& done) {
    std::lock_guard lock(m_mutex);
    m_writes.push_back({offset, count});
    done = 0;
    if (m_readOnly)
        return ERROR_WRITE_PROTECT;
    end = std::min(end, m_size);
    if (offset >= end)
        return count == 0 ? 0 : ENOSPC;
    DWORD length = static_cast<DWORD>(std::min<ULONGLONG>(count, end - offset));
    if (auto fault = FaultIn(m_writeFaults, offset, length)) {
        if (fault->error != 0)
            return fault->error;
        length = static_cast<DWORD>(fault->offset - offset);
    }
    CopyIn(offset, static_cast<const BYTE*>(buffer), length);
    done = length;
    return 0;
}

DWORD SimulatedDisk::Geometry(void* out, DWORD outSize, bool extended, ULONGLONG size,
                              DWORD& returned) const {
    if (extended ? m_refuseGeometryEx : m_refuseGeometry)
        return ERROR_NOT_SUPPORTED;
    DWORD needed = extended ? offsetof(DISK_GEOMETRY_EX, Data) : sizeof(DISK_GEOMETRY);
    if (out == nullptr || outSize < needed)
        return ERROR_INSUFFICIENT_BUFFER;
    DISK_GEOMETRY_EX geometry{};
    geometry.Geometry.MediaType = m_driveType == DRIVE_REMOVABLE ? 11 : 12;
    geometry.Geometry.Cylinders.QuadPart = m_cylinders;
    geometry.Geometry.TracksPerCylinder = m_tracksPerCylinder;
    geometry.Geometry.SectorsPerTrack = m_sectorsPerTrack;
    if (size != m_size) {
        // A partition measures itself: its own size, cylinders counted from it.
        geometry.Geometry.TracksPerCylinder = kHeads;
        geometry.Geometry.SectorsPerTrack = kSectorsPerTrack;
        geometry.Geometry.Cylinders.QuadPart = CylindersOf(size, m_sectorSize);
    }
    geometry.Geometry.BytesPerSector = m_sectorSize;
    geometry.DiskSize.QuadPart = static_cast<LONGLONG>(size);
    std::memcpy(out, &geometry, needed);
    returned = needed;
    return 0;
}

DWORD SimulatedDisk::Control(const void* owner, DWORD code, void* out, DWORD outSize,
                             ULONGLONG size, DWORD& returned) {
    std::lock_guard lock(m_mutex);
    m_controls.push_back(code);
    switch (code) {
    case FSCTL_LOCK_VOLUME:
        if (m_lockError != 0)
            return m_lockError;
        if (m_claim != nullptr && m_claim != owner)
            return ERROR_BUSY;
        m_claim = owner;
        return 0;
    case FSCTL_DISMOUNT_VOLUME:
        if (m_dismountError != 0)
            return m_dismountError;
        return m_claim == owner && !m_mounted ? 0 : ERROR_BUSY;
    case FSCTL_UNLOCK_VOLUME:
        if (m_claim == owner)
            m_claim = nullptr;
        return 0;
    case IOCTL_DISK_GET_DRIVE_GEOMETRY_EX:
        return Geometry(out, outSize, true, size, returned);
    case IOCTL_DISK_GET_DRIVE_GEOMETRY:
        return Geometry(out, outSize, false, size, returned);
    case IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS:
        return 0; // only counted here; the volume answers
    default:
        return ERROR_NOT_SUPPORTED;
    }
}

// ---- SimulatedMachine

SimulatedMachine::SimulatedMachine() {
    kernel::InstallMachine(this);
}

SimulatedMachine::~SimulatedMachine() {
    kernel::InstallMachine(nullptr);
}

SimulatedDisk& SimulatedMachine::AddDisk(ULONGLONG size, DWORD sectorSize) {
    int number = static_cast<int>(m_disks.size());
    return *m_disks.emplace_back(std::make_unique<SimulatedDisk>(number, size, sectorSize));
}

SimulatedDisk& SimulatedMachine::AddMedium(ULONGLONG size, DWORD sectorSize) {
    return *m_media.emplace_back(std::make_unique<SimulatedDisk>(-1, size, sectorSize));
}

SimulatedDisk& SimulatedMachine::Disk(int number) {
    return *m_disks.at(static_cast<std::size_t>(number));
}

void SimulatedMachine::AddLetter(char letter, SimulatedDisk& disk) {
    AddLetter(letter, disk, 0, disk.Size());
}

void SimulatedMachine::AddLetter(char letter, SimulatedDisk& disk, ULONGLONG offset,
                                 ULONGLONG length) {
    Letter& entry = m_letters[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))];
    entry.extents = {Extent{&disk, offset, length}};
    entry.noExtents = disk.Number() < 0;
}

void SimulatedMachine::NoExtents(char letter) {
    FindLetter(letter)->noExtents = true;
}

void SimulatedMachine::SecondExtent(char letter, SimulatedDisk& disk, ULONGLONG offset,
                                    ULONGLONG length) {
    FindLetter(letter)->extents.push_back(Extent{&disk, offset, length});
}

void SimulatedMachine::RefuseOpen(char letter, DWORD error) {
    FindLetter(letter)->openError = error;
}

void SimulatedMachine::SetFreeSpace(const std::string& directory, ULONGLONG bytes) {
    m_space[directory] = Space{bytes, 0};
}

void SimulatedMachine::FailFreeSpace(const std::string& directory, DWORD error) {
    m_space[directory] = Space{0, error};
}

SimulatedMachine::Letter* SimulatedMachine::FindLetter(char letter) {
    auto found =
        m_letters.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    return found == m_letters.end() ? nullptr : &found->second;
}

SimulatedDisk* SimulatedMachine::FindDisk(const std::string& path) {
    auto number = PhysicalNumber(path);
    if (!number || *number >= static_cast<int>(m_disks.size()))
        return nullptr;
    return m_disks[static_cast<std::size_t>(*number)].get();
}

DWORD SimulatedMachine::OpenDevice(const kernel::OpenRequest& request,
                                   std::unique_ptr<kernel::OpenObject>& opened) {
    if (SimulatedDisk* disk = FindDisk(request.path)) {
        if (DWORD error = disk->OpenCheck(); error != 0)
            return error;
        opened = std::make_unique<SimulatedObject>(
            *disk, 0, disk->Size(), std::vector<Extent>{{disk, 0, disk->Size()}}, false);
        return 0;
    }
    auto letter = LetterOf(request.path);
    Letter* volume = letter ? FindLetter(*letter) : nullptr;
    if (volume == nullptr || request.path.back() == '\\')
        return ERROR_FILE_NOT_FOUND;
    const Extent& first = volume->extents.front();
    if (DWORD error = volume->openError != 0 ? volume->openError : first.disk->OpenCheck();
        error != 0)
        return error;
    opened = std::make_unique<SimulatedObject>(*first.disk, first.offset, first.length,
                                               volume->extents, volume->noExtents);
    return 0;
}

DWORD SimulatedMachine::LogicalDrives() {
    DWORD mask = 0;
    for (const auto& [letter, volume] : m_letters)
        mask |= 1u << (letter - 'A');
    return mask;
}

UINT SimulatedMachine::DriveType(const std::string& root) {
    if (SimulatedDisk* disk = FindDisk(root))
        return disk->DriveType();
    auto letter = LetterOf(root);
    Letter* volume = letter ? FindLetter(*letter) : nullptr;
    return volume == nullptr ? DRIVE_NO_ROOT_DIR : volume->extents.front().disk->DriveType();
}

DWORD SimulatedMachine::FreeSpace(const std::string& directory, ULONGLONG& freeToCaller,
                                  ULONGLONG& total, ULONGLONG& totalFree) {
    const Space* best = nullptr;
    std::size_t bestLength = 0;
    for (const auto& [prefix, space] : m_space) {
        if (directory.rfind(prefix, 0) == 0 && (best == nullptr || prefix.size() > bestLength)) {
            best = &space;
            bestLength = prefix.size();
        }
    }
    Space answer = best != nullptr ? *best : Space{kDefaultFreeSpace, 0};
    if (answer.error != 0)
        return answer.error;
    freeToCaller = totalFree = answer.bytes;
    total = std::max(answer.bytes, kDefaultFreeSpace);
    return 0;
}

} // namespace sim
