#pragma once
// One run of the app as the ad servers see it: a random 64-bit ID, sent as decimal text.
#include <string>

class DZSession {
  public:
    DZSession();
    const std::string& uniqueID() const { return uniqueID_; }

  private:
    std::string uniqueID_;
};
