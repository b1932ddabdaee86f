#include "merge/SourceList.h"

#include <gtest/gtest.h>

using velmora::isIpv6Address;

// The text forms of IPv6 addresses, as the system's parser reads them, with an optional zone.
TEST(SourceList, RecognisesIpv6Addresses) {
    for (const char* address : {"::", "::1", "ff02::2", "fe80::1%lo0", "2001:DB8:0:0:0:0:0:1",
                                "1:2:3:4:5:6:7::", "::ffff:10.0.0.1", "1:2:3:4:5:6:255.0.0.1", "abcd::1234"})
        EXPECT_TRUE(isIpv6Address(address)) << address;
    for (const char* text : {"", "1.2.3.4", ":1::2", "1:::2", "1::2::3", "1::2:", "12345::", "::g", "fe80::1%",
                             "1:2:3:4:5:6:7:8:9", "1:2:3:4:5:6:7", "1:2:3:4:5:6:7:8::", "::1.2.3.04", "::256.0.0.1",
                             "1.2.3.4::", "::1:2:3:4:5:6:1.2.3.4", "localhost"})
        EXPECT_FALSE(isIpv6Address(text)) << text;
}
