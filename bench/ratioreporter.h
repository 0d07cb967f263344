#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Console output plus the wall time per iteration of every benchmark (the
// median over repetitions), so that each measured case is printed as a ratio
// to its bare baseline of the same run. Benchmarks are known by their name
// and arguments ("ReadProtocol/1000"), without the suffixes of time type,
// repetitions or threads.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration && run.iterations > 0)
                seconds[key(run.run_name)].push_back(run.real_accumulated_time /
                                                     double(run.iterations));
        }
    }

    double median(const std::string& name) const
    {
        const auto it = seconds.find(name);
        if (it == seconds.end() || it->second.empty())
            return 0;
        std::vector<double> values = it->second;
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }

    // Pairs of (measured, baseline) benchmark names.
    void printRatios(const std::vector<std::pair<std::string, std::string>>& pairs) const
    {
        std::printf("\n%-28s %-28s %10s %10s %7s\n", "case", "baseline", "ms", "bare ms", "ratio");
        for (const auto& pair : pairs) {
            const double measured = median(pair.first);
            const double bare = median(pair.second);
            if (measured <= 0 || bare <= 0)
                continue;
            std::printf("%-28s %-28s %10.1f %10.1f %7.2f\n", pair.first.c_str(),
                        pair.second.c_str(), measured * 1e3, bare * 1e3, measured / bare);
        }
    }

    std::map<std::string, std::vector<double>> seconds;

private:
    static std::string key(const benchmark::BenchmarkName& name)
    {
        return name.args.empty() ? name.function_name : name.function_name + '/' + name.args;
    }
};
