// Times each step of the import library's post-processing under the engine's flag word:
// the library's own time measurement (its GLOB_MEASURE_TIME property) writes every step's
// duration to its log, which is read back here. Prints the median of RUNS imports per step.
// Usage: vornis-import-steps FILE [RUNS]
#include <assimp/config.h>
#include <assimp/scene.h>
#include <assimp/DefaultLogger.hpp>
#include <assimp/Importer.hpp>
#include <assimp/LogStream.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "models/ModelImporter.h"

namespace {

// Collects the library's timing lines: "END `region`, dt= 1.5 s", each step named by the
// last "... begin" line before it.
class StepLog : public Assimp::LogStream {
   public:
    struct Step {
        std::string name;
        double seconds;
    };
    std::vector<Step> steps;

    void write(const char* message) override
    {
        const std::string line = message;
        const size_t begin = line.find(" begin");
        if (begin != std::string::npos && line.find("END") == std::string::npos) {
            const size_t start = line.rfind(' ', begin - 1);
            current = line.substr(start == std::string::npos ? 0 : start + 1, begin - start - 1);
            return;
        }
        const size_t end = line.find("END   `");
        const size_t dt = line.find("dt= ");
        if (end == std::string::npos || dt == std::string::npos)
            return;
        const size_t regionStart = end + 7;
        const std::string region =
            line.substr(regionStart, line.find('`', regionStart) - regionStart);
        const double seconds = std::atof(line.c_str() + dt + 4);
        // The step regions are all called "postprocess"; the whole pass has its own name.
        steps.push_back({region == "postprocess" && !current.empty() ? current : region, seconds});
        if (region == "postprocess")
            current.clear();
    }

   private:
    std::string current;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    Assimp::DefaultLogger::create(nullptr, Assimp::Logger::VERBOSE);
    auto* log = new StepLog;  // the logger owns it
    Assimp::DefaultLogger::get()->attachStream(log, Assimp::Logger::Debugging |
                                                        Assimp::Logger::Info |
                                                        Assimp::Logger::Warn | Assimp::Logger::Err);
    std::vector<std::string> order;
    std::map<std::string, std::vector<double>> times;
    for (int run = 0; run < runs; ++run) {
        log->steps.clear();
        Assimp::Importer importer;
        importer.SetPropertyInteger(AI_CONFIG_GLOB_MEASURE_TIME, 1);
        if (!importer.ReadFile(argv[1], kModelImportFlags)) {
            std::fprintf(stderr, "%s: %s\n", argv[1], importer.GetErrorString());
            return 1;
        }
        std::map<std::string, double> thisRun;
        for (const StepLog::Step& step : log->steps) {
            if (!thisRun.count(step.name) && !times.count(step.name))
                order.push_back(step.name);
            thisRun[step.name] += step.seconds;
        }
        for (const auto& [name, seconds] : thisRun)
            times[name].push_back(seconds * 1e3);
    }
    Assimp::DefaultLogger::kill();
    std::printf("flag word 0x%08X, median of %d imports, milliseconds\n", kModelImportFlags, runs);
    for (const std::string& name : order)
        std::printf("%-36s %10.1f\n", name.c_str(), Median(times[name]));
    return 0;
}
