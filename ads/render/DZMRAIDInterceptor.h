#pragma once
// Switches the rich-media script interception on and off. Slots and ad-app pages enable it while
// they load and disable it when they settle, so it is a count; the ad server's constants may
// forbid interception altogether, which is a flag. Until the interception itself is built this
// keeps only the count and the flag. The count never drops below 0: an unmatched disable (a slot
// failing before it ever asked for an ad) must not swallow a later enable. Thread-safe.
class DZMRAIDInterceptor {
  public:
    static void allow();
    static void disallow();
    static bool isAllowed();
    static void enableCanInitWithRequest();
    static void disableCanInitWithRequest();
    static void resetCanInitWithRequestCounter();
    static int canInitWithRequestCounter();
};
