#pragma once
// Image files compressed in the formats disk images are shipped in. A stream is a
// handle like a file's, over an image file it takes over: ReadFile gives the
// decompressed bytes, WriteFile takes bytes to compress, CloseHandle closes the
// file too. Errors are the thread's last error, as for any handle.
#include "platform/kernel/Kernel.h"

inline constexpr USHORT COMPRESSION_FORMAT_NONE = 0;
inline constexpr USHORT COMPRESSION_FORMAT_XZ = 0x101;
inline constexpr USHORT COMPRESSION_FORMAT_GZIP = 0x102;
inline constexpr USHORT COMPRESSION_FORMAT_ZSTD = 0x103;
inline constexpr USHORT COMPRESSION_FORMAT_BZIP2 = 0x104;

// The format the file's first bytes name, COMPRESSION_FORMAT_NONE for any other
// file (one whose start cannot be read too). The file pointer stays where it was.
USHORT GetCompressionFormat(HANDLE file);

// Reads the decompressed bytes of the file, from its start on, also of streams
// one after another in one file. A read fills its buffer unless the data ends, or
// fails whole: ERROR_INVALID_DATA for a corrupt stream, ERROR_TRUNCATED_DATA for
// one the file ends inside, and every read after it fails the same way. Reading
// from position 0 again starts again; any other seek fails the next read with
// ERROR_SEEK. GetFileSizeEx gives the decompressed size where the format records
// it (the xz index, the zstd frame headers) and fails with ERROR_NOT_SUPPORTED
// where it does not. INVALID_HANDLE_VALUE when it cannot start; the file is then
// still the caller's.
HANDLE CreateDecompressor(HANDLE file, USHORT format);

// Writes into the file compressed (xz, gzip or zstd). FlushFileBuffers ends the
// stream, so that the file is complete, and then flushes the file; a write after
// it fails. Closing a stream not yet ended ends it.
HANDLE CreateCompressor(HANDLE file, USHORT format);
// How many of the bytes written to a compressing stream are compressed into its
// file; the rest wait in the compressor (a block or job per thread for xz and zstd).
BOOL GetCompressorProgress(HANDLE stream, ULONGLONG* compressed);
