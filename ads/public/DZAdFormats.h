#pragma once
// Every format the component serves beyond the slot's own, put in the slot's registry once, when
// the first public object (a banner view or an interstitial) is made. Tools that drive a slot
// directly call it themselves.
class DZAdFormats {
  public:
    static void registerAll();
};
