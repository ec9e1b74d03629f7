// Mediation report URLs filled from the server's templates: placeholders the filling does not
// know vanish, "@@" is a literal "@", and server values make a URL whatever bytes they hold.
#include <gtest/gtest.h>

#include "ads/foundation/DZMUtilities.h"

namespace {

std::optional<std::string> fill(const std::string& urlTemplate, const std::string& qdata = "q",
                                const std::string& networkID = "net") {
    return DZMUtilities::mediationURLFrom(urlTemplate, "unit", true, "alloc", networkID, qdata, "sess", "7",
                                          "4,0", "12,30");
}

}  // namespace

TEST(DZMediationURL, KeywordsAreFilledUnknownOnesDroppedAndDoubledAtsRead) {
    EXPECT_EQ(
        fill("http://h/r?loc=@gw_adlocid@&n=@gw_adnetid@&a=@gw_allocid@&r=@gw_adnetrefresh@&s=@gw_sessid@"
             "&q=@gw_seqnum@&aec=@gw_aec@&adt=@gw_adt@&d=@gw_devid@"),
        "http://h/r?loc=unit&n=net&a=alloc&r=1&s=sess&q=7&aec=4,0&adt=12,30&d=");
    EXPECT_EQ(fill("http://h/r?x=@x@&y=@gw_unknown@&m=a@@b&lit=@@gw_qdata@@&q=@gw_qdata@"),
              "http://h/r?x=&y=&m=a@b&lit=@gw_qdata@&q=q");
    // A value's own "@" stays literal and never reads as a keyword.
    EXPECT_EQ(fill("http://h/r?q=@gw_qdata@&s=@gw_sessid@", "@gw_sessid@"),
              "http://h/r?q=@gw_sessid@&s=sess");
    EXPECT_FALSE(fill(""));
    EXPECT_FALSE(fill("@gw_unknown@"));
    EXPECT_FALSE(fill("not a url"));
}

TEST(DZMediationURL, OnlyBytesNoURLMayHoldAreEncoded) {
    EXPECT_EQ(fill("http://h/r?q=@gw_qdata@", "a b"), "http://h/r?q=a%20b");
    EXPECT_EQ(fill("http://h/r?q=@gw_qdata@", "caf\xC3\xA9"), "http://h/r?q=caf%C3%A9");
    EXPECT_EQ(fill("http://h/r?q=@gw_qdata@", "<\"|\\{}^`>\t"),
              "http://h/r?q=%3C%22%7C%5C%7B%7D%5E%60%3E%09");
    // What the server encoded itself, and the characters URLs use, arrive as sent.
    EXPECT_EQ(fill("http://h/r?q=@gw_qdata@", "a%20b&k=v/;:,+$!*'()"), "http://h/r?q=a%20b&k=v/;:,+$!*'()");
    EXPECT_EQ(fill("http://h/r?q=@gw_qdata@", "100%"), "http://h/r?q=100%25");
    EXPECT_EQ(fill("http://h/r?q=@gw_qdata@", "%4"), "http://h/r?q=%254");
    EXPECT_EQ(fill("http://h/@gw_adnetid@/r", "q", "net 1"), "http://h/net%201/r");
}
