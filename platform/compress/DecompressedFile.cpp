#include "platform/compress/Codec.h"
#include "platform/compress/Compression.h"
#include "platform/kernel/HandleTable.h"

#include <optional>
#include <vector>

namespace codec {

namespace {

constexpr DWORD kInputBlock = 1 << 20;

// The decompressed bytes of a file, read front to back. A read fails whole, so
// that none of its bytes are taken for good ones.
class DecompressedFile : public kernel::OpenObject {
public:
    DecompressedFile(HANDLE file, USHORT format, std::unique_ptr<Decoder> decoder)
        : m_file(file), m_format(format), m_decoder(std::move(decoder)), m_input(kInputBlock),
          m_recordedError(RecordedSize(m_file, m_format, m_recorded)) {
        if (m_recordedError == 0)
            m_end = m_recorded;
    }

    DWORD Read(ULONGLONG offset, void* buffer, DWORD count, DWORD& done) override {
        done = 0;
        if (offset == 0 && m_produced != 0)
            if (DWORD error = Restart(); error != 0)
                return error;
        if (offset != m_produced)
            return ERROR_SEEK;
        std::size_t filled = 0;
        if (m_error == 0)
            m_error = FillOutput(static_cast<BYTE*>(buffer), count, filled);
        if (m_error == 0 && !m_ended && m_end && m_produced + filled == *m_end)
            m_error = FinishAtEnd();
        done = m_error == 0 ? static_cast<DWORD>(filled) : 0;
        m_produced += done;
        if (m_error == 0 && m_ended)
            m_end = m_produced;
        return m_error;
    }
    DWORD Write(ULONGLONG, const void*, DWORD, DWORD& done) override {
        done = 0;
        return ERROR_ACCESS_DENIED;
    }
    DWORD Size(LONGLONG& size) override {
        size = static_cast<LONGLONG>(m_recorded);
        return m_recordedError;
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
        m_inputEnded = m_streamEnded = m_ended = m_atEnd = false;
        m_error = 0;
        return 0;
    }

    DWORD FillOutput(BYTE* out, std::size_t count, std::size_t& filled) {
        Buffers buffers{m_in, m_inLeft, out, count};
        const DWORD error = Fill(buffers);
        m_in = buffers.in;
        m_inLeft = buffers.inLeft;
        filled = count - buffers.outLeft;
        return error;
    }

    // The last block's check (xz's CRC-64, zstd's frame checksum, gzip's CRC-32)
    // follows its last byte, so a read that ends the data drives the streams on to
    // the file's end: a damaged last block fails that read, and so do bytes past
    // the recorded size.
    DWORD FinishAtEnd() {
        BYTE extra[4096];
        std::size_t filled = 0;
        if (DWORD error = FillOutput(extra, sizeof extra, filled); error != 0)
            return error;
        return filled == 0 ? 0 : ERROR_INVALID_DATA;
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

    // A file gives less than asked for only at its end, where the next read would
    // bring nothing: it is not asked for, since an unbuffered file refuses a read
    // that begins off its sectors.
    DWORD ReadInput(Buffers& buffers) {
        DWORD done = 0;
        if (!m_atEnd)
            if (DWORD error = ReadAt(m_file, m_read, m_input.data(), kInputBlock, done); error != 0)
                return error;
        m_atEnd = done < kInputBlock;
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
    ULONGLONG m_recorded = 0; // the size the format records, unless m_recordedError
    DWORD m_recordedError;
    const BYTE* m_in = nullptr;
    std::size_t m_inLeft = 0;
    ULONGLONG m_read = 0;     // bytes of the file read
    ULONGLONG m_produced = 0; // decompressed bytes handed out
    bool m_inputEnded = false;
    bool m_atEnd = false; // a read of the file brought less than it asked for
    bool m_streamEnded = false;
    bool m_ended = false;
    // Where the data ends: the size the format records, or where a read met the end.
    std::optional<ULONGLONG> m_end;
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
