#pragma once
// Reads a file in chunks on helper threads, from its pointer onwards and up to two
// chunks ahead of the job that takes them, so that the file is never idle while
// the job works. The chunks are the ones the job would read for itself: as long
// as the chunk length or what is left, each beginning where the one before ended.
// Up to two are read at once, each at its own offset, so that a disk always has
// the next read waiting while a helper hands over the last. A failed read, a read
// that brings less than it asked for, or the last chunk ends the reading; the job
// is handed nothing past such a chunk.
#include "jobs/ChunkBuffer.h"
#include "platform/kernel/Kernel.h"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <mutex>

class ReadAhead {
public:
    // zeroed: how many bytes of each buffer are zero where its read left them.
    // readers: reads at once, 1 or 2; a file that can only be read in order (a
    // compressed image) has 1.
    ReadAhead(HANDLE file, DWORD chunkLength, LONGLONG total, DWORD zeroed, std::size_t readers);
    // Stops reading ahead, after the reads in flight: the file pointer goes to where
    // the first chunk not taken begins, as if it had never been read.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // False when no helper thread could be had; the job then reads for itself.
    bool Started() const { return m_helpers[0] != nullptr; }

    // Waits for the next chunk and hands back the one taken before. False when its
    // read failed, with the read's error as this thread's last error.
    bool Next(BYTE*& buffer, DWORD& done);

private:
    // One chunk for the job to hold and two to read into.
    static constexpr std::size_t kSlots = 3;
    static constexpr std::size_t kMaxReaders = 2;
    struct Slot {
        BYTE* buffer = nullptr;
        bool read = false;
        bool ok = false;
        DWORD done = 0;
        DWORD error = 0;
    };

    static DWORD ServeThread(LPVOID reader);
    void Serve();
    bool MayRead() const;
    DWORD CountOf(std::size_t chunk) const;
    void Read(Slot& slot, std::size_t chunk);

    const HANDLE m_file;
    const DWORD m_chunkLength;
    const LONGLONG m_total;
    const DWORD m_zeroed;
    LONGLONG m_from = 0; // the file pointer when reading began
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // The slots' buffers one after another, in as few large pages as they fit.
    ChunkBuffer m_buffers;
    std::array<Slot, kSlots> m_slots;
    std::size_t m_taken = 0;   // chunks the job has taken
    std::size_t m_started = 0; // reads begun
    std::size_t m_ended;       // chunks that may be handed out: to the first that ended the reading
    bool m_holding = false;    // the job holds the slot of chunk m_taken - 1
    bool m_stopping = false;
    bool m_spins = true; // the job spins before it sleeps in Next (its own thread's)
    LONGLONG m_pointer;  // where the chunk after those taken begins
    std::array<HANDLE, kMaxReaders> m_helpers{};
};
