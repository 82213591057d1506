#include "ui/ImageResume.h"

#include "jobs/ImageName.h"
#include "jobs/RescueMap.h"
#include "platform/compress/Compression.h"
#include "platform/framework/Dialog.h"
#include "platform/text/Cp932.h"

namespace {

bool ImageExists(const CString& path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

} // namespace

ResumeChoice AskToResume(const JobParams& params) {
    const CString map = MapNameOf(params.strText);
    if (ImageFormatOfName(params.strText) != COMPRESSION_FORMAT_NONE ||
        !ImageExists(params.strText))
        return ResumeChoice::Fresh;
    RescueMap found;
    const MapLoad load = LoadMap(map, found);
    if (load == MapLoad::Missing)
        return ResumeChoice::Fresh;
    if (load == MapLoad::Unreadable ||
        !MapFits(found, (params.llLastLba + 1) * params.nSectorSize)) {
        AfxMessageBox(Jp(kMapUnfit).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return ResumeChoice::Refused;
    }
    if (AfxMessageBox(Jp("前回の続きから読み取りますか？").c_str(), MB_YESNO | MB_ICONQUESTION) ==
        IDYES)
        return ResumeChoice::Resume;
    DeleteFileA(map);
    return ResumeChoice::Fresh;
}
