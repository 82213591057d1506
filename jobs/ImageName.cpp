#include "jobs/ImageName.h"
#include "platform/compress/Compression.h"

#include <string_view>

USHORT ImageFormatOfName(const CString& path) {
    struct Extension {
        std::string_view text;
        USHORT format;
    };
    static constexpr Extension kExtensions[] = {
        {".zst", COMPRESSION_FORMAT_ZSTD},
        {".xz", COMPRESSION_FORMAT_XZ},
        {".gz", COMPRESSION_FORMAT_GZIP},
    };
    // No byte of an extension is ever the second byte of a double-byte character.
    const std::string_view name = path.str();
    for (const Extension& extension : kExtensions)
        if (name.ends_with(extension.text))
            return extension.format;
    return COMPRESSION_FORMAT_NONE;
}
