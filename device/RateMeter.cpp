#include "device/DiskDevice.h"
#include "device/UnitCode.h"

namespace {
constexpr DWORD kSampleInterval = 100; // ms
}

void DiskDevice::RateStart() {
    m_dwRateTick = GetTickCount();
    m_llRatePosition = m_llPosition.load();
    m_llRate = 0;
}

void DiskDevice::RateUpdate() {
    DWORD now = GetTickCount();
    // The unsigned difference stays right across the tick count's wrap at 2^32 ms.
    DWORD elapsed = now - m_dwRateTick;
    if (elapsed < kSampleInterval)
        return;
    LONGLONG position = m_llPosition.load();
    LONGLONG advance = position - m_llRatePosition;
    m_llRatePosition = position;
    m_dwRateTick = now;
    // Bytes per second over the time that really passed, in 64 bits: a fast disk
    // moves more than 2^31 bytes per second, and a late sample is not a fast one.
    auto sample =
        static_cast<LONGLONG>(static_cast<double>(advance) * 1000.0 / static_cast<double>(elapsed));
    m_llRate = (m_llRate.load() + sample) / 2;
}

LONGLONG DiskDevice::GetRate(int unit) const {
    return ScaleByUnit(m_llRate.load(), unit);
}
