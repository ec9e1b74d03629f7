#pragma once
// Where a slot's one request stands. The numbers are the ones the log and the probe show.
enum DZSlotState : int {
    kDZSlotStateIdle = 0,
    kDZSlotStateCorePageFailed = 1,
    kDZSlotStateAdURLRequested = 2,
    kDZSlotStateAdURLReceived = 3,
    kDZSlotStateFetching = 4,
    kDZSlotStateRendering = 5,
    kDZSlotStateValidAd = 6,
    kDZSlotStateFailed = 7,
    // Final: the slot takes no other state after it.
    kDZSlotStateInvalidated = 8,
};
