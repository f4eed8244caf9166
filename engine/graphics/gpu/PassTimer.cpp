#include "graphics/gpu/PassTimer.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <ctime>

namespace gpu {

namespace {
PassTimer* activeTimer = nullptr;
}  // namespace

void SetActivePassTimer(PassTimer* timer)
{
    activeTimer = timer;
}

void MarkPass(const char* pass)
{
    if (activeTimer)
        activeTimer->Mark(pass);
}

void AddFrameTimes(std::vector<PassTime>& table, const std::vector<std::string>& passNames,
                   const std::vector<uint64_t>& stampsNs)
{
    const size_t firstNew = table.size();
    std::vector<double> frame(table.size(), 0.0);
    for (size_t i = 0; i < passNames.size() && i + 1 < stampsNs.size(); ++i) {
        // Timestamps never run backwards; a wrapped or missing one counts as nothing.
        const double ms = stampsNs[i + 1] > stampsNs[i]
                              ? static_cast<double>(stampsNs[i + 1] - stampsNs[i]) / 1e6
                              : 0.0;
        auto found = std::find_if(table.begin(), table.end(),
                                  [&](const PassTime& pass) { return pass.name == passNames[i]; });
        if (found == table.end()) {
            table.push_back({passNames[i], {}});
            frame.push_back(0.0);
            found = table.end() - 1;
        }
        frame[static_cast<size_t>(found - table.begin())] += ms;
    }
    // A pass missing from this frame (the interface hidden, say) took no time in it; one
    // first met now took none in the frames before.
    const size_t framesBefore = firstNew > 0 ? table[0].milliseconds.size() : 0;
    for (size_t i = 0; i < table.size(); ++i) {
        if (i >= firstNew)
            table[i].milliseconds.assign(framesBefore, 0.0);
        table[i].milliseconds.push_back(frame[i]);
    }
}

void PassTimer::Stamp()
{
    glFinish();
    stamps.push_back(static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                               std::chrono::steady_clock::now().time_since_epoch())
                                               .count()));
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    cpuStamps.push_back(static_cast<uint64_t>(cpu.tv_sec) * 1'000'000'000ull +
                        static_cast<uint64_t>(cpu.tv_nsec));
}

void PassTimer::BeginFrame()
{
    stamps.clear();
    cpuStamps.clear();
    passNames.clear();
    Stamp();
}

void PassTimer::Mark(const char* pass)
{
    if (stamps.empty())
        return;  // outside a timed frame
    passNames.emplace_back(pass);
    Stamp();
}

void PassTimer::EndFrame()
{
    AddFrameTimes(table, passNames, stamps);
    AddFrameTimes(cpuTable, passNames, cpuStamps);
    stamps.clear();
    cpuStamps.clear();
}

}  // namespace gpu
