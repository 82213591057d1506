#pragma once
// A job that may go on past a read error: asked after the "Error" box, it reads
// the rest of its range as a rescue (jobs/Rescue.h), lists the bad areas in the
// sector list and reports what it read. The job says what it keeps.
#include "jobs/JobRun.h"
#include "jobs/RescueMap.h"

class RescueRun : public JobRun {
public:
    using JobRun::JobRun;

protected:
    // The question after the "Error" box; true for "Yes".
    static bool AskToRescue();
    // From the chunk whose read failed on: what came before it was read, the chunk
    // itself failed.
    void RescueRest(RescueMap& map);
    // What a map leaves; ends on the range's last sector, as a failed creation does.
    void Rescue(RescueMap& map);

    // Bytes rescued at their device offset; false ends the rescue, the job reported why.
    virtual bool Keep(LONGLONG /*offset*/, const BYTE* /*bytes*/, DWORD /*count*/) { return true; }
    // The map as it stands; the rescue's every end and at least every 30 s.
    virtual void Save(const RescueMap& /*map*/) {}
    // The report's word for the bytes read.
    virtual const char* ReadWord() const = 0;

private:
    void ListBadAreas(const RescueAreas& areas);
    void Report(const RescueAreas& areas);
};
