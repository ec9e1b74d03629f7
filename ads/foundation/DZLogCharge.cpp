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
    // The charge may log (its notice is returned, never logged): no scope while it decides.
    innermost = nullptr;
    DZLogAdmission admission = scope->charge_();
    innermost = scope;
    return admission;
}
