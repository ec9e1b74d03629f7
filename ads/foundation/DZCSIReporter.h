#pragma once
// Turns one time recorder into a report URL and sends it as one GET. A report takes every
// completed variable out of the recorder: the valid ones are sent, the invalid ones dropped.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/http/HttpConnection.h"

class DZCSIConfiguration;
class DZCSITimeRecorder;

class DZCSIReporter {
  public:
    using Completion = std::function<void(const platform::HttpConnection::Outcome&)>;

    explicit DZCSIReporter(std::shared_ptr<DZCSIConfiguration> configuration)
        : configuration_(std::move(configuration)) {}

    // Nothing without completed variables; else the server with "s", "v", "action", the
    // recorder's own parameters, "e" (experiment IDs) and "it" (name.milliseconds of each valid
    // variable) appended.
    std::optional<std::string> URLForTimeRecorder(DZCSITimeRecorder& recorder) const;
    // Nothing when reporting is off or there is nothing to send; the completion comes on the
    // main run loop.
    void reportTimeRecorder(DZCSITimeRecorder& recorder, Completion completion) const;

  private:
    std::shared_ptr<DZCSIConfiguration> configuration_;
};
