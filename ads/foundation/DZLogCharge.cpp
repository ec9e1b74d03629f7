#include "ads/foundation/DZLogCharge.h"

#include <utility>

namespace {
thread_local DZLogChargeScope* innermost = nullptr;
}  // namespace

DZLogChargeScope::DZLogChargeScope(Charge charge) : charge_(std::move(charge)), outer_(innermost) {
    innermost = this;
}

DZLogChargeScope::~DZLogChargeScope() {
    innermost = outer_;
}

DZLogAdmission DZLogChargeScope::admit() {
    DZLogChargeScope* scope = innermost;
    if (!scope || !scope->charge_) return {};
    // The charge may log (its notice is returned, never logged): no scope while it decides, and the
    // scope back however the charge ends.
    struct Restore {
        DZLogChargeScope* scope;
        ~Restore() { innermost = scope; }
    } restore{scope};
    innermost = nullptr;
    try {
        return scope->charge_();
    } catch (...) {
        // A budget that cannot decide pays for nothing, and a log call never throws at its caller.
        return {false, std::nullopt};
    }
}

DZLogChargeScope::Charge DZLogChargeScope::current() {
    return innermost ? innermost->charge_ : Charge();
}
