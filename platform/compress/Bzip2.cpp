#include "platform/compress/Codec.h"
#include "platform/kernel/Kernel.h"

#include <bzlib.h>

namespace codec {

namespace {

DWORD ErrorOf(int result) {
    switch (result) {
    case BZ_OK:
    case BZ_STREAM_END:
        return 0;
    case BZ_MEM_ERROR:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_INVALID_DATA;
    }
}

// One thread: libbz2 has no more. Streams that follow one another (as pbzip2 and
// lbzip2 write them) each start a new decompression.
class Bzip2Decoder : public Decoder {
public:
    DWORD Start() {
        const DWORD error = ErrorOf(BZ2_bzDecompressInit(&m_stream, 0, 0));
        m_started = error == 0;
        return error;
    }
    ~Bzip2Decoder() override { End(); }
    DWORD Step(Buffers& buffers, bool, bool& ended) override {
        // libbz2 counts in 32 bits; the buffers of the streams are far smaller.
        m_stream.next_in = const_cast<char*>(reinterpret_cast<const char*>(buffers.in));
        m_stream.avail_in = static_cast<unsigned>(buffers.inLeft);
        m_stream.next_out = reinterpret_cast<char*>(buffers.out);
        m_stream.avail_out = static_cast<unsigned>(buffers.outLeft);
        const int result = BZ2_bzDecompress(&m_stream);
        buffers.in = reinterpret_cast<const BYTE*>(m_stream.next_in);
        buffers.inLeft = m_stream.avail_in;
        buffers.out = reinterpret_cast<BYTE*>(m_stream.next_out);
        buffers.outLeft = m_stream.avail_out;
        ended = result == BZ_STREAM_END;
        return ErrorOf(result);
    }
    DWORD NextStream() override {
        End();
        m_stream = bz_stream{};
        return Start();
    }

private:
    void End() {
        if (m_started)
            BZ2_bzDecompressEnd(&m_stream);
        m_started = false;
    }

    bz_stream m_stream{};
    bool m_started = false;
};

} // namespace

std::unique_ptr<Decoder> NewBzip2Decoder(DWORD& error) {
    return Started<Bzip2Decoder, Decoder>(error);
}

} // namespace codec
