#include "jobs/JobRun.h"

#include <algorithm>

bool JobRun::ReadPass(HANDLE file, LONGLONG start, LONGLONG total, std::size_t readers,
                      const ChunkTaker& take) {
    ReadAhead reader(file, m_chunkLength, total, 0, readers);
    m_device.RateStart();
    for (std::size_t chunk = 0; static_cast<LONGLONG>(chunk) * m_chunkLength < total; ++chunk) {
        const LONGLONG offset = static_cast<LONGLONG>(chunk) * m_chunkLength;
        SetPosition(start + offset);
        if (StopRequested())
            return false;
        const auto length = static_cast<DWORD>(std::min<LONGLONG>(m_chunkLength, total - offset));
        BYTE* bytes = nullptr;
        DWORD done = 0;
        // Without a helper thread the pass cannot read: that fails as a read would.
        const bool read = reader.Started() && reader.Next(bytes, done);
        if (!read || done != length) {
            if (read)
                SetLastError(ERROR_HANDLE_EOF);
            ShowLastError();
            return false;
        }
        if (!take(chunk, bytes, length))
            return false;
        m_device.RateUpdate();
    }
    return true;
}
