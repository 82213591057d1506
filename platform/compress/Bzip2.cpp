#include "platform/compress/Bzip2Blocks.h"
#include "platform/compress/Codec.h"
#include "platform/kernel/Kernel.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace codec {

namespace {

using bzip2::Block;
using bzip2::BlockSplitter;

// Blocks decompressed at once, each by a thread of its own. libbz2 has one thread
// for a stream; the blocks of a stream can be decompressed apart.
constexpr std::size_t kWorkers = 2;
// Blocks found and not yet handed out: the one being handed out and the next.
// A block of zeros decompresses to 46 MB, so this bounds the memory.
constexpr std::size_t kMostBlocks = kWorkers;
// Bytes of the file held before they are cut into blocks.
constexpr std::size_t kMostPending = 4 << 20;

// A block, in the file's order, or the end of its stream.
struct Unit {
    Block block;
    bool streamEnd = false;
    DWORD streamCrc = 0; // the stream's own record of its blocks' check values
    bool taken = false;  // by a worker
    bool decoded = false;
    DWORD error = 0;
    std::vector<std::vector<BYTE>> pieces;
    std::size_t piece = 0, given = 0; // how far its bytes have been handed out
};

// The blocks of the file decompressed on two threads and handed out in order;
// each stream's record of its blocks' check values is checked at its end.
class Bzip2Decoder : public Decoder {
public:
    Bzip2Decoder() {
        for (std::size_t i = 0; i < kWorkers; ++i)
            m_workers.emplace_back([this] { Work(); });
    }
    ~Bzip2Decoder() override {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        for (std::thread& worker : m_workers)
            worker.join();
    }
    Bzip2Decoder(const Bzip2Decoder&) = delete;
    Bzip2Decoder& operator=(const Bzip2Decoder&) = delete;

    DWORD Step(Buffers& buffers, bool finish, bool& ended) override;

private:
    void Work();
    void Split(bool inputEnded);
    DWORD TakeFront(Buffers& buffers, bool& gave);
    DWORD JoinFront(std::unique_lock<std::mutex>& lock);
    bool FrontReady() const { return m_units.front()->streamEnd || m_units.front()->decoded; }

    BlockSplitter m_splitter;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<Unit>> m_units; // the blocks found, in order
    bool m_splitEnded = false;
    DWORD m_splitError = 0; // what is wrong after the blocks found
    DWORD m_streamCrc = 0;  // of the blocks handed out in this stream
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

void Bzip2Decoder::Work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        Unit* unit = nullptr;
        m_changed.wait(lock, [&] {
            for (const auto& candidate : m_units)
                if (!candidate->streamEnd && !candidate->taken) {
                    unit = candidate.get();
                    break;
                }
            return m_stopping || unit != nullptr;
        });
        if (m_stopping)
            return;
        unit->taken = true;
        lock.unlock();
        const DWORD error = bzip2::DecodeBlock(unit->block, unit->pieces);
        lock.lock();
        unit->error = error;
        unit->decoded = true;
        m_changed.notify_all();
    }
}

// Cuts what the file gave into blocks, as many as may wait.
void Bzip2Decoder::Split(bool inputEnded) {
    while (!m_splitEnded && m_units.size() < kMostBlocks) {
        auto unit = std::make_unique<Unit>();
        DWORD error = 0;
        switch (m_splitter.Next(inputEnded, unit->block, unit->streamCrc, error)) {
        case BlockSplitter::Found::NeedMore:
            // No block runs this long: these are not a bzip2 file's bytes.
            if (m_splitter.Pending() >= kMostPending) {
                m_splitEnded = true;
                m_splitError = ERROR_INVALID_DATA;
            }
            return;
        case BlockSplitter::Found::End:
        case BlockSplitter::Found::Error:
            m_splitEnded = true;
            m_splitError = error;
            return;
        case BlockSplitter::Found::StreamEnd:
            unit->streamEnd = true;
            [[fallthrough]];
        case BlockSplitter::Found::Block: {
            std::lock_guard lock(m_mutex);
            m_units.push_back(std::move(unit));
        }
            m_changed.notify_all();
        }
    }
}

DWORD Bzip2Decoder::Step(Buffers& buffers, bool finish, bool& ended) {
    ended = false;
    for (;;) {
        // The file's bytes are taken while few wait to be cut into blocks.
        if (buffers.inLeft > 0 && m_splitter.Pending() < kMostPending) {
            m_splitter.Add(buffers.in, buffers.inLeft);
            buffers.in += buffers.inLeft;
            buffers.inLeft = 0;
        }
        Split(finish && buffers.inLeft == 0);
        std::unique_lock lock(m_mutex);
        if (m_units.empty()) {
            if (m_splitEnded) {
                ended = m_splitError == 0;
                return m_splitError;
            }
            // Nothing to hand out until the file gives more.
            return 0;
        }
        m_changed.wait(lock, [this] { return FrontReady(); });
        if (m_units.front()->error != 0) {
            // The rest of a block cut in two may be in what the file gives next.
            if (m_units.size() < 2 && !m_splitEnded)
                return 0;
            if (DWORD error = JoinFront(lock); error != 0)
                return error;
        }
        lock.unlock();
        bool gave = false;
        if (DWORD error = TakeFront(buffers, gave); error != 0)
            return error;
        if (gave || buffers.outLeft == 0)
            return 0;
    }
}

// A block that fails may be the first half of one that a false mark cut in two;
// joined to the next, it is whole again. Called with the lock held.
DWORD Bzip2Decoder::JoinFront(std::unique_lock<std::mutex>& lock) {
    Unit& front = *m_units.front();
    if (m_units.size() < 2 || m_units[1]->streamEnd)
        return front.error;
    m_changed.wait(lock, [this] { return m_units[1]->decoded; });
    const Block joined = bzip2::Joined(front.block, m_units[1]->block);
    lock.unlock();
    std::vector<std::vector<BYTE>> pieces;
    const DWORD error = bzip2::DecodeBlock(joined, pieces);
    lock.lock();
    if (error != 0)
        return front.error;
    front.pieces = std::move(pieces);
    front.error = 0;
    m_units.erase(m_units.begin() + 1);
    return 0;
}

// Hands out the front block's bytes; a block all handed out, or a stream's end,
// makes way for the next.
DWORD Bzip2Decoder::TakeFront(Buffers& buffers, bool& gave) {
    Unit& front = *m_units.front();
    if (front.streamEnd) {
        const bool same = front.streamCrc == m_streamCrc;
        m_streamCrc = 0;
        if (!same)
            return ERROR_INVALID_DATA;
    } else {
        while (buffers.outLeft > 0 && front.piece < front.pieces.size()) {
            const std::vector<BYTE>& piece = front.pieces[front.piece];
            const std::size_t count = std::min(buffers.outLeft, piece.size() - front.given);
            std::memcpy(buffers.out, piece.data() + front.given, count);
            buffers.out += count;
            buffers.outLeft -= count;
            front.given += count;
            gave = gave || count > 0;
            if (front.given == piece.size()) {
                ++front.piece;
                front.given = 0;
            }
        }
        if (front.piece < front.pieces.size())
            return 0;
        m_streamCrc = (m_streamCrc << 1 | m_streamCrc >> 31) ^ front.block.crc;
    }
    std::lock_guard lock(m_mutex);
    m_units.pop_front();
    m_changed.notify_all();
    return 0;
}

} // namespace

std::unique_ptr<Decoder> NewBzip2Decoder(DWORD& error) {
    error = 0;
    return std::make_unique<Bzip2Decoder>();
}

} // namespace codec
