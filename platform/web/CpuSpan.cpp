#include "platform/web/CpuSpan.h"

namespace platform::web {

bool CpuSpan::add(double cpuSeconds, double realSeconds) {
    readings_.push_back({cpuSeconds, realSeconds});
    while (readings_.size() > 2 && realSeconds - readings_[1].real >= seconds_) readings_.pop_front();
    const Reading& first = readings_.front();
    const double elapsed = realSeconds - first.real;
    return elapsed >= seconds_ && cpuSeconds - first.cpu > cores_ * elapsed;
}

}  // namespace platform::web
