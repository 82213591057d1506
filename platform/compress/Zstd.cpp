#include "platform/compress/Codec.h"
#include "platform/kernel/Kernel.h"

#define ZSTD_STATIC_LINKING_ONLY // ZSTD_getFrameProgression
#include <zstd.h>
#include <zstd_errors.h>

namespace codec {

namespace {

DWORD ErrorOf(size_t result) {
    if (!ZSTD_isError(result))
        return 0;
    return ZSTD_getErrorCode(result) == ZSTD_error_memory_allocation ? ERROR_NOT_ENOUGH_MEMORY
                                                                     : ERROR_INVALID_DATA;
}

template <typename Code> size_t Step(Buffers& buffers, Code code) {
    ZSTD_inBuffer in{buffers.in, buffers.inLeft, 0};
    ZSTD_outBuffer out{buffers.out, buffers.outLeft, 0};
    const size_t result = code(in, out);
    buffers.in += in.pos;
    buffers.inLeft -= in.pos;
    buffers.out += out.pos;
    buffers.outLeft -= out.pos;
    return result;
}

// One thread: the library decodes with no more.
class ZstdDecoder : public Decoder {
public:
    DWORD Start() { return m_context != nullptr ? 0 : ERROR_NOT_ENOUGH_MEMORY; }
    ~ZstdDecoder() override { ZSTD_freeDCtx(m_context); }
    // The frames of a file follow one another without a reset.
    DWORD Step(Buffers& buffers, bool, bool& ended) override {
        const size_t result = codec::Step(buffers, [this](ZSTD_inBuffer& in, ZSTD_outBuffer& out) {
            return ZSTD_decompressStream(m_context, &out, &in);
        });
        ended = result == 0;
        return ErrorOf(result);
    }

private:
    ZSTD_DCtx* m_context = ZSTD_createDCtx();
};

// A job per worker is what ending the frame after a stop waits for; 1 MiB jobs
// (zstd's own are 8 MiB at level 3) keep the position close to what is written
// and still go at the disk's pace.
constexpr int kZstdJobSize = 1 << 20;

// zstd's own default, level 3 with a checksum, on every processor.
class ZstdEncoder : public Encoder {
public:
    DWORD Start() {
        if (m_context == nullptr)
            return ERROR_NOT_ENOUGH_MEMORY;
        ZSTD_CCtx_setParameter(m_context, ZSTD_c_checksumFlag, 1);
        // A library built without threads refuses workers and compresses on one.
        ZSTD_CCtx_setParameter(m_context, ZSTD_c_nbWorkers, static_cast<int>(WorkerThreads()));
        ZSTD_CCtx_setParameter(m_context, ZSTD_c_jobSize, kZstdJobSize);
        return 0;
    }
    ULONGLONG Consumed() override { return ZSTD_getFrameProgression(m_context).consumed; }
    ~ZstdEncoder() override { ZSTD_freeCCtx(m_context); }
    DWORD Step(Buffers& buffers, bool finish, bool& ended) override {
        const size_t result =
            codec::Step(buffers, [this, finish](ZSTD_inBuffer& in, ZSTD_outBuffer& out) {
                return ZSTD_compressStream2(m_context, &out, &in,
                                            finish ? ZSTD_e_end : ZSTD_e_continue);
            });
        ended = finish && result == 0;
        return ErrorOf(result);
    }

private:
    ZSTD_CCtx* m_context = ZSTD_createCCtx();
};

constexpr ULONGLONG kFrameMagic = 0xFD2FB528;
constexpr ULONGLONG kSkippableMagic = 0x184D2A50; // to 0x184D2A5F

ULONGLONG LittleEndian(const BYTE* bytes, unsigned count) {
    ULONGLONG value = 0;
    for (unsigned i = count; i-- > 0;)
        value = value << 8 | bytes[i];
    return value;
}

// One frame's content size from its header, and where its blocks begin. False
// for a frame that does not record its size.
bool ReadFrameHeader(const BYTE* header, ULONGLONG& frameSize, unsigned& headerSize,
                     bool& checksum) {
    const BYTE descriptor = header[4];
    const unsigned sizeFlag = descriptor >> 6;
    const bool singleSegment = (descriptor >> 5) & 1;
    checksum = (descriptor >> 2) & 1;
    static constexpr unsigned kDictionaryBytes[] = {0, 1, 2, 4};
    static constexpr unsigned kSizeBytes[] = {0, 2, 4, 8};
    const unsigned sizeBytes = sizeFlag == 0 && singleSegment ? 1 : kSizeBytes[sizeFlag];
    const unsigned sizeAt = 5 + (singleSegment ? 0 : 1) + kDictionaryBytes[descriptor & 3];
    headerSize = sizeAt + sizeBytes;
    if (sizeBytes == 0)
        return false;
    frameSize = LittleEndian(header + sizeAt, sizeBytes) + (sizeBytes == 2 ? 256 : 0);
    return true;
}

// The end of the frame whose blocks begin at the offset: block headers name the
// length of each block.
DWORD SkipBlocks(HANDLE file, ULONGLONG& at) {
    for (bool last = false; !last;) {
        BYTE header[3];
        DWORD done = 0;
        if (DWORD error = ReadAt(file, at, header, sizeof header, done); error != 0)
            return error;
        const auto value = static_cast<DWORD>(LittleEndian(header, 3));
        const DWORD type = (value >> 1) & 3;
        if (done < sizeof header || type == 3)
            return ERROR_INVALID_DATA;
        last = value & 1;
        at += sizeof header + (type == 1 ? 1 : value >> 3); // an RLE block holds one byte
    }
    return 0;
}

} // namespace

std::unique_ptr<Decoder> NewZstdDecoder(DWORD& error) {
    return Started<ZstdDecoder, Decoder>(error);
}

std::unique_ptr<Encoder> NewZstdEncoder(DWORD& error) {
    return Started<ZstdEncoder, Encoder>(error);
}

// The sum of the frames' content sizes, each from its frame header; the blocks
// between are passed over by their headers, without decoding them.
DWORD ZstdRecordedSize(HANDLE file, ULONGLONG& size) {
    LARGE_INTEGER fileSize{};
    if (!GetFileSizeEx(file, &fileSize))
        return GetLastError();
    ULONGLONG total = 0;
    for (ULONGLONG at = 0; at < static_cast<ULONGLONG>(fileSize.QuadPart);) {
        BYTE header[18] = {};
        DWORD done = 0;
        if (DWORD error = ReadAt(file, at, header, sizeof header, done); error != 0)
            return error;
        const ULONGLONG magic = LittleEndian(header, 4);
        if (done >= 8 && (magic & ~ULONGLONG{0xF}) == kSkippableMagic) {
            at += 8 + LittleEndian(header + 4, 4);
            continue;
        }
        ULONGLONG frameSize = 0;
        unsigned headerSize = 0;
        bool checksum = false;
        if (done < 6 || magic != kFrameMagic ||
            !ReadFrameHeader(header, frameSize, headerSize, checksum))
            return ERROR_NOT_SUPPORTED;
        at += headerSize;
        if (DWORD error = SkipBlocks(file, at); error != 0)
            return error;
        at += checksum ? 4 : 0;
        total += frameSize;
    }
    size = total;
    return 0;
}

} // namespace codec
