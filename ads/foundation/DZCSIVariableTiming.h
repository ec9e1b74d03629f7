#pragma once
// One measured step of an action: a start and a length in seconds (length -1 while it runs). A
// measurement that spans the app leaving the foreground says nothing about the step: a variable
// still running when the app resigns active is spoiled for good.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class DZCSIVariableTiming : public std::enable_shared_from_this<DZCSIVariableTiming> {
  public:
    static std::shared_ptr<DZCSIVariableTiming> initWithName(const std::string& name, double startTime);
    ~DZCSIVariableTiming();
    DZCSIVariableTiming(const DZCSIVariableTiming&) = delete;
    DZCSIVariableTiming& operator=(const DZCSIVariableTiming&) = delete;

    void resigningActive();
    // Started after the clock's origin and ended with a positive length.
    bool isValid() const;

    const std::string& name() const { return name_; }
    double start() const;
    double length() const;
    void setLength(double length);

  private:
    DZCSIVariableTiming(std::string name, double start) : name_(std::move(name)), start_(start) {}

    const std::string name_;
    // The resign-active notice spoils it on the main thread; its recorder's users end and read it
    // on whichever thread measures.
    mutable std::mutex mutex_;
    double start_;
    double length_ = -1.0;
    uint64_t observer_ = 0;
};
