// Time of each pass of a frame. Every pass is finished (glFinish) before the clock is read:
// a software renderer bins a whole frame and rasterizes it at its next flush, so GL
// timestamps written between the passes do not separate them there. Finishing each pass
// costs a little extra per pass, so the sum comes out somewhat above a normal frame. Only
// the frame timer switches it on (SetActivePassTimer); a frame without one pays a null
// check per pass.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gpu {

struct PassTime {
    std::string name;
    std::vector<double> milliseconds;  // one sample a frame
};

// Adds one frame to `table`: stampsNs[0] is the frame's start and stampsNs[i + 1] the end of
// passNames[i]. A pass met twice in a frame counts once with both times added; new passes
// join the table in the order they are first met.
void AddFrameTimes(std::vector<PassTime>& table, const std::vector<std::string>& passNames,
                   const std::vector<uint64_t>& stampsNs);

class PassTimer {
   public:
    // With the GL context current.
    void BeginFrame();
    void Mark(const char* pass);
    // Adds the frame to the table.
    void EndFrame();
    const std::vector<PassTime>& Table() const { return table; }
    // The same passes' processor time of all threads (the software renderer's included),
    // which a loaded machine stretches much less than the wall clock.
    const std::vector<PassTime>& CpuTable() const { return cpuTable; }

   private:
    void Stamp();

    std::vector<uint64_t> stamps;  // nanoseconds; empty outside a timed frame
    std::vector<uint64_t> cpuStamps;
    std::vector<std::string> passNames;
    std::vector<PassTime> table;
    std::vector<PassTime> cpuTable;
};

// The timer the frame's passes report to (window thread only); null switches timing off.
void SetActivePassTimer(PassTimer* timer);

// Marks the end of a pass for the active timer, if any.
void MarkPass(const char* pass);

}  // namespace gpu
