#pragma once
// Reads a file in chunks on a helper thread, from its pointer onwards and up to
// two chunks ahead of the job that takes them, so that the file is never idle
// while the job works. The reads are the ones the job would make for itself, in
// the same order: a chunk as long as the chunk length or what is left, the next
// one from where the last ended. Reading stops after a failed read, a read that
// brings nothing, or the last chunk.
#include "jobs/ChunkBuffer.h"
#include "platform/kernel/Kernel.h"

#include <array>
#include <condition_variable>
#include <mutex>

class ReadAhead {
public:
    // zeroed: how many bytes of each buffer are zero where its read left them.
    ReadAhead(HANDLE file, DWORD chunkLength, LONGLONG total, DWORD zeroed);
    // Stops reading ahead: the file pointer goes back to where the first chunk
    // not taken began, as if it had never been read.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // False when no helper thread could be had; the job then reads for itself.
    bool Started() const { return m_helper != nullptr; }

    // Waits for the next chunk and hands back the one taken before. False when its
    // read failed, with the read's error as this thread's last error.
    bool Next(BYTE*& buffer, DWORD& done);

private:
    // One chunk for the job to hold and two to read into.
    static constexpr std::size_t kSlots = 3;
    struct Slot {
        ChunkBuffer buffer;
        LONGLONG from = 0; // the file pointer before its read
        bool read = false;
        bool ok = false;
        DWORD done = 0;
        DWORD error = 0;
    };

    static DWORD ServeThread(LPVOID reader);
    void Serve();
    bool MayRead() const;
    void Read(Slot& slot, DWORD count);

    const HANDLE m_file;
    const DWORD m_chunkLength;
    const DWORD m_zeroed;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::array<Slot, kSlots> m_slots;
    std::size_t m_taken = 0;   // chunks the job has taken
    std::size_t m_started = 0; // reads begun
    bool m_holding = false;    // the job holds the slot of chunk m_taken - 1
    bool m_finished = false;   // no read follows
    bool m_stopping = false;
    LONGLONG m_remaining;
    HANDLE m_helper = nullptr;
};
