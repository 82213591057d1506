#pragma once
// One format's decoder and encoder, driven over buffers by the streams
// (DecompressedFile, CompressedFile), and what the format records of its size.
#include "platform/kernel/Types.h"

#include <cstddef>
#include <memory>
#include <utility>

namespace codec {

// What a step takes from and gives to; each step moves the pointers on.
struct Buffers {
    const BYTE* in = nullptr;
    std::size_t inLeft = 0;
    BYTE* out = nullptr;
    std::size_t outLeft = 0;
};

class Decoder {
public:
    virtual ~Decoder() = default;
    // One step; finish: no more input follows. ended: a stream (a gzip member, a
    // zstd frame) ended here. 0 or an error code.
    virtual DWORD Step(Buffers& buffers, bool finish, bool& ended) = 0;
    // Makes ready for the stream that follows one that ended.
    virtual DWORD NextStream() { return 0; }
};

class Encoder {
public:
    virtual ~Encoder() = default;
    // One step; finish: end the stream, ended once it has all been given out.
    virtual DWORD Step(Buffers& buffers, bool finish, bool& ended) = 0;
    // The input bytes compressed so far; a library compressing on several threads
    // holds more than that in its buffers.
    virtual ULONGLONG Consumed() = 0;
};

// Null, with the error, when the format has none or it cannot start.
std::unique_ptr<Decoder> NewDecoder(USHORT format, DWORD& error);
std::unique_ptr<Encoder> NewEncoder(USHORT format, DWORD& error);
// The decompressed size the file's format records: 0, or ERROR_NOT_SUPPORTED
// where it records none (or the record cannot be read).
DWORD RecordedSize(HANDLE file, USHORT format, ULONGLONG& size);

std::unique_ptr<Decoder> NewXzDecoder(DWORD& error);
std::unique_ptr<Encoder> NewXzEncoder(DWORD& error);
DWORD XzRecordedSize(HANDLE file, ULONGLONG& size);
std::unique_ptr<Decoder> NewGzipDecoder(DWORD& error);
std::unique_ptr<Encoder> NewGzipEncoder(DWORD& error);
std::unique_ptr<Decoder> NewZstdDecoder(DWORD& error);
std::unique_ptr<Encoder> NewZstdEncoder(DWORD& error);
DWORD ZstdRecordedSize(HANDLE file, ULONGLONG& size);
std::unique_ptr<Decoder> NewBzip2Decoder(DWORD& error);

// A coder whose Start() went well, or null with its error.
template <typename T, typename Base> std::unique_ptr<Base> Started(DWORD& error) {
    auto coder = std::make_unique<T>();
    error = coder->Start();
    return error == 0 ? std::unique_ptr<Base>(std::move(coder)) : nullptr;
}

// Reads at an offset of the file, as many bytes as there are up to count.
DWORD ReadAt(HANDLE file, ULONGLONG offset, void* buffer, DWORD count, DWORD& done);
// Threads for the libraries that compress or decompress with several.
unsigned WorkerThreads();

} // namespace codec
