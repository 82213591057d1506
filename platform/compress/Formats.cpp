#include "platform/compress/Codec.h"
#include "platform/compress/Compression.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>
#include <thread>

namespace codec {

namespace {

struct Format {
    USHORT id;
    std::string_view magic;
    std::unique_ptr<Decoder> (*decoder)(DWORD&);
    std::unique_ptr<Encoder> (*encoder)(DWORD&);
    DWORD (*recordedSize)(HANDLE, ULONGLONG&);
};

using namespace std::string_view_literals;
const Format kFormats[] = {
    {COMPRESSION_FORMAT_XZ,
     "\xFD"
     "7zXZ\0"sv,
     NewXzDecoder, NewXzEncoder, XzRecordedSize},
    {COMPRESSION_FORMAT_GZIP, "\x1F\x8B\x08"sv, NewGzipDecoder, NewGzipEncoder, nullptr},
    {COMPRESSION_FORMAT_ZSTD, "\x28\xB5\x2F\xFD"sv, NewZstdDecoder, NewZstdEncoder,
     ZstdRecordedSize},
    {COMPRESSION_FORMAT_BZIP2, "BZh"sv, NewBzip2Decoder, nullptr, nullptr},
};

const Format* Find(USHORT id) {
    const auto* found = std::find_if(std::begin(kFormats), std::end(kFormats),
                                     [id](const Format& format) { return format.id == id; });
    return found == std::end(kFormats) ? nullptr : found;
}

} // namespace

std::unique_ptr<Decoder> NewDecoder(USHORT id, DWORD& error) {
    const Format* format = Find(id);
    error = ERROR_NOT_SUPPORTED;
    return format != nullptr ? format->decoder(error) : nullptr;
}

std::unique_ptr<Encoder> NewEncoder(USHORT id, DWORD& error) {
    const Format* format = Find(id);
    error = ERROR_NOT_SUPPORTED;
    return format != nullptr && format->encoder != nullptr ? format->encoder(error) : nullptr;
}

DWORD RecordedSize(HANDLE file, USHORT id, ULONGLONG& size) {
    const Format* format = Find(id);
    if (format == nullptr || format->recordedSize == nullptr)
        return ERROR_NOT_SUPPORTED;
    return format->recordedSize(file, size) == 0 ? 0 : ERROR_NOT_SUPPORTED;
}

DWORD ReadAt(HANDLE file, ULONGLONG offset, void* buffer, DWORD count, DWORD& done) {
    done = 0;
    if (!SetFilePointerEx(file, LARGE_INTEGER{static_cast<LONGLONG>(offset)}, nullptr,
                          FILE_BEGIN) ||
        !ReadFile(file, buffer, count, &done, nullptr))
        return GetLastError();
    return 0;
}

unsigned WorkerThreads() {
    return std::max(1u, std::thread::hardware_concurrency());
}

} // namespace codec

USHORT GetCompressionFormat(HANDLE file) {
    LARGE_INTEGER pointer{};
    if (!SetFilePointerEx(file, LARGE_INTEGER{0}, &pointer, FILE_CURRENT))
        return COMPRESSION_FORMAT_NONE;
    char start[8] = {};
    DWORD done = 0;
    const DWORD error = codec::ReadAt(file, 0, start, sizeof start, done);
    SetFilePointerEx(file, pointer, nullptr, FILE_BEGIN);
    for (const codec::Format& format : codec::kFormats)
        if (error == 0 && done >= format.magic.size() &&
            std::memcmp(start, format.magic.data(), format.magic.size()) == 0)
            return format.id;
    return COMPRESSION_FORMAT_NONE;
}
