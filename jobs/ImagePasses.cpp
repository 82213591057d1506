#include "jobs/ChecksumFile.h"
#include "jobs/ImageRestoreRun.h"
#include "platform/framework/Dialog.h"
#include "platform/text/Cp932.h"

#include <limits>

// An image that a checksum file beside it names is checked against it before
// anything is written: a copy that went wrong on its way to this machine is
// refused while the card still holds what it held. An image no such file names is
// written unchecked.
bool ImageRestoreRun::MatchesChecksumFile() {
    const std::string expected = ExpectedSha256(JobText());
    if (expected.empty())
        return true;
    digest::Sha256 sha256;
    LONGLONG read = 0;
    if (!ReadThrough(
            std::numeric_limits<LONGLONG>::max(),
            [&sha256](const BYTE* bytes, DWORD length) { sha256.Add(bytes, length); }, read))
        return false;
    if (SameSha256(sha256.Finish(), expected))
        return true;
    AfxMessageBox(Jp("イメージファイルのチェックサムが一致しません。").c_str(),
                  MB_OK | MB_ICONEXCLAMATION);
    return false;
}

// A compressed image whose format records no size is decompressed once to count
// it. It counts no further than one chunk past the capacity, enough to refuse the
// image. The window names the pass while it lasts.
bool ImageRestoreRun::CountSize(LONGLONG& size) {
    SetCountingImage(true);
    const bool counted = ReadThrough(Device().GetCapacity(0), {}, size);
    SetCountingImage(false);
    return counted;
}

// A pass through the image from its start, before anything is written, to its end
// or past limit bytes: the window shows it as the position, and a stop ends the
// job on sector 0. A failed read is reported on the chunk that failed. The image
// is then read again from its start.
bool ImageRestoreRun::ReadThrough(LONGLONG limit,
                                  const std::function<void(const BYTE*, DWORD)>& take,
                                  LONGLONG& read) {
    const LONGLONG before = Position();
    const ChunkBuffer buffer = NewChunkBuffer(ChunkLength());
    read = 0;
    Device().RateStart();
    for (DWORD done = ChunkLength(); done != 0 && read <= limit; read += done) {
        SetPosition(read);
        if (StopRequested()) {
            SetPosition(0);
            return false;
        }
        if (!ReadFile(m_image, buffer.get(), ChunkLength(), &done, nullptr)) {
            ShowLastError();
            return false;
        }
        if (take)
            take(buffer.get(), done);
        Device().RateUpdate();
    }
    SetPosition(before);
    return SetFilePointerEx(m_image, LARGE_INTEGER{0}, nullptr, FILE_BEGIN) != FALSE;
}
