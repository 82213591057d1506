#include "platform/compress/Codec.h"
#include "platform/kernel/Kernel.h"

#include <lzma.h>

#include <cstdint>
#include <vector>

namespace codec {

namespace {

DWORD ErrorOf(lzma_ret result) {
    switch (result) {
    case LZMA_OK:
    case LZMA_STREAM_END:
        return 0;
    case LZMA_MEM_ERROR:
    case LZMA_MEMLIMIT_ERROR:
        return ERROR_NOT_ENOUGH_MEMORY;
    case LZMA_BUF_ERROR: // no progress with all of the file given: it ends too soon
        return ERROR_TRUNCATED_DATA;
    default:
        return ERROR_INVALID_DATA;
    }
}

// Both directions step the same way over one lzma_stream.
class XzStream {
public:
    XzStream() = default;
    ~XzStream() { lzma_end(&m_stream); }
    XzStream(const XzStream&) = delete;
    XzStream& operator=(const XzStream&) = delete;

    lzma_stream* Get() { return &m_stream; }

    DWORD Step(Buffers& buffers, bool finish, bool& ended) {
        m_stream.next_in = buffers.in;
        m_stream.avail_in = buffers.inLeft;
        m_stream.next_out = buffers.out;
        m_stream.avail_out = buffers.outLeft;
        const lzma_ret result = lzma_code(&m_stream, finish ? LZMA_FINISH : LZMA_RUN);
        buffers.in = m_stream.next_in;
        buffers.inLeft = m_stream.avail_in;
        buffers.out = m_stream.next_out;
        buffers.outLeft = m_stream.avail_out;
        ended = result == LZMA_STREAM_END;
        return ErrorOf(result);
    }

private:
    lzma_stream m_stream = LZMA_STREAM_INIT;
};

// Decodes on every processor where the file has several blocks (as xz -T0 makes
// them), each thread with a block's worth of memory, within a quarter of the RAM.
class XzDecoder : public Decoder {
public:
    DWORD Start() {
        lzma_mt options{};
        options.flags = LZMA_CONCATENATED;
        options.threads = WorkerThreads();
        options.memlimit_threading = lzma_physmem() / 4;
        options.memlimit_stop = UINT64_MAX;
        return ErrorOf(lzma_stream_decoder_mt(m_stream.Get(), &options));
    }
    DWORD Step(Buffers& buffers, bool finish, bool& ended) override {
        return m_stream.Step(buffers, finish, ended);
    }

private:
    XzStream m_stream;
};

// A block per thread is what ending the stream after a stop waits for: xz's own
// blocks (three dictionaries, 24 MiB) take several seconds each at preset 6, where
// a thread compresses a disk's data at about 2 MB/s. Blocks of 1 MiB (two chunks)
// end within about a second, at the cost of a little of the ratio.
constexpr uint64_t kXzBlockSize = 1 << 20;

// xz's own default, preset 6 with a CRC64 check, in blocks compressed side by side.
class XzEncoder : public Encoder {
public:
    DWORD Start() {
        lzma_mt options{};
        options.threads = WorkerThreads();
        options.block_size = kXzBlockSize;
        options.preset = LZMA_PRESET_DEFAULT;
        options.check = LZMA_CHECK_CRC64;
        return ErrorOf(lzma_stream_encoder_mt(m_stream.Get(), &options));
    }
    DWORD Step(Buffers& buffers, bool finish, bool& ended) override {
        return m_stream.Step(buffers, finish, ended);
    }
    ULONGLONG Consumed() override {
        uint64_t in = 0;
        uint64_t out = 0;
        lzma_get_progress(m_stream.Get(), &in, &out);
        return in;
    }

private:
    XzStream m_stream;
};

} // namespace

std::unique_ptr<Decoder> NewXzDecoder(DWORD& error) {
    return Started<XzDecoder, Decoder>(error);
}

std::unique_ptr<Encoder> NewXzEncoder(DWORD& error) {
    return Started<XzEncoder, Encoder>(error);
}

// The index at the end of each stream holds its size; the file-information
// decoder reads them, seeking from index to index.
DWORD XzRecordedSize(HANDLE file, ULONGLONG& size) {
    LARGE_INTEGER fileSize{};
    if (!GetFileSizeEx(file, &fileSize))
        return GetLastError();
    XzStream stream;
    lzma_index* index = nullptr;
    lzma_ret result = lzma_file_info_decoder(stream.Get(), &index, UINT64_MAX,
                                             static_cast<uint64_t>(fileSize.QuadPart));
    std::vector<BYTE> block(64 * 1024);
    ULONGLONG at = 0;
    while (result == LZMA_OK || result == LZMA_SEEK_NEEDED) {
        if (result == LZMA_SEEK_NEEDED) {
            at = stream.Get()->seek_pos;
            stream.Get()->avail_in = 0;
        }
        DWORD done = 0;
        if (stream.Get()->avail_in == 0) {
            if (DWORD error =
                    ReadAt(file, at, block.data(), static_cast<DWORD>(block.size()), done);
                error != 0)
                return error;
            at += done;
            stream.Get()->next_in = block.data();
            stream.Get()->avail_in = done;
        }
        result = lzma_code(stream.Get(),
                           done == 0 && stream.Get()->avail_in == 0 ? LZMA_FINISH : LZMA_RUN);
    }
    if (result != LZMA_STREAM_END)
        return ERROR_NOT_SUPPORTED;
    size = lzma_index_uncompressed_size(index);
    lzma_index_end(index, nullptr);
    return 0;
}

} // namespace codec
