#pragma once
// A file opened by name or attached to a handle that is already open, for the
// writes of whole buffers. Nothing here throws: a failure is the result, with the
// thread's last error.
#include "platform/kernel/Kernel.h"

class CFile {
public:
    enum OpenFlags : UINT {
        modeWrite = 0x0001,
        modeCreate = 0x1000,
        typeBinary = 0x8000,
    };
    enum SeekPosition : UINT { begin = FILE_BEGIN, current = FILE_CURRENT, end = FILE_END };

    CFile() = default;
    // Attached: writes go to the handle, which stays open after this object.
    explicit CFile(HANDLE file) : m_hFile(file) {}
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // modeCreate | modeWrite: a new file, or an existing one emptied, opened for
    // writing without sharing.
    BOOL Open(const char* fileName, UINT openFlags);
    // TRUE once all of count bytes are written; a write that stops short fails
    // with ERROR_DISK_FULL.
    BOOL Write(const void* buffer, UINT count);
    // Moves the file pointer; the next write goes there, past the end too.
    BOOL Seek(LONGLONG offset, UINT from);
    // TRUE once what was written is on stable storage.
    BOOL Flush();
    // TRUE when nothing is open or the close went well; a file system may report
    // only here that writes it kept back failed. The file is closed either way.
    BOOL Close();

    HANDLE m_hFile = INVALID_HANDLE_VALUE;

private:
    bool m_bCloseOnDelete = false;
};
