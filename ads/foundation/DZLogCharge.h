#pragma once
// Lines a page causes are paid for by that page. While a scope lives on a thread, every line the
// component logs on that thread is first put to the scope's charge: what a page's message or
// navigation makes any handler write (a refusal, a failure, the page's own "log" line) counts
// against one budget of that page, so no handler can forget to count and a page cannot flood the
// log through the refusals of its own requests. Without a scope every line is written. Work a page
// sets going that logs later, elsewhere (a ping given up, a download ending), takes the charge of
// the scope it was asked for in and logs under it. A charge that throws has its line refused, and
// the scope stays in force for the lines after it.
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
    // The charge of the innermost scope on this thread; empty without one.
    static Charge current();

  private:
    Charge charge_;
    DZLogChargeScope* outer_;
};
