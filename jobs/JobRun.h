#pragma once
// What every job does on its thread: check the device, size the chunks, take the
// lock, move through the range chunk by chunk with a stop check before each one,
// keep the position and the rate meter, and end by giving back the buffer, the
// lock and the worker slot. A job supplies its own steps by overriding the hooks;
// the defaults read the device and do nothing with the bytes.
#include "device/DiskDevice.h"
#include "jobs/ChunkBuffer.h"
#include "jobs/ReadAhead.h"

#include <cstddef>
#include <functional>
#include <memory>

class JobRun {
public:
    explicit JobRun(DiskDevice& device) : m_device(device) {}
    virtual ~JobRun() = default;
    JobRun(const JobRun&) = delete;
    JobRun& operator=(const JobRun&) = delete;

    // The whole job; returns the thread's exit code, 0.
    UINT Run();

    // Sectors per chunk for a device of this many bytes.
    static DWORD ChunkSectors(LONGLONG capacity);

protected:
    // Checks before anything is allocated or locked; false ends the job.
    virtual bool Prepare() { return true; }
    virtual LONGLONG StartPosition() const { return FirstLba() * SectorSize(); }
    virtual LONGLONG TotalBytes() const { return (LastLba() - FirstLba() + 1) * SectorSize(); }
    // What the chunks are read from: the device, or a file the job opened.
    virtual HANDLE Source() const { return DeviceHandle(); }
    virtual bool ZeroesBuffer() const { return false; }
    // True for a job whose next chunks may be read while it works on the current
    // one: the source is only read, and a stop leaves at most two chunks read that
    // the job never used.
    virtual bool ReadsAhead() const { return false; }
    // After a failed read has been reported; the position stays unless the job moves it.
    virtual void TransferFailed() {}
    // The job's work on the bytes just read; false leaves the loop.
    virtual bool Work(DWORD /*done*/) { return true; }
    // The range is done and the position stands on its last sector.
    virtual void Completed() {}
    // There was nothing to transfer: no chunk is read and the lock is not taken.
    virtual void NothingToTransfer() {}
    // How far the position moves after a chunk that did not complete the range.
    virtual LONGLONG Advance(DWORD /*done*/) { return m_chunkLength; }
    // The transfers, once the lock is taken: chunk by chunk through the range.
    virtual void Transfer() { TransferChunks(); }
    // Closes what Prepare opened; runs at every end, before the lock is released.
    virtual void Close() {}

    DiskDevice& Device() const { return m_device; }
    HANDLE DeviceHandle() const { return m_device.m_hDevice; }
    DWORD SectorSize() const { return m_device.GetBytesPerSector(); }
    DWORD JobSectorSize() const { return m_device.m_nJobSectorSize; }
    LONGLONG FirstLba() const { return m_device.m_llJobFirstLba; }
    LONGLONG LastLba() const { return m_device.m_llJobLastLba; }
    const CString& JobText() const { return m_device.m_strJobText; }
    int SearchType() const { return m_device.m_nSearchType; }
    bool ImageResume() const { return m_device.m_bImageResume != FALSE; }
    void ReportSearchMissed() { m_device.m_bSearchMissed.store(true); }
    // What the sectors belong to may have changed: the next question rebuilds.
    void ReportDeviceWritten() { m_device.m_bOwnersStale.store(true); }
    LONGLONG Position() const { return m_device.m_llPosition.load(); }
    void SetPosition(LONGLONG position) { m_device.m_llPosition.store(position); }
    void SetCountingImage(bool counting) { m_device.m_bCountingImage.store(counting); }
    // Moves the device's file pointer to the position; the transfer that follows
    // decides whether that worked.
    void Seek();
    // The bytes of the chunk just transferred.
    BYTE* Buffer() const { return m_current; }
    DWORD ChunkLength() const { return m_chunkLength; }
    bool StopRequested() const;

    // A pass that reads a file back after the transfers (jobs/ReadPass.cpp): total
    // bytes from its pointer on, in chunks, readers at once ahead (1 for a file read
    // in order only). The position stands on each chunk, from start, before it is
    // taken: a stop ends the pass there, a failed or short read is reported there.
    // take gets each chunk's index and bytes and may end the pass with false. True
    // once every chunk was taken.
    using ChunkTaker = std::function<bool(std::size_t chunk, const BYTE* bytes, DWORD length)>;
    bool ReadPass(HANDLE file, LONGLONG start, LONGLONG total, std::size_t readers,
                  const ChunkTaker& take);

private:
    bool SizeChunks();
    void Begin(LONGLONG total);
    void TransferChunks();
    bool TakeChunk(DWORD& done);
    void DropReadAhead();
    UINT End();

    DiskDevice& m_device;
    DWORD m_chunkLength = 0;
    LONGLONG m_remaining = 0;
    ChunkBuffer m_buffer;
    BYTE* m_current = nullptr;
    std::unique_ptr<ReadAhead> m_readAhead;
    bool m_locked = false;
};
