#include "jobs/WholeFile.h"
#include "platform/framework/CFile.h"

BOOL ReplaceWholeFile(const CString& path, const CString& text) {
    const CString fresh = path + ".new";
    CFile file;
    if (!file.Open(fresh, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary))
        return FALSE;
    if (!file.Write(text.GetString(), text.GetLength()) || !file.Flush()) {
        const DWORD error = GetLastError();
        file.Close();
        SetLastError(error);
        return FALSE;
    }
    return file.Close() &&
           MoveFileExA(fresh, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}
