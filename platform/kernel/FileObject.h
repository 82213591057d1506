#pragma once
// An open file or block device behind a handle: transfers, size, and the disk and
// volume control requests.
#include "platform/kernel/Descriptor.h"
#include "platform/kernel/DeviceIdentity.h"
#include "platform/kernel/DiskGeometry.h"
#include "platform/kernel/Machine.h"

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
    FileObject(Descriptor descriptor, bool block, DWORD sectorSize, DeviceIdentity identity,
               bool held, sys::UniqueFd folder);
    DWORD ByteSize(ULONGLONG& size) const;
    DWORD Shape(DiskShape& shape) const;
    DWORD Lock();
    DWORD Unlock();
    DWORD Dismount() const;
    DWORD Extents(void* out, DWORD outSize, DWORD& returned) const;

    Descriptor m_descriptor;
    bool m_block;
    DWORD m_sectorSize;
    DeviceIdentity m_identity;
    // The exclusive claim: a second descriptor opened O_EXCL on a block device,
    // the file's hold (platform/kernel/FileHold.h) on a file.
    sys::UniqueFd m_claim;
    bool m_fileHeld;
    // The folder of a file this open created: its new name is flushed with it.
    sys::UniqueFd m_folder;
};

} // namespace kernel
