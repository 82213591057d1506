#include "platform/framework/CFile.h"

CFile::~CFile() {
    if (m_bCloseOnDelete)
        Close();
}

BOOL CFile::Open(const char* fileName, UINT openFlags) {
    Close();
    const DWORD access = (openFlags & modeWrite) ? GENERIC_WRITE : GENERIC_READ;
    const DWORD disposition = (openFlags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
    m_hFile =
        CreateFileA(fileName, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    m_bCloseOnDelete = m_hFile != INVALID_HANDLE_VALUE;
    return m_bCloseOnDelete ? TRUE : FALSE;
}

BOOL CFile::Write(const void* buffer, UINT count) {
    DWORD written = 0;
    if (!WriteFile(m_hFile, buffer, count, &written, nullptr))
        return FALSE;
    if (written < count) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return TRUE;
}

BOOL CFile::Seek(LONGLONG offset, UINT from) {
    return SetFilePointerEx(m_hFile, LARGE_INTEGER{offset}, nullptr, from);
}

BOOL CFile::Flush() {
    return FlushFileBuffers(m_hFile);
}

BOOL CFile::Close() {
    BOOL closed = m_bCloseOnDelete ? CloseHandle(m_hFile) : TRUE;
    m_hFile = INVALID_HANDLE_VALUE;
    m_bCloseOnDelete = false;
    return closed;
}
