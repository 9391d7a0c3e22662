// A console reporter that also keeps each benchmark's time per iteration,
// by name ("BM_Name" or "BM_Name/arg"), so that a benchmark program can print
// ratios between runs of the same process: the machines are shared and
// noisy, and only ratios measured side by side mean something.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  enum class Clock { Real, Cpu };
  explicit RatioReporter(Clock clock = Clock::Real) : m_clock(clock) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      std::string name = run.run_name.function_name;
      if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
      m_times[name] = m_clock == Clock::Cpu ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // Prints "label: a / b" when both benchmarks ran.
  void PrintRatio(const char* label, const std::string& a, const std::string& b) const {
    const auto x = m_times.find(a), y = m_times.find(b);
    if (x != m_times.end() && y != m_times.end() && y->second > 0)
      std::printf("%s: %.2f\n", label, x->second / y->second);
  }

 private:
  Clock m_clock;
  std::map<std::string, double> m_times;
};
