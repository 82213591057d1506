#include "platform/compress/Codec.h"
#include "platform/kernel/Kernel.h"

#include <zlib.h>

namespace codec {

namespace {

// A gzip header and trailer around deflate data.
constexpr int kGzipWindow = 15 + 16;

DWORD ErrorOf(int result) {
    switch (result) {
    case Z_OK:
    case Z_STREAM_END:
    case Z_BUF_ERROR: // no progress this step; a stream left short is found by its caller
        return 0;
    case Z_MEM_ERROR:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_INVALID_DATA;
    }
}

template <typename Code> DWORD Step(z_stream& stream, Buffers& buffers, Code code) {
    // zlib counts in 32 bits; the buffers of the streams are far smaller.
    stream.next_in = const_cast<Bytef*>(buffers.in);
    stream.avail_in = static_cast<uInt>(buffers.inLeft);
    stream.next_out = buffers.out;
    stream.avail_out = static_cast<uInt>(buffers.outLeft);
    const int result = code();
    buffers.in = stream.next_in;
    buffers.inLeft = stream.avail_in;
    buffers.out = stream.next_out;
    buffers.outLeft = stream.avail_out;
    return result;
}

class GzipDecoder : public Decoder {
public:
    DWORD Start() { return ErrorOf(inflateInit2(&m_stream, kGzipWindow)); }
    ~GzipDecoder() override { inflateEnd(&m_stream); }
    DWORD Step(Buffers& buffers, bool, bool& ended) override {
        const int result =
            codec::Step(m_stream, buffers, [this] { return inflate(&m_stream, Z_NO_FLUSH); });
        ended = result == Z_STREAM_END;
        return ErrorOf(result);
    }
    DWORD NextStream() override { return ErrorOf(inflateReset(&m_stream)); }

private:
    z_stream m_stream{};
};

// gzip's own default, level 6.
class GzipEncoder : public Encoder {
public:
    DWORD Start() {
        return ErrorOf(deflateInit2(&m_stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindow, 8,
                                    Z_DEFAULT_STRATEGY));
    }
    ~GzipEncoder() override { deflateEnd(&m_stream); }
    DWORD Step(Buffers& buffers, bool finish, bool& ended) override {
        const int result = codec::Step(m_stream, buffers, [this, finish] {
            return deflate(&m_stream, finish ? Z_FINISH : Z_NO_FLUSH);
        });
        ended = result == Z_STREAM_END;
        return ErrorOf(result);
    }
    ULONGLONG Consumed() override { return m_stream.total_in; }

private:
    z_stream m_stream{};
};

} // namespace

std::unique_ptr<Decoder> NewGzipDecoder(DWORD& error) {
    return Started<GzipDecoder, Decoder>(error);
}

std::unique_ptr<Encoder> NewGzipEncoder(DWORD& error) {
    return Started<GzipEncoder, Encoder>(error);
}

} // namespace codec
