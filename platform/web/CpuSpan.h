#pragma once
// Judges a process by the processor time it used over the last span of real time: readings of
// both clocks go in, and a process whose average over a whole span passed its share of cores is
// over. A page that keeps answering (its work between the watchdog's probes, or in workers) is
// found this way; a short burst (a creative's load) averages out. Any thread, one at a time.
#include <deque>

namespace platform::web {

class CpuSpan {
  public:
    CpuSpan(double cores, double seconds) : cores_(cores), seconds_(seconds) {}

    // One reading: processor seconds and real seconds, each never decreasing. True when the
    // readings cover a whole span and the process used more than its share over it.
    bool add(double cpuSeconds, double realSeconds);

  private:
    struct Reading {
        double cpu;
        double real;
    };
    double cores_;
    double seconds_;
    std::deque<Reading> readings_;  // the oldest still needed to cover a span, and those after it
};

}  // namespace platform::web
