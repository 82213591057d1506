#include "platform/compress/Codec.h"
#include "platform/compress/Compression.h"
#include "platform/kernel/HandleTable.h"

#include <vector>

namespace codec {

namespace {

constexpr DWORD kInputBlock = 1 << 20;

// The decompressed bytes of a file, read front to back. A read fails whole, so
// that none of its bytes are taken for good ones.
class DecompressedFile : public kernel::OpenObject {
public:
    DecompressedFile(HANDLE file, USHORT format, std::unique_ptr<Decoder> decoder)
        : m_file(file), m_format(format), m_decoder(std::move(decoder)), m_input(kInputBlock) {}

    DWORD Read(ULONGLONG offset, void* buffer, DWORD count, DWORD& done) override {
        done = 0;
        if (offset == 0 && m_produced != 0)
            if (DWORD error = Restart(); error != 0)
                return error;
        if (offset != m_produced)
            return ERROR_SEEK;
        if (m_error == 0) {
            Buffers buffers{m_in, m_inLeft, static_cast<BYTE*>(buffer), count};
            m_error = Fill(buffers);
            m_in = buffers.in;
            m_inLeft = buffers.inLeft;
            done = m_error == 0 ? count - static_cast<DWORD>(buffers.outLeft) : 0;
        }
        m_produced += done;
        return m_error;
    }
    DWORD Write(ULONGLONG, const void*, DWORD, DWORD& done) override {
        done = 0;
        return ERROR_ACCESS_DENIED;
    }
    DWORD Size(LONGLONG& size) override {
        ULONGLONG recorded = 0;
        const DWORD error = RecordedSize(m_file, m_format, recorded);
        size = static_cast<LONGLONG>(recorded);
        return error;
    }
    DWORD Control(DWORD, const void*, DWORD, void*, DWORD, DWORD&) override {
        return ERROR_NOT_SUPPORTED;
    }
    DWORD SectorSize() const override { return 0; }
    DWORD Flush() override { return 0; }
    DWORD Close() override { return CloseHandle(m_file) ? 0 : GetLastError(); }

private:
    DWORD Restart() {
        DWORD error = 0;
        std::unique_ptr<Decoder> decoder = NewDecoder(m_format, error);
        if (!decoder)
            return error;
        m_decoder = std::move(decoder);
        m_produced = m_read = 0;
        m_inLeft = 0;
        m_inputEnded = m_streamEnded = m_ended = false;
        m_error = 0;
        return 0;
    }

    DWORD Fill(Buffers& buffers) {
        while (buffers.outLeft > 0 && !m_ended) {
            if (buffers.inLeft == 0 && !m_inputEnded)
                if (DWORD error = ReadInput(buffers); error != 0)
                    return error;
            if (m_streamEnded) {
                // The file ends with a stream, or the next stream begins.
                if (buffers.inLeft == 0 && m_inputEnded) {
                    m_ended = true;
                    break;
                }
                if (DWORD error = m_decoder->NextStream(); error != 0)
                    return error;
                m_streamEnded = false;
            }
            const std::size_t inBefore = buffers.inLeft, outBefore = buffers.outLeft;
            if (DWORD error = m_decoder->Step(buffers, m_inputEnded, m_streamEnded); error != 0)
                return error;
            if (!m_streamEnded && m_inputEnded && buffers.inLeft == inBefore &&
                buffers.outLeft == outBefore)
                return ERROR_TRUNCATED_DATA;
        }
        return 0;
    }

    DWORD ReadInput(Buffers& buffers) {
        DWORD done = 0;
        if (DWORD error = ReadAt(m_file, m_read, m_input.data(), kInputBlock, done); error != 0)
            return error;
        m_read += done;
        m_inputEnded = done == 0;
        buffers.in = m_input.data();
        buffers.inLeft = done;
        return 0;
    }

    HANDLE m_file;
    USHORT m_format;
    std::unique_ptr<Decoder> m_decoder;
    std::vector<BYTE> m_input;
    const BYTE* m_in = nullptr;
    std::size_t m_inLeft = 0;
    ULONGLONG m_read = 0;     // bytes of the file read
    ULONGLONG m_produced = 0; // decompressed bytes handed out
    bool m_inputEnded = false;
    bool m_streamEnded = false;
    bool m_ended = false;
    DWORD m_error = 0; // the failure every later read repeats
};

} // namespace

} // namespace codec

HANDLE CreateDecompressor(HANDLE file, USHORT format) {
    DWORD error = 0;
    std::unique_ptr<codec::Decoder> decoder = codec::NewDecoder(format, error);
    if (!decoder) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    auto stream = std::make_shared<kernel::FileHandle>();
    stream->object = std::make_unique<codec::DecompressedFile>(file, format, std::move(decoder));
    return kernel::AddHandle(std::move(stream));
}
