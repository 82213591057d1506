#include "platform/compress/Codec.h"
#include "platform/compress/Compression.h"
#include "platform/kernel/HandleTable.h"

#include <vector>

namespace codec {

namespace {

constexpr DWORD kOutputBlock = 1 << 20;

// Bytes written front to back, compressed into a file. The stream ends once, at
// the flush or the close; the file is then a complete compressed file.
class CompressedFile : public kernel::OpenObject {
public:
    CompressedFile(HANDLE file, std::unique_ptr<Encoder> encoder)
        : m_file(file), m_encoder(std::move(encoder)), m_output(kOutputBlock) {}

    DWORD Read(ULONGLONG, void*, DWORD, DWORD& done) override {
        done = 0;
        return ERROR_ACCESS_DENIED;
    }
    DWORD Write(ULONGLONG offset, const void* buffer, DWORD count, DWORD& done) override {
        done = 0;
        if (m_ended)
            return ERROR_ACCESS_DENIED;
        if (offset != m_taken)
            return ERROR_SEEK;
        Buffers buffers{static_cast<const BYTE*>(buffer), count, nullptr, 0};
        while (buffers.inLeft > 0)
            if (DWORD error = Step(buffers, false); error != 0)
                return error;
        // What the compressor has given out is in the file before the write returns,
        // so that its progress is what the file holds.
        if (DWORD error = WriteOutput(); error != 0)
            return error;
        m_taken += count;
        done = count;
        return 0;
    }
    // The bytes written to the stream that have been compressed into the file.
    ULONGLONG Compressed() { return m_encoder->Consumed(); }
    DWORD Size(LONGLONG&) override { return ERROR_NOT_SUPPORTED; }
    DWORD Control(DWORD, const void*, DWORD, void*, DWORD, DWORD&) override {
        return ERROR_NOT_SUPPORTED;
    }
    DWORD SectorSize() const override { return 0; }
    DWORD Flush() override {
        if (DWORD error = End(); error != 0)
            return error;
        return FlushFileBuffers(m_file) ? 0 : GetLastError();
    }
    DWORD Close() override {
        const DWORD error = End();
        const bool closed = CloseHandle(m_file) != FALSE;
        return error != 0 ? error : closed ? 0 : GetLastError();
    }

private:
    DWORD End() {
        Buffers buffers;
        while (!m_ended)
            if (DWORD error = Step(buffers, true); error != 0)
                return error;
        return 0;
    }

    // One step of the encoder into the output block, which goes to the file when
    // full and at the end.
    DWORD Step(Buffers& buffers, bool finish) {
        buffers.out = m_output.data() + m_outputUsed;
        buffers.outLeft = kOutputBlock - m_outputUsed;
        bool ended = false;
        if (DWORD error = m_encoder->Step(buffers, finish, ended); error != 0)
            return error;
        m_outputUsed = kOutputBlock - static_cast<DWORD>(buffers.outLeft);
        if (m_outputUsed == kOutputBlock || ended)
            if (DWORD error = WriteOutput(); error != 0)
                return error;
        m_ended = ended;
        return 0;
    }

    DWORD WriteOutput() {
        DWORD written = 0;
        if (m_outputUsed > 0 &&
            !WriteFile(m_file, m_output.data(), m_outputUsed, &written, nullptr))
            return GetLastError();
        if (written < m_outputUsed)
            return ERROR_DISK_FULL;
        m_outputUsed = 0;
        return 0;
    }

    HANDLE m_file;
    std::unique_ptr<Encoder> m_encoder;
    std::vector<BYTE> m_output;
    DWORD m_outputUsed = 0;
    ULONGLONG m_taken = 0; // bytes written to the stream
    bool m_ended = false;
};

} // namespace

} // namespace codec

HANDLE CreateCompressor(HANDLE file, USHORT format) {
    DWORD error = 0;
    std::unique_ptr<codec::Encoder> encoder = codec::NewEncoder(format, error);
    if (!encoder) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    auto stream = std::make_shared<kernel::FileHandle>();
    stream->object = std::make_unique<codec::CompressedFile>(file, std::move(encoder));
    return kernel::AddHandle(std::move(stream));
}

BOOL GetCompressorProgress(HANDLE stream, ULONGLONG* compressed) {
    const auto handle = kernel::FindHandleOf<kernel::FileHandle>(stream);
    auto* file = handle ? dynamic_cast<codec::CompressedFile*>(handle->object.get()) : nullptr;
    if (file == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *compressed = file->Compressed();
    return TRUE;
}
