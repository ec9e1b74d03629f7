#pragma once
// Puts the signed-in layer into the component: the request path asks the shared dispenser for
// the token and tells it of refused ones, new server constants re-read the signed-in user, and
// the app's start-up makes the dispenser. Called once, on the main thread, before launching
// finishes (an explicit call: a static initialiser in a static library may never run).
class DZSignedInAds {
  public:
    static void install();
};
