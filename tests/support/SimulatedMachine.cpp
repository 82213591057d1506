#include "tests/support/SimulatedMachine.h"
#include "platform/kernel/DiskGeometry.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>

namespace sim {
namespace {

constexpr ULONGLONG kDefaultFreeSpace = 1ULL << 40;
constexpr char kPhysicalDrive[] = "\\\\.\\PHYSICALDRIVE";
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
    // extent: where the view lies on the disk; named: whether it answers the
    // disk-extents request.
    SimulatedObject(const SimulatedMachine::Extent& extent, bool named, DWORD access)
        : m_disk(*extent.disk), m_base(extent.offset), m_length(extent.length), m_named(named),
          m_writable(access & GENERIC_WRITE) {
        m_disk.Opened();
    }
    ~SimulatedObject() override { m_disk.Closed(this); }

    DWORD Read(ULONGLONG offset, void* buffer, DWORD count, DWORD& done) override {
        return m_disk.Read(m_base + offset, buffer, count, m_base + m_length, done);
    }
    DWORD Write(ULONGLONG offset, const void* buffer, DWORD count, DWORD& done) override {
        done = 0;
        if (!m_writable)
            return ERROR_ACCESS_DENIED;
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
    // The medium keeps nothing back: a write that returned is on it.
    DWORD Flush() override { return 0; }
    DWORD Close() override { return 0; }

private:
    DWORD Extents(void* out, DWORD outSize, DWORD& returned) {
        m_disk.Control(this, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, m_length, returned);
        if (!m_named)
            return ERROR_NOT_SUPPORTED;
        if (out == nullptr || outSize < sizeof(VOLUME_DISK_EXTENTS))
            return ERROR_INSUFFICIENT_BUFFER;
        VOLUME_DISK_EXTENTS answer{};
        answer.NumberOfDiskExtents = 1;
        answer.Extents[0] = DISK_EXTENT{static_cast<DWORD>(m_disk.Number()),
                                        {static_cast<LONGLONG>(m_base)},
                                        {static_cast<LONGLONG>(m_length)}};
        std::memcpy(out, &answer, sizeof answer);
        returned = sizeof answer;
        return 0;
    }

    SimulatedDisk& m_disk;
    ULONGLONG m_base;
    ULONGLONG m_length;
    bool m_named;
    bool m_writable;
};

} // namespace

// ---- SimulatedDisk

SimulatedDisk::SimulatedDisk(int number, ULONGLONG size, DWORD sectorSize)
    : m_number(number), m_size(size), m_sectorSize(sectorSize) {}

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

void SimulatedDisk::SetGeometry(DWORD tracksPerCylinder, DWORD sectorsPerTrack) {
    std::lock_guard lock(m_mutex);
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

void SimulatedDisk::RefuseGeometry() {
    std::lock_guard lock(m_mutex);
    m_refuseGeometry = true;
}

void SimulatedDisk::FailRead(ULONGLONG offset, DWORD error) {
    std::lock_guard lock(m_mutex);
    m_readFaults.push_back({offset, error});
}

void SimulatedDisk::ShortenRead(ULONGLONG offset) {
    std::lock_guard lock(m_mutex);
    m_readEnd = std::min(m_readEnd, offset);
}

void SimulatedDisk::FailWrite(ULONGLONG offset, DWORD error) {
    std::lock_guard lock(m_mutex);
    m_writeFaults.push_back({offset, error});
}

void SimulatedDisk::ShortenWrite(ULONGLONG offset) {
    std::lock_guard lock(m_mutex);
    m_writeEnd = std::min(m_writeEnd, offset);
}

void SimulatedDisk::FailSize(DWORD error) {
    std::lock_guard lock(m_mutex);
    m_sizeError = error;
}

DWORD SimulatedDisk::SizeCheck() const {
    std::lock_guard lock(m_mutex);
    return m_sizeError;
}

void SimulatedDisk::Counterfeit(ULONGLONG realSize) {
    std::lock_guard lock(m_mutex);
    m_realSize = realSize;
}

void SimulatedDisk::DropWrite(ULONGLONG offset) {
    std::lock_guard lock(m_mutex);
    m_droppedWrites.push_back({offset, 0});
}

ULONGLONG SimulatedDisk::Landing(ULONGLONG offset) const {
    return m_realSize == 0 ? offset : offset % m_realSize;
}

void SimulatedDisk::ClearFaults() {
    std::lock_guard lock(m_mutex);
    m_realSize = 0;
    m_droppedWrites.clear();
    m_openError = m_lockError = m_dismountError = 0;
    m_refuseGeometry = false;
    m_sizeError = 0;
    m_readFaults.clear();
    m_writeFaults.clear();
    m_readEnd = m_writeEnd = ~0ULL;
}

void SimulatedDisk::BeforeReadAt(ULONGLONG offset, std::function<void()> action) {
    std::lock_guard lock(m_mutex);
    m_readActions[offset] = std::move(action);
}

void SimulatedDisk::BeforeWriteAt(ULONGLONG offset, std::function<void()> action) {
    std::lock_guard lock(m_mutex);
    m_writeActions[offset] = std::move(action);
}

// Runs without the lock: the action may wait for the test, which reads counters.
void SimulatedDisk::RunActionAt(const std::map<ULONGLONG, std::function<void()>>& actions,
                                ULONGLONG offset) {
    std::function<void()> action;
    {
        std::lock_guard lock(m_mutex);
        if (auto found = actions.find(offset); found != actions.end())
            action = found->second;
    }
    if (action)
        action();
}

std::vector<Transfer> ByOffset(std::vector<Transfer> transfers) {
    std::stable_sort(transfers.begin(), transfers.end(),
                     [](const Transfer& a, const Transfer& b) { return a.offset < b.offset; });
    return transfers;
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
    RunActionAt(m_readActions, offset);
    std::lock_guard lock(m_mutex);
    m_reads.push_back({offset, count});
    done = 0;
    end = std::min({end, m_size, m_readEnd});
    if (offset >= end)
        return 0;
    DWORD length = static_cast<DWORD>(std::min<ULONGLONG>(count, end - offset));
    if (auto fault = FaultIn(m_readFaults, offset, length))
        return fault->error;
    CopyOut(Landing(offset), static_cast<BYTE*>(buffer), length);
    done = length;
    return 0;
}

// As on a Linux block device, a write that reaches the end of the medium moves
// the bytes before it and then fails.
DWORD SimulatedDisk::Write(ULONGLONG offset, const void* buffer, DWORD count, ULONGLONG end,
                           DWORD& done) {
    RunActionAt(m_writeActions, offset);
    std::lock_guard lock(m_mutex);
    m_writes.push_back({offset, count});
    done = 0;
    if (m_readOnly)
        return ERROR_WRITE_PROTECT;
    end = std::min({end, m_size, m_writeEnd});
    DWORD length = offset >= end ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(count, end - offset));
    if (auto fault = FaultIn(m_writeFaults, offset, length))
        return fault->error;
    if (!FaultIn(m_droppedWrites, offset, length))
        CopyIn(Landing(offset), static_cast<const BYTE*>(buffer), length);
    done = length;
    return length < count ? ENOSPC : 0;
}

// The Linux layer's rules for a disk it knows only by its size, with the heads and
// sectors per track a real disk reports where the test set them. A partition
// measures itself.
DWORD SimulatedDisk::Geometry(DWORD code, void* out, DWORD outSize, ULONGLONG size,
                              DWORD& returned) const {
    if (m_refuseGeometry)
        return ERROR_NOT_SUPPORTED;
    const DWORD media =
        m_driveType == DRIVE_REMOVABLE ? kernel::kRemovableMedia : kernel::kFixedMedia;
    kernel::DiskShape shape = kernel::StandInShape(size, media);
    shape.bytesPerSector = m_sectorSize;
    if (m_tracksPerCylinder != 0) {
        shape.tracksPerCylinder = m_tracksPerCylinder;
        shape.sectorsPerTrack = m_sectorsPerTrack;
    }
    return kernel::AnswerGeometry(code, shape, out, outSize, returned);
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
    case IOCTL_DISK_GET_DRIVE_GEOMETRY:
        return Geometry(code, out, outSize, size, returned);
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
    entry.extent = Extent{&disk, offset, length};
    entry.noExtents = disk.Number() < 0;
}

void SimulatedMachine::NoExtents(char letter) {
    FindLetter(letter)->noExtents = true;
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
        opened =
            std::make_unique<SimulatedObject>(Extent{disk, 0, disk->Size()}, true, request.access);
        return 0;
    }
    auto letter = LetterOf(request.path);
    Letter* volume = letter ? FindLetter(*letter) : nullptr;
    if (volume == nullptr || request.path.back() == '\\')
        return ERROR_FILE_NOT_FOUND;
    if (DWORD error = volume->openError != 0 ? volume->openError : volume->extent.disk->OpenCheck();
        error != 0)
        return error;
    opened = std::make_unique<SimulatedObject>(volume->extent, !volume->noExtents, request.access);
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
    return volume == nullptr ? DRIVE_NO_ROOT_DIR : volume->extent.disk->DriveType();
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
