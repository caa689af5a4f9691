#include <gtest/gtest.h>

#include <initializer_list>
#include <list>
#include <string>
#include <vector>

#include "NMEA2000_SocketCAN.h"
#include "Options.h"

namespace {
struct tParsed {
  tParseResult result;
  tRunSettings settings;
  tMqttSettings mqtt;
  std::string port;
};

// The settings keep pointers into argv, as the daemon's do, so the words must outlive
// each parse.
std::list<std::string> gWords;

tParsed Parse(std::initializer_list<const char *> args) {
  std::vector<char *> argv;
  gWords.push_back("tidewire");
  argv.push_back(&gWords.back()[0]);
  for (auto *a : args) {
    gWords.push_back(a);
    argv.push_back(&gWords.back()[0]);
  }
  const int argc = static_cast<int>(argv.size());
  argv.push_back(nullptr);
  tNMEA2000_SocketCAN node("can0");
  tParsed p;
  testing::internal::CaptureStderr();  // getopt's complaints
  p.result = ParseOptions(argc, argv.data(), p.settings, node, p.mqtt);
  testing::internal::GetCapturedStderr();
  p.port = node.CANport();
  return p;
}
}  // namespace

TEST(ParseOptions, DefaultsAndValues) {
  tParsed p = Parse({});
  EXPECT_EQ(tParseResult::kRun, p.result);
  EXPECT_EQ(0, p.settings.debugLevel);
  EXPECT_EQ(nullptr, p.settings.consoleDevice);
  EXPECT_EQ(nullptr, p.settings.logDir);
  EXPECT_FALSE(p.settings.localEcho);
  EXPECT_TRUE(p.settings.statusUpdates);
  EXPECT_EQ(-1, p.settings.udpPort);
  EXPECT_EQ(-1, p.settings.udpTimedPort);
  EXPECT_EQ("can0", p.port);

  p = Parse({"-d", "5", "-c", "/dev/canlink0", "-l", "/tmp/logs", "-L", "/dev/tnt15", "-p", "2000",
             "-P", "2002"});
  EXPECT_EQ(tParseResult::kRun, p.result);
  EXPECT_EQ(5, p.settings.debugLevel);
  EXPECT_EQ("/dev/canlink0", p.port);
  EXPECT_STREQ("/tmp/logs", p.settings.logDir);
  EXPECT_STREQ("/dev/tnt15", p.settings.consoleDevice);
  EXPECT_EQ(2000, p.settings.udpPort);
  EXPECT_EQ(2002, p.settings.udpTimedPort);
}

TEST(ParseOptions, TogglesFlipOnEachOccurrence) {
  EXPECT_FALSE(Parse({"-e", "-e"}).settings.localEcho);
  EXPECT_TRUE(Parse({"-e"}).settings.localEcho);
  EXPECT_FALSE(Parse({"-s"}).settings.statusUpdates);
  EXPECT_TRUE(Parse({"-s", "-s"}).settings.statusUpdates);
  EXPECT_TRUE(Parse({"-es", "-s"}).settings.statusUpdates);
}

TEST(ParseOptions, NumbersAreReadLikeAtoi) {
  EXPECT_EQ(0, Parse({"-d", "abc"}).settings.debugLevel);
  EXPECT_EQ(0, Parse({"-p", "abc"}).settings.udpPort);
  EXPECT_EQ(-1, Parse({"-d", "-1"}).settings.debugLevel);
  EXPECT_EQ(7, Parse({"-d", "7x"}).settings.debugLevel);
  EXPECT_EQ(9, Parse({"-d", "3", "-d", "9"}).settings.debugLevel);  // last one wins
}

TEST(ParseOptions, LogLimitSizes) {
  EXPECT_EQ(0, Parse({}).settings.logLimit);
  EXPECT_EQ(1048576, Parse({"-r", "1M"}).settings.logLimit);
  EXPECT_EQ(512000, Parse({"-r", "500k"}).settings.logLimit);
  EXPECT_EQ(2000, Parse({"-r", "2000"}).settings.logLimit);
  EXPECT_EQ(0, Parse({"-r", "0"}).settings.logLimit);  // no limit
  for (const char *bad : {"1G", "-5", "x", "", "1Mb", "99999999999999999999"})
    EXPECT_EQ(tParseResult::kUsage, Parse({"-r", bad}).result) << bad;
}

TEST(ParseOptions, MqttBrokerAndItsSettings) {
  EXPECT_FALSE(Parse({}).mqtt.enabled);
  tParsed p = Parse({"-m", "10.77.0.1", "-M", "prefix=boat/one", "-M", "discovery=0", "-M",
                     "user=skipper", "-M", "passfile=/etc/tidewire/mqtt.pass"});
  ASSERT_EQ(tParseResult::kRun, p.result);
  EXPECT_TRUE(p.mqtt.enabled);
  EXPECT_EQ("10.77.0.1", p.mqtt.host);
  EXPECT_EQ(1883, p.mqtt.port);
  EXPECT_EQ("boat/one", p.mqtt.prefix);
  EXPECT_FALSE(p.mqtt.discovery);
  EXPECT_EQ("skipper", p.mqtt.user);
  EXPECT_EQ("/etc/tidewire/mqtt.pass", p.mqtt.passwordFile);
  p = Parse({"-m", "broker.lan:8883", "-M", "cafile=/etc/ssl/ca.pem", "-M", "clientid=van-7"});
  EXPECT_EQ("broker.lan", p.mqtt.host);
  EXPECT_EQ(8883, p.mqtt.port);
  EXPECT_EQ("/etc/ssl/ca.pem", p.mqtt.caFile);
  EXPECT_EQ("van-7", p.mqtt.clientId);
  p = Parse({"-m", "[fd00::1]:1884"});
  EXPECT_EQ("fd00::1", p.mqtt.host);
  EXPECT_EQ(1884, p.mqtt.port);
  // The port follows TLS unless given; a bare IPv6 address has none.
  const struct {
    const char *m;
    bool tls;
    const char *host;
    int port;
  } kPorts[] = {
      {"broker.lan", true, "broker.lan", 8883},  {"broker.lan:1883", true, "broker.lan", 1883},
      {"broker.lan", false, "broker.lan", 1883}, {"fd00::5", false, "fd00::5", 1883},
      {"[fd00::5]", true, "fd00::5", 8883},
  };
  for (const auto &c : kPorts) {
    p = c.tls ? Parse({"-m", c.m, "-M", "cafile=/ca.pem"}) : Parse({"-m", c.m});
    EXPECT_EQ(c.host, p.mqtt.host) << c.m;
    EXPECT_EQ(c.port, p.mqtt.BrokerPort()) << c.m << " " << c.tls;
  }
  p = Parse({"-m", "h", "-M", "discovery_prefix=ha/boat", "-M", "forget=30"});
  EXPECT_EQ("ha/boat", p.mqtt.discoveryPrefix);
  EXPECT_EQ(2592000000u, p.mqtt.forgetAfterMs);
  EXPECT_EQ(0u, Parse({"-m", "h"}).mqtt.forgetAfterMs);
  EXPECT_EQ(90000u, Parse({"-m", "h", "-M", "forget=90s"}).mqtt.forgetAfterMs);
  EXPECT_EQ(43200000u, Parse({"-m", "h", "-M", "forget=12h"}).mqtt.forgetAfterMs);
  for (const char *bad :
       {"", ":1883", "host:", "host:0", "host:65536", "host:12x", "a:1:2", "[::1"})
    EXPECT_EQ(tParseResult::kUsage, Parse({"-m", bad}).result) << bad;
  for (const char *bad :
       {"prefix=", "prefix=a/#", "prefix=/a", "prefix=a+b", "discovery=yes", "password=x", "user",
        "discovery_prefix=", "forget=", "forget=d", "forget=3w", "forget=-1", "forget=123456"})
    EXPECT_EQ(tParseResult::kUsage, Parse({"-m", "h", "-M", bad}).result) << bad;
}

TEST(ParseOptions, UsageCasesAndTheFirstPlainWordEndsParsing) {
  EXPECT_EQ(tParseResult::kUsage, Parse({"-h"}).result);
  EXPECT_EQ(tParseResult::kUsage, Parse({"-x"}).result);
  EXPECT_EQ(tParseResult::kUsage, Parse({"-d"}).result);
  EXPECT_EQ(tParseResult::kUsage, Parse({"-d", "3", "-c"}).result);
  tParsed p = Parse({"word", "-d", "5"});
  EXPECT_EQ(tParseResult::kRun, p.result);
  EXPECT_EQ(0, p.settings.debugLevel);
}

TEST(ParseOptions, APortNameTooLongForTheLibraryFailsToOpenInsteadOfOpeningCan0) {
  std::string longName = "/dev/" + std::string(140, 'a');
  tNMEA2000_SocketCAN node("can0");
  EXPECT_FALSE(node.SetCANport(longName.c_str()));
  EXPECT_STREQ("", node.CANport());
  node.SetMode(tNMEA2000::N2km_ListenAndNode, 177);
  EXPECT_FALSE(node.Open());
  // The longest name the library takes is 127 characters.
  std::string fits = "/dev/" + std::string(122, 'b');
  EXPECT_TRUE(node.SetCANport(fits.c_str()));
  EXPECT_EQ(fits, node.CANport());
}
