#pragma once
// The one drive the user works on: open, locked and measured, with the current
// byte position that the view shows and the jobs advance. The object is also the
// lock that orders a running job against the user interface.
#include "device/JobParams.h"
#include "device/SectorOwners.h"
#include "device/TextKind.h"
#include "platform/framework/CCriticalSection.h"
#include "platform/framework/CStringList.h"
#include "platform/framework/WinThread.h"
#include "platform/kernel/Kernel.h"

#include <atomic>
#include <vector>

class CListBox;

inline constexpr UINT WM_JOB_QUIT = 1624;  // WM_USER + 600: shutdown
inline constexpr UINT WM_JOB_ABORT = 1625; // WM_USER + 601: STOP

inline constexpr int SEARCH_HEX = 3;
inline constexpr int SEARCH_HEX_HEADER = 4;

// One class spread over device/ and jobs/ on purpose: the jobs are operations of
// the device, with its fields, but live beside the job framework. The declarations
// are grouped by the file that defines them (docs/ARCHITECTURE.md has the map).
class DiskDevice : public CCriticalSection {
public:
    // device/DiskDevice.cpp: life and measures.
    DiskDevice();
    ~DiskDevice();
    LONGLONG GetCylinders() const;
    DWORD GetTracksPerCylinder() const;
    DWORD GetSectorsPerTrack() const;
    DWORD GetBytesPerSector() const;
    UINT GetDriveTypeCode() const { return m_nDriveType; }
    LONGLONG GetCapacity(int unit) const;

    // device/DeviceOpen.cpp: open, lock, close.
    BOOL OpenPhysicalDrive(int number);
    BOOL OpenVolume(const CString& letter);
    BOOL OpenDevicePath(const CString& path);
    void CloseDevice();
    BOOL IsLocked() const { return m_bLocked; }

    // device/DevicePosition.cpp: the current position and reads at it.
    LONGLONG GetLastLba() const;
    LONGLONG GetPosition() const { return m_llPosition.load(); }
    LONGLONG SetPosition(LONGLONG position);
    double GetPositionPercent() const;
    DWORD ReadAtPosition(void* buffer, DWORD count);

    // device/DeviceOwners.cpp: what the sector belongs to, from the index built in
    // the background once the first question after the open is asked.
    CString DescribeSector(LONGLONG lba);
    void WaitForSectorOwners() { m_owners.WaitUntilBuilt(); }
    // Called on the user-interface thread when more of the index is in.
    void SetSectorOwnersPublished(std::function<void()> published) {
        m_owners.SetPublished(std::move(published));
    }

    // device/WorkerSlot.cpp: the one worker thread.
    BOOL IsWorkerRunning() const { return m_pWorkerThread.load() != nullptr; }
    DWORD GetWorkerThreadId() const;
    int StopWorker();
    // True while a restore counts the bytes of an image whose size is not recorded,
    // before it writes: the position then counts the image, not the device.
    BOOL IsCountingImage() const { return m_bCountingImage.load(); }

    // device/RateMeter.cpp.
    void RateStart();
    void RateUpdate();
    LONGLONG GetRate(int unit) const;

    // device/DriveList.cpp.
    void RefreshDriveList();
    int GetDriveCount() const;
    CString GetDriveEntry(int index) const;
    // Why the entry names no disk: the error of its volume's open or of the
    // disk-extents request; 0 for a disk entry or an index out of range.
    DWORD GetDriveEntryError(int index) const;

    // device/SectorText.cpp: the text pane's renderings, also the search's.
    CString FormatSectorText(TextKind kind, const BYTE* buffer, DWORD length);
    int RenderAsciiText(const BYTE* buffer, char* scratch, DWORD length, CString& text,
                        const CString& pattern);
    int RenderSjisText(const BYTE* buffer, char* scratch, DWORD length, CString& text,
                       const CString& pattern);
    int RenderUnicodeText(const BYTE* buffer, char* scratch, DWORD length, CString& text,
                          const CString& pattern);

    // jobs/JobStart.cpp: the start operations, and what they hand the jobs.
    void SetSearchType(int code) { m_nSearchType = code; }
    void SetScanList(CListBox* list) { m_pScanList = list; }
    int StartSearch(const JobParams& params);
    // Whether the last search ran to the end of its range without a match; the
    // window asks once, when it returns to idle.
    bool TakeSearchMissed() { return m_bSearchMissed.exchange(false); }
    // Whether the next image creation goes on with the image and the map beside it.
    void SetImageResume(BOOL resume) { m_bImageResume = resume; }
    int StartImageCreate(const JobParams& params);
    int StartImageRestore(const JobParams& params);
    int StartReadTest(const JobParams& params);
    int StartDataScan(const JobParams& params);

    // jobs/SearchJob.cpp and jobs/HexPattern.cpp.
    int FindInSectors(int type, const BYTE* buffer, DWORD length);
    int FindHexPattern(int type, const BYTE* buffer, DWORD length);
    // jobs/DataScanJob.cpp.
    int AddDataSectorLines(const BYTE* buffer, DWORD length, LONGLONG chunkOffset,
                           DWORD sectorSize);
    // One line into the scan's list; 0 once the list is full, after saying so.
    int AddScanListLine(const CString& line);
    // One sector's line in the list; 0 when the list is full, after saying so.
    int AddSectorLine(const BYTE* sector, DWORD length, LONGLONG offset);
    void ClearSectorList();
    // jobs/FreeSpace.cpp.
    LONGLONG GetFreeSpaceAfterImage(const JobParams& params);

private:
    // device/DeviceOpen.cpp.
    BOOL QueryGeometry(const CString& path);
    // device/DeviceOwners.cpp.
    void StartSectorOwners();
    bool ReadForOwners(ULONGLONG first, DWORD count, BYTE* buffer);

    // device/DriveList.cpp.
    int GetVolumeDiskNumber(char letter);
    void AddDiskEntry(int disk, char letter);
    void AddUnmappedEntry(char letter);
    int MergeIntoDiskEntry(int disk, char letter);

    // jobs/JobStart.cpp, then each worker in its job's file: SearchJob.cpp,
    // ImageCreateJob.cpp, ImageRestoreJob.cpp, ReadTestJob.cpp, DataScanJob.cpp.
    int StartJob(const JobParams& params, AFX_THREADPROC procedure);
    static UINT SearchWorker(LPVOID device);
    static UINT ImageCreateWorker(LPVOID device);
    static UINT ImageRestoreWorker(LPVOID device);
    static UINT ReadTestWorker(LPVOID device);
    static UINT DataScanWorker(LPVOID device);
    friend class JobRun;

    std::atomic<CWinThread*> m_pWorkerThread{nullptr};
    BOOL m_bLocked = 0;
    HANDLE m_hDevice = nullptr;
    DISK_GEOMETRY_EX m_geometry{};
    UINT m_nDriveType = 0;
    std::atomic<LONGLONG> m_llPosition{0};
    std::atomic<BOOL> m_bCountingImage{0};
    DWORD m_nJobSectorSize = 0;
    LONGLONG m_llJobFirstLba = -1;
    LONGLONG m_llJobLastLba = -1;
    CString m_strJobText;
    CStringList m_driveList{10};
    std::vector<DWORD> m_driveEntryErrors; // one for each entry of m_driveList
    int m_nSearchType = 1;
    std::atomic<bool> m_bSearchMissed{false};
    std::atomic<bool> m_bOwnersStale{false}; // a restore wrote the device
    CListBox* m_pScanList = nullptr;
    BOOL m_bImageResume = FALSE;
    DWORD m_dwRateTick = 0;
    LONGLONG m_llRatePosition = 0;
    std::atomic<LONGLONG> m_llRate{0};
    SectorOwners m_owners;
};

// device/ShowLastError.cpp: the platform's text for the thread's last error, in the
// box titled "Error".
void ShowLastError();
// The platform's text for an error code, as that box shows it.
CString ErrorText(DWORD code);
