#pragma once
// Lines a page causes are paid for by that page. While a scope lives on a thread, every line the
// component logs on that thread is first put to the scope's charge: what a page's message or
// navigation makes any handler write (a refusal, a failure, the page's own "log" line) counts
// against one budget of that page, so no handler can forget to count and a page cannot flood the
// log through the refusals of its own requests. Without a scope every line is written.
#include <functional>
#include <optional>
#include <string>

struct DZLogAdmission {
    bool write = true;
    // A line written in place of the refused ones, once per cut.
    std::optional<std::string> notice;
};

class DZLogChargeScope {
  public:
    using Charge = std::function<DZLogAdmission()>;

    explicit DZLogChargeScope(Charge charge);
    ~DZLogChargeScope();
    DZLogChargeScope(const DZLogChargeScope&) = delete;
    DZLogChargeScope& operator=(const DZLogChargeScope&) = delete;

    // What becomes of one line about to be written on this thread (the innermost scope decides).
    static DZLogAdmission admit();

  private:
    Charge charge_;
    DZLogChargeScope* outer_;
};
