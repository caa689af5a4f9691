#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "HostIdentity.h"
#include "TextHelpers.h"

TEST(ReleaseNumber, ConvertsTheLeadingNumberAndFallsBack) {
  EXPECT_EQ(204, UniqueIdFromRelease("kQe-204", 1234));
  EXPECT_EQ(21, UniqueIdFromRelease("21.02.1", 1234));
  EXPECT_EQ(19, UniqueIdFromRelease("19.07.7", 1234));
  EXPECT_EQ(7, UniqueIdFromRelease("kQe-kQe-7", 1234));
  // One pass over the text: a pattern that only forms once another is removed stays.
  EXPECT_EQ(1234, UniqueIdFromRelease("kQkQe-e-7", 1234));
  EXPECT_EQ(-5, UniqueIdFromRelease("  -5x", 1234));
  EXPECT_EQ(1234, UniqueIdFromRelease("", 1234));
  EXPECT_EQ(1234, UniqueIdFromRelease("kQe-", 1234));
  EXPECT_EQ(1234, UniqueIdFromRelease("SNAPSHOT", 1234));
  EXPECT_EQ(1234, UniqueIdFromRelease("99999999999", 1234));  // beyond 32 bits
  EXPECT_EQ(2147483647, UniqueIdFromRelease("2147483647", 1234));
  int32_t v = 0;
  EXPECT_FALSE(ParseLeadingInt32("-2147483649", v));
  EXPECT_TRUE(ParseLeadingInt32("-2147483648", v));
  EXPECT_EQ(INT32_MIN, v);
}

// A router without eth0: its MQTT id from another interface's MAC, one the maker
// assigned before a locally administered one, lo and empty addresses passed over.
TEST(RouterIdFromInterfaces, AnotherInterfacesAddress) {
  char dirTemplate[] = "/tmp/tw-net-XXXXXX";
  const std::string dir = mkdtemp(dirTemplate);
  const auto add = [&](const char *name, const char *mac) {
    mkdir((dir + "/" + name).c_str(), 0700);
    std::ofstream(dir + "/" + name + "/address") << mac << "\n";
  };
  EXPECT_EQ("", RouterIdFromInterfaces(dir));
  add("lo", "00:00:00:00:00:00");
  add("br-lan", "00:00:00:00:00:00");
  add("tun0", "nonsense");
  EXPECT_EQ("", RouterIdFromInterfaces(dir));
  add("wlan0", "12:34:56:78:9a:bc");  // locally administered
  EXPECT_EQ("123456789ABC", RouterIdFromInterfaces(dir));
  add("wan", "00:e0:4c:68:01:02");
  add("lan1", "00:e0:4c:68:01:01");
  EXPECT_EQ("00E04C680101", RouterIdFromInterfaces(dir));
  EXPECT_EQ("", RouterIdFromInterfaces(dir + "/none"));
  std::system(("rm -rf " + dir).c_str());
}
