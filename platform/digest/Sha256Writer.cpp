#include "platform/digest/Digest.h"
#include "platform/kernel/HandleTable.h"
#include "platform/kernel/Kernel.h"

namespace digest {

namespace {

// Writes go to the file as they come, front to back; each one's bytes are added
// to the digest once the file has taken them all.
class Sha256Writer : public kernel::OpenObject {
public:
    explicit Sha256Writer(HANDLE file) : m_file(file) {}

    DWORD Read(ULONGLONG, void*, DWORD, DWORD& done) override {
        done = 0;
        return ERROR_ACCESS_DENIED;
    }
    DWORD Write(ULONGLONG offset, const void* buffer, DWORD count, DWORD& done) override {
        done = 0;
        if (offset != m_written)
            return ERROR_SEEK;
        if (!WriteFile(m_file, buffer, count, &done, nullptr))
            return GetLastError();
        if (done == count)
            m_sha256.Add(buffer, count);
        else
            m_whole = false;
        m_written += done;
        return 0;
    }
    DWORD Size(LONGLONG& size) override {
        LARGE_INTEGER bytes{};
        const bool known = GetFileSizeEx(m_file, &bytes) != FALSE;
        size = bytes.QuadPart;
        return known ? 0 : GetLastError();
    }
    DWORD Control(DWORD, const void*, DWORD, void*, DWORD, DWORD&) override {
        return ERROR_NOT_SUPPORTED;
    }
    DWORD SectorSize() const override { return 0; }
    DWORD Flush() override { return FlushFileBuffers(m_file) ? 0 : GetLastError(); }
    DWORD Close() override { return CloseHandle(m_file) ? 0 : GetLastError(); }

    // A write the file took only in part leaves the digest unknown.
    std::string Finish() { return m_whole ? m_sha256.Finish() : std::string(); }

private:
    HANDLE m_file;
    Sha256 m_sha256;
    ULONGLONG m_written = 0;
    bool m_whole = true;
};

} // namespace

HANDLE CreateSha256Writer(HANDLE file) {
    auto writer = std::make_shared<kernel::FileHandle>();
    writer->object = std::make_unique<Sha256Writer>(file);
    return kernel::AddHandle(std::move(writer));
}

std::string FinishWrittenSha256(HANDLE writer) {
    const auto handle = kernel::FindHandleOf<kernel::FileHandle>(writer);
    auto* file = handle ? dynamic_cast<Sha256Writer*>(handle->object.get()) : nullptr;
    return file != nullptr ? file->Finish() : std::string();
}

} // namespace digest
