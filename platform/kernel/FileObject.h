#pragma once
// An open file or block device behind a handle: transfers, size, and the disk and
// volume control requests.
#include "platform/kernel/Descriptor.h"
#include "platform/kernel/DeviceIdentity.h"
#include "platform/kernel/DiskGeometry.h"
#include "platform/kernel/Machine.h"

#include <mutex>
#include <string>

namespace kernel {

class FileObject : public OpenObject {
public:
    // create: make a new file or empty an existing one; only a file is ever
    // created or replaced, never a device.
    static DWORD Open(const std::string& path, const OpenRequest& request, bool create,
                      DeviceIdentity identity, std::unique_ptr<OpenObject>& opened);

    DWORD Read(ULONGLONG offset, void* buffer, DWORD count, DWORD& done) override;
    DWORD Write(ULONGLONG offset, const void* buffer, DWORD count, DWORD& done) override;
    DWORD Size(LONGLONG& size) override;
    DWORD Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                  DWORD& returned) override;
    DWORD SectorSize() const override { return m_sectorSize; }
    DWORD Flush() override;
    DWORD Close() override { return m_descriptor.Close(); }

private:
    FileObject(bool block, DeviceIdentity identity, bool held, sys::UniqueFd folder);
    DWORD Need();
    DWORD ByteSize(ULONGLONG& size) const;
    DWORD Shape(DiskShape& shape);
    DWORD Lock();
    DWORD Unlock();
    DWORD Dismount() const;
    DWORD Extents(void* out, DWORD outSize, DWORD& returned) const;

    // A block device the user may not open, opened through the broker when it is
    // first needed (Need): its node (O_PATH), what the open asked for, and how the
    // asking went.
    struct Deferred {
        sys::UniqueFd node;
        dev_t device;
        int openFlags;
        DWORD requestFlags;
        DWORD writeRefusal;
        bool writeLater;
        std::mutex mutex{};
        bool asked = false;
        DWORD error = 0;
    };

    Descriptor m_descriptor;
    std::unique_ptr<Deferred> m_deferred;
    bool m_block;
    DWORD m_sectorSize = 0;
    DeviceIdentity m_identity;
    // The exclusive claim: a second descriptor opened O_EXCL on a block device,
    // the file's hold (platform/kernel/FileHold.h) on a file.
    sys::UniqueFd m_claim;
    bool m_fileHeld;
    // The folder of a file this open created: its new name is flushed with it.
    sys::UniqueFd m_folder;
};

} // namespace kernel
