// MQTT publishing on a recording transport: the JSON texts and Home Assistant's
// configs of each kind, what a new connection sends (status, discovery, availability,
// state), changes at most once a second and again every minute, status lines and fault
// events as they come, nothing kept while away, offline retained, entities kept unless
// forgetting is asked for, batteries by DC instance, discovery again when a device's
// identity changes. Then the libmosquitto connection as a broker sees it: the will,
// "online", the goodbye, and a stop while the broker never answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "Batteries.h"
#include "Devices.h"
#include "FakeDirectories.h"
#include "FakeRuntime.h"
#include "HomeAssistant.h"
#include "JsonText.h"
#include "KnownDevices.h"
#include "MqttPublisher.h"
#include "PtyPort.h"

#ifdef TIDEWIRE_HAVE_MOSQUITTO
#include <arpa/inet.h>
#include <dirent.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "MosquittoTransport.h"
#endif

namespace {
class tRecordingTransport : public tMqttTransport {
 public:
  struct tMessage {
    std::string topic, payload;
    bool retain;
  };
  bool Publish(const std::string &topic, const std::string &payload, bool retain) override {
    if (!connected) return false;
    sent.push_back({topic, payload, retain});
    return true;
  }
  bool Connected() const override { return connected; }
  bool ReadResetConnected() override {
    const bool fresh = connections != seen;
    seen = connections;
    return fresh;
  }
  void Connect() {
    connected = true;
    connections++;
  }
  // The last payload sent to topic; "-" when none was.
  std::string Last(const std::string &topic) const {
    for (auto it = sent.rbegin(); it != sent.rend(); ++it)
      if (it->topic == topic) return it->payload;
    return "-";
  }
  size_t Count(const std::string &prefix) const {
    return std::count_if(sent.begin(), sent.end(), [&](const tMessage &m) {
      return m.topic.compare(0, prefix.size(), prefix) == 0;
    });
  }

  bool connected = false;
  int connections = 0, seen = 0;
  std::vector<tMessage> sent;
};

class Mqtt : public ::testing::Test {
 protected:
  void SetUp() override {
    ttys.path = port.path;
    known.Add(140, 204, 963, 200, "RO500", "");
    known.Add(35, 471, 135, 310, "LFP200", "B");
    known.Settle();
    devices.SetEvents(&publisher);
    publisher.SetRouterId("02:54:57:00:00:01");
  }
  void TearDown() override {
    devices.SetEvents(nullptr);
    devices.Clear();
  }
  void Tick(uint32_t ms = 1000) {
    rt.now += ms;
    publisher.Poll(rt.now);
  }

  tFakeRuntime rt;
  tTestConsole console;
  tRunSettings settings;
  tMqttSettings mqtt;
  tPtyPort port;
  tFakeTtys ttys;
  tKnownDevices known;
  tDevices devices{settings, ttys, known, rt, console};
  tBatteries batteries{settings, known, console};
  tRecordingTransport transport;
  tMqttPublisher publisher{mqtt, transport, devices, batteries, known};
  const std::string base = "tidewire/02_54_57_00_00_01";
};
}  // namespace

TEST(JsonText, EscapesWhatTheBusSendsAndNeverOverflows) {
  tJsonText j;
  j.String("model", "RO500 \"Pro\"\\\n\x01\xe9").Number("v", 13.25).Number("na", std::nan(""));
  j.Integer("n", -3).Bool("b", true);
  EXPECT_EQ(
      "{\"model\":\"RO500 \\\"Pro\\\"\\\\\\u000a\\u0001\\u00e9\",\"v\":13.25,\"na\":null,\"n\":-3,"
      "\"b\":true}",
      j.Close());
  // Valid UTF-8 as written (2, 3 and 4 bytes); a broken, overlong or surrogate
  // sequence byte by byte as Latin-1.
  tJsonText u;
  u.String("a", "Kaj\xc3\xbc \xe2\x82\xac \xf0\x9f\x9a\xa4")
      .String("b", "\xc3(\xc0\xaf\xed\xa0\x80");
  EXPECT_EQ(
      "{\"a\":\"Kaj\xc3\xbc \xe2\x82\xac \xf0\x9f\x9a\xa4\",\"b\":\"\\u00c3(\\u00c0\\u00af"
      "\\u00ed\\u00a0\\u0080\"}",
      u.Close());
  tJsonText full;
  const std::string big(3000, 'x');
  full.String("text", big.c_str());
  EXPECT_FALSE(full.Ok());
  EXPECT_EQ("", full.Close());
}

// Home Assistant's config of each kind of entity, as it reads it.
TEST(HomeAssistant, DiscoveryTextOfEachKind) {
  tDiscoveryDevice d;
  d.discoveryPrefix = "homeassistant";
  d.routerId = "025457000001";
  d.objectId = "ro500_204";
  d.name = "RO500 204";
  d.manufacturer = "Tolvane";
  d.model = "RO500";
  d.version = "2.1";
  d.stateTopic = "tidewire/025457000001/ro500/204/state";
  d.eventTopic = "tidewire/025457000001/ro500/204/event";
  d.routerAvailability = "tidewire/025457000001/status";
  d.deviceAvailability = "tidewire/025457000001/ro500/204/availability";
  d.expireAfterS = 300;
  const std::string tail =
      "\"availability\":[{\"topic\":\"tidewire/025457000001/status\"},{\"topic\":\"tidewire/"
      "025457000001/ro500/204/availability\"}],\"availability_mode\":\"all\",\"origin\":{"
      "\"name\":\"tidewire\"},\"device\":{\"identifiers\":[\"tidewire_025457000001_ro500_204\"],"
      "\"name\":\"RO500 204\",\"manufacturer\":\"Tolvane\",\"model\":\"RO500\",\"sw_version\":"
      "\"2.1\",\"via_device\":\"tidewire_025457000001\"}}";
  const struct {
    const char *key;
    bool charger;
    const char *topic;
    std::string json;
  } kCases[] = {
      {"charge_voltage", true,
       "homeassistant/sensor/tidewire_025457000001/ro500_204_charge_voltage/config",
       "{\"name\":\"Charge voltage\",\"unique_id\":\"tidewire_025457000001_ro500_204_charge_"
       "voltage\",\"object_id\":\"tidewire_025457000001_ro500_204_charge_voltage\",\"default_"
       "entity_id\":\"sensor.tidewire_025457000001_ro500_204_charge_voltage\",\"state_topic\":"
       "\"tidewire/025457000001/ro500/204/state\",\"value_template\":\"{{ "
       "value_json.charge_voltage }}\",\"unit_of_measurement\":\"V\",\"device_class\":\"voltage\","
       "\"state_class\":\"measurement\",\"suggested_display_precision\":2,\"expire_after\":300," +
           tail},
      {"ast14", true, "homeassistant/sensor/tidewire_025457000001/ro500_204_ast14/config",
       "{\"name\":\"AST field 14\",\"unique_id\":\"tidewire_025457000001_ro500_204_ast14\","
       "\"object_id\":\"tidewire_025457000001_ro500_204_ast14\",\"default_entity_id\":\"sensor."
       "tidewire_025457000001_ro500_204_ast14\",\"state_topic\":\"tidewire/025457000001/ro500/204/"
       "state\",\"value_template\":\"{{ value_json.ast14 }}\",\"state_class\":\"measurement\","
       "\"entity_category\":\"diagnostic\",\"enabled_by_default\":false,\"expire_after\":300," +
           tail},
      {"charge_detected", false,
       "homeassistant/binary_sensor/tidewire_025457000001/ro500_204_charge_detected/config",
       "{\"name\":\"Charging\",\"unique_id\":\"tidewire_025457000001_ro500_204_charge_detected\","
       "\"object_id\":\"tidewire_025457000001_ro500_204_charge_detected\",\"default_entity_id\":"
       "\"binary_sensor.tidewire_025457000001_ro500_204_charge_detected\",\"state_topic\":"
       "\"tidewire/025457000001/ro500/204/state\",\"value_template\":\"{{ 'ON' if "
       "value_json.charge_detected else 'OFF' }}\",\"device_class\":\"battery_charging\","
       "\"expire_after\":300," +
           tail},
      {"charge_state", true,
       "homeassistant/sensor/tidewire_025457000001/ro500_204_charge_state/config",
       "{\"name\":\"Charge state\",\"unique_id\":\"tidewire_025457000001_ro500_204_charge_state\","
       "\"object_id\":\"tidewire_025457000001_ro500_204_charge_state\",\"default_entity_id\":"
       "\"sensor.tidewire_025457000001_ro500_204_charge_state\",\"state_topic\":\"tidewire/"
       "025457000001/ro500/204/state\",\"value_template\":\"{{ {0: 'not_charging', 12: 'bulk', "
       "21: 'absorption', 22: 'overcharge', 38: 'equalize', 30: 'float', 39: "
       "'constant_voltage_current'}.get(value_json.charge_state, 'other') }}\",\"device_class\":"
       "\"enum\",\"options\":[\"not_charging\",\"bulk\",\"absorption\",\"overcharge\","
       "\"equalize\",\"float\",\"constant_voltage_current\",\"other\"],\"expire_after\":300," +
           tail},
      {"fault", true, "homeassistant/event/tidewire_025457000001/ro500_204_fault/config",
       "{\"name\":\"Fault\",\"unique_id\":\"tidewire_025457000001_ro500_204_fault\",\"object_id\":"
       "\"tidewire_025457000001_ro500_204_fault\",\"default_entity_id\":\"event.tidewire_"
       "025457000001_ro500_204_fault\",\"state_topic\":\"tidewire/025457000001/ro500/204/event\","
       "\"event_types\":[\"fault\"]," +
           tail},
  };
  for (const auto &c : kCases) {
    const tMqttValue *values = c.charger ? kChargerValues : kBatteryValues;
    const int count = c.charger ? kChargerValueCount : kBatteryValueCount;
    const tMqttValue *v = std::find_if(
        values, values + count, [&](const tMqttValue &x) { return std::string(x.key) == c.key; });
    ASSERT_NE(values + count, v) << c.key;
    EXPECT_EQ(c.topic, DiscoveryTopic(d, *v));
    EXPECT_EQ(c.json, DiscoveryConfig(d, *v)) << c.key;
  }
  tDiscoveryRouter r{"home/assistant", "025457000001", "Tolvane Monitor", "r1-2",
                     "tidewire/025457000001/status"};
  EXPECT_EQ("home/assistant/binary_sensor/tidewire_025457000001/status/config",
            RouterDiscoveryTopic(r));
  EXPECT_EQ(
      "{\"name\":\"Connection\",\"unique_id\":\"tidewire_025457000001_status\",\"object_id\":"
      "\"tidewire_025457000001_status\",\"default_entity_id\":\"binary_sensor.tidewire_"
      "025457000001_status\",\"state_topic\":\"tidewire/025457000001/status\",\"payload_on\":"
      "\"online\",\"payload_off\":\"offline\",\"device_class\":\"connectivity\",\"entity_"
      "category\":\"diagnostic\",\"origin\":{\"name\":\"tidewire\"},\"device\":{\"identifiers\":"
      "[\"tidewire_025457000001\"],\"name\":\"tidewire 025457000001\",\"model\":\"Tolvane "
      "Monitor\",\"sw_version\":\"r1-2\"}}",
      RouterDiscoveryConfig(r));
  EXPECT_EQ("{\"event_type\":\"fault\",\"line\":\"FLT;,100,-99\",\"code\":100}",
            FaultEventJson("FLT;,100,-99\n"));
}

TEST_F(Mqtt, NothingWhileAwayThenEverythingOnConnect) {
  devices.Add(140, 204, "RODE2.1.5", "RO500", rt.now);
  Tick();
  EXPECT_TRUE(transport.sent.empty());
  transport.Connect();
  Tick();
  EXPECT_EQ("-", transport.Last(base + "/status"));  // the connection's own word
  EXPECT_EQ("online", transport.Last(base + "/ro500/204/availability"));
  EXPECT_EQ(16u, transport.Count("homeassistant/sensor/tidewire_02_54_57_00_00_01/ro500_204_"));
  EXPECT_EQ(1u, transport.Count("homeassistant/event/tidewire_02_54_57_00_00_01/ro500_204_fault/"));
  EXPECT_NE(std::string::npos,
            transport.Last("homeassistant/binary_sensor/tidewire_02_54_57_00_00_01/status/config")
                .find("\"state_topic\":\"tidewire/02_54_57_00_00_01/status\""));
  const std::string state = transport.Last(base + "/ro500/204/state");
  EXPECT_EQ(0u, state.find("{\"unique_number\":204,\"hours\":0.00,\"dc_voltage\":0.00,"));
  EXPECT_NE(std::string::npos, state.find("\"units\":{\"hours\":\"h\",\"dc_voltage\":\"V\","));
  EXPECT_NE(std::string::npos, state.find("\"temperature\":\"\\u00b0C\""));
  for (const auto &m : transport.sent) EXPECT_TRUE(m.retain) << m.topic;
  // The charger's discovery text, through the publisher: the device as the list has it.
  EXPECT_NE(std::string::npos,
            transport
                .Last("homeassistant/sensor/tidewire_02_54_57_00_00_01/ro500_204_charge_voltage/"
                      "config")
                .find("\"device\":{\"identifiers\":[\"tidewire_02_54_57_00_00_01_ro500_204\"],"
                      "\"name\":\"RO500 204\",\"manufacturer\":\"NMEA 2000 manufacturer 963\","
                      "\"model\":\"RO500\",\"sw_version\":\"1.0\",\"via_device\":\"tidewire_02_"
                      "54_57_00_00_01\"}}"));
  // Another discovery prefix moves every config, nothing else.
  mqtt.discoveryPrefix = "ha";
  transport.Connect();
  Tick();
  EXPECT_EQ(16u, transport.Count("ha/sensor/tidewire_02_54_57_00_00_01/ro500_204_"));
}

TEST_F(Mqtt, StateOnChangeAtMostOnceASecondAgainEveryMinuteAndLinesAsTheyCome) {
  tRO500 *r = devices.Add(140, 204, "RODE2.1.5", "RO500", rt.now);
  transport.Connect();
  Tick();
  transport.sent.clear();
  Tick();  // nothing changed: nothing sent
  EXPECT_TRUE(transport.sent.empty());
  r->Model().Update(tChargerStatus2{0, 1, 1, 80, 13.95f, 4.5f, 35.0f});
  Tick(500);  // within the second
  EXPECT_TRUE(transport.sent.empty());
  r->Model().Update(tChargerStatus2{0, 1, 1, 80, 14.0f, 4.5f, 35.0f});
  Tick(500);
  ASSERT_EQ(1u, transport.sent.size());
  EXPECT_NE(std::string::npos, transport.sent[0].payload.find("\"charge_current\":4.50,"))
      << transport.sent[0].payload;
  EXPECT_NE(std::string::npos, transport.sent[0].payload.find("\"temperature\":35.00,"));
  EXPECT_NE(std::string::npos, transport.sent[0].payload.find("\"charge_voltage\":14.00,"));
  // The charger's lines, without their line ends, not retained.
  r->Bridge().UpdTerminalFromCAN("CST;,3,14.40\r\nXYZ;,1\r\n", rt.now);
  r->Bridge().poll_serialOut(rt.now);
  ASSERT_EQ(2u, transport.sent.size());
  EXPECT_EQ(base + "/ro500/204/line", transport.sent[1].topic);
  EXPECT_EQ("CST;,3,14.40", transport.sent[1].payload);
  EXPECT_FALSE(transport.sent[1].retain);
  // Unchanged, the state goes again a minute after it last went (its sensors expire
  // after five).
  transport.sent.clear();
  Tick(59000);
  EXPECT_EQ(0u, transport.Count(base + "/ro500/204/state"));
  Tick(1000);
  EXPECT_EQ(1u, transport.Count(base + "/ro500/204/state"));
  // A fault from the diagnostics: an event, not retained.
  transport.sent.clear();
  r->Model().Update(tDiagnostic{1, 1, 0, 1, 0, 100, 0, 1, 0, 0});  // yellow lamp, SPN 100
  ASSERT_EQ(1u, transport.Count(base + "/ro500/204/event"));
  EXPECT_EQ("{\"event_type\":\"fault\",\"line\":\"FLT;,100,-99\",\"code\":100}",
            transport.Last(base + "/ro500/204/event"));
  EXPECT_FALSE(transport.sent.back().retain);
}

TEST_F(Mqtt, OfflineRetainedAndEntitiesKeptUnlessForgetting) {
  devices.Add(140, 204, "RODE2.1.5", "RO500", rt.now);
  transport.Connect();
  Tick();
  devices.Remove(140);  // a blink: OFFLINE, retained ...
  EXPECT_EQ("offline", transport.Last(base + "/ro500/204/availability"));
  EXPECT_TRUE(transport.sent.back().retain);
  Tick(60000);
  devices.Add(140, 204, "RODE2.1.5", "RO500", rt.now);  // ... and back within minutes
  Tick();
  EXPECT_EQ("online", transport.Last(base + "/ro500/204/availability"));
  devices.Remove(140);
  const std::string config =
      "homeassistant/sensor/tidewire_02_54_57_00_00_01/ro500_204_charge_voltage/config";
  for (int day = 0; day < 3; day++) Tick(86400000);  // away for days: kept
  EXPECT_NE("", transport.Last(config));
  EXPECT_NE("", transport.Last(base + "/ro500/204/state"));

  // Forgetting after 60 days, more than the 49.7 days a 32-bit clock holds.
  mqtt.forgetAfterMs = 60ull * 86400000;
  for (int day = 3; day < 59; day++) Tick(86400000);
  Tick(86399000);
  EXPECT_NE("", transport.Last(config));
  Tick(1000);  // 60 days since it went: Home Assistant deletes it
  EXPECT_EQ("", transport.Last(config));
  EXPECT_EQ(
      "", transport.Last("homeassistant/event/tidewire_02_54_57_00_00_01/ro500_204_fault/config"));
  EXPECT_EQ("", transport.Last(base + "/ro500/204/state"));
  EXPECT_EQ("", transport.Last(base + "/ro500/204/availability"));
}

TEST_F(Mqtt, ANewConnectionSendsEverythingAgain) {
  devices.Add(140, 204, "RODE2.1.5", "RO500", rt.now);
  transport.Connect();
  Tick();
  // A new session, nothing changed: the state goes all the same (the broker may have
  // lost it).
  transport.Connect();
  transport.sent.clear();
  Tick(0);
  EXPECT_EQ(1u, transport.Count(base + "/ro500/204/state"));
  transport.connected = false;  // the broker goes away; values change meanwhile
  devices.Find(140)->Model().Update(tChargerStatus2{0, 1, 1, 80, 12.5f, 1.0f, 20.0f});
  Tick();
  Tick();
  const size_t before = transport.sent.size();
  transport.Connect();
  Tick(0);
  // the router's config, the charger's 16 sensors and event, availability, state
  EXPECT_EQ(before + 1 + 16 + 1 + 1 + 1, transport.sent.size());
  EXPECT_NE(std::string::npos,
            transport.Last(base + "/ro500/204/state").find("\"charge_voltage\":12.50,"));
  // A clean stop says the charger offline.
  publisher.Goodbye();
  EXPECT_EQ("offline", transport.Last(base + "/ro500/204/availability"));
}

TEST(MqttValues, BatteryStateScaledAndInUnitsAsTheMessagesDescribeThem) {
  tFakeRuntime rt;
  tTestConsole console;
  tBattery b(35, console, rt.now);
  b.SOC = 175;  // 0.5 % steps
  b.TR = 0xFFFF;
  b.SOH = 0xFF;
  b.CapRem = 180;
  b.RelCap = 151;
  b.BatAHCap = 0xFFFF;
  b.DCPower = 420;
  EXPECT_EQ(
      "{\"instance\":0,\"priority\":0,\"voltage\":0.00,\"current\":0.000,\"temperature\":0.00,"
      "\"soc\":87.5,\"time_remaining\":null,\"soh\":null,\"capacity_remaining\":180,"
      "\"relative_capacity\":75.5,\"ripple\":0.000,\"desired_charge_state\":0,"
      "\"desired_voltage\":0.00,\"desired_current\":0.00,\"battery_type\":0,"
      "\"precise_voltage\":0.000,\"full_capacity\":null,\"dc_power\":420,"
      "\"high_voltage_limit\":false,\"high_voltage_disconnect\":false,"
      "\"low_voltage_limit\":false,\"low_voltage_disconnect\":false,\"discharge_on\":false,"
      "\"charge_on\":false,\"charge_detected\":false,\"reserve_reached\":false,"
      "\"units\":{\"voltage\":\"V\",\"current\":\"A\",\"temperature\":\"\\u00b0C\",\"soc\":\"%\","
      "\"time_remaining\":\"min\",\"soh\":\"%\",\"capacity_remaining\":\"Ah\","
      "\"relative_capacity\":\"%\",\"ripple\":\"V\",\"desired_voltage\":\"V\","
      "\"desired_current\":\"A\",\"precise_voltage\":\"V\",\"full_capacity\":\"Ah\","
      "\"dc_power\":\"W\"}}",
      BatteryStateJson(b));
}

TEST_F(Mqtt, BatteriesByInstanceInTheirUnits) {
  batteries.Update(35, tDCSourceStatus1{1, 120, 13.25f, -4.5f}, rt.now);
  batteries.Update(35, tDCSourceStatus2{1, 120, 25.0f, 175, 600}, rt.now);
  batteries.Update(35, tDCSourceStatus1{2, 100, 12.7f, 0.5f}, rt.now);
  transport.Connect();
  Tick();
  const std::string house = transport.Last(base + "/battery/135-471-1/state");
  EXPECT_EQ(0u, house.find("{\"instance\":1,\"priority\":120,\"voltage\":13.25,\"current\":-4.500,"
                           "\"temperature\":25.00,\"soc\":87.5,\"time_remaining\":600,"))
      << house;
  EXPECT_NE(std::string::npos,
            transport.Last(base + "/battery/135-471-2/state").find("\"voltage\":12.70,"));
  EXPECT_EQ(16u,
            transport.Count("homeassistant/sensor/tidewire_02_54_57_00_00_01/battery_135-471-1_"));
  EXPECT_EQ(4u, transport.Count(
                    "homeassistant/binary_sensor/tidewire_02_54_57_00_00_01/battery_135-471-1_"));
  EXPECT_NE(
      std::string::npos,
      transport.Last("homeassistant/sensor/tidewire_02_54_57_00_00_01/battery_135-471-1_soc/config")
          .find("\"manufacturer\":\"NMEA 2000 manufacturer 135\",\"model\":\"LFP200\""));
  // Unheard for exactly a minute (its last message came at 0): offline; for ten: still
  // there.
  Tick(58000);
  EXPECT_EQ("online", transport.Last(base + "/battery/135-471-1/availability"));
  Tick(1000);
  EXPECT_EQ("offline", transport.Last(base + "/battery/135-471-1/availability"));
  Tick(600000);
  EXPECT_NE("", transport.Last(base + "/battery/135-471-1/state"));
  // Discovery off: state only.
  mqtt.discovery = false;
  transport.sent.clear();
  transport.Connect();
  batteries.Update(35, tDCSourceStatus1{1, 120, 13.0f, 1.0f}, rt.now);
  Tick();
  EXPECT_EQ(0u, transport.Count("homeassistant/"));
  EXPECT_NE("-", transport.Last(base + "/battery/135-471-1/state"));
}

// What the list knows of the node at 140 changes (late configuration information, new
// firmware): the configs go out again with the new device block, for each field.
TEST_F(Mqtt, DiscoveryAgainWhenAnyProductFieldChanges) {
  devices.Add(140, 204, "RODE2.1.5", "RO500", rt.now);
  transport.Connect();
  Tick();
  const std::string config =
      "homeassistant/sensor/tidewire_02_54_57_00_00_01/ro500_204_charge_voltage/config";
  EXPECT_NE(std::string::npos, transport.Last(config).find("\"model\":\"RO500\""));
  // A new unique number each time, so that the list asks for the product again.
  const struct {
    uint32_t unique;
    const char *model, *software, *expected;
  } kChanges[] = {
      {205, "RO500-2", "1.0", "\"model\":\"RO500-2\",\"sw_version\":\"1.0\""},
      {206, "RO500-2", "2.2", "\"model\":\"RO500-2\",\"sw_version\":\"2.2\""},
  };
  for (const auto &c : kChanges) {
    known.Add(140, c.unique, 963, 200, c.model, "", c.software);
    known.Settle();
    transport.sent.clear();
    Tick();
    EXPECT_EQ(16u, transport.Count("homeassistant/sensor/tidewire_02_54_57_00_00_01/ro500_204_"))
        << c.expected;
    EXPECT_NE(std::string::npos, transport.Last(config).find(c.expected)) << transport.Last(config);
    transport.sent.clear();
    Tick();  // unchanged: not again
    EXPECT_EQ(0u, transport.Count("homeassistant/"));
  }
}

#ifdef TIDEWIRE_HAVE_MOSQUITTO
namespace {
constexpr int kNoNamespace = 77;  // not root: no network of the test's own
constexpr int kNoLibrary = 78;

// Reads one MQTT packet of under 128 bytes (a one-byte remaining length) within 3 s.
bool ReadPacket(int fd, std::string &into) {
  size_t want = 2;
  std::string packet;
  while (packet.size() < want) {
    pollfd p = {fd, POLLIN, 0};
    char buf[128];
    if (poll(&p, 1, 3000) != 1) return false;
    const ssize_t n = read(fd, buf, want - packet.size());
    if (n <= 0) return false;
    packet.append(buf, static_cast<size_t>(n));
    if (packet.size() == 2) want = 2 + static_cast<unsigned char>(packet[1]);
  }
  into += packet;
  return true;
}

// Runs in a child process: a network of its own (lo only), a broker there that takes
// one connection and answers CONNECT, the transport connected to it and then stopped.
// Writes to out everything the client sent, in order (or why it could not).
// A network of the process's own, lo only; false when it cannot have one.
bool OwnLoopback() {
  if (unshare(CLONE_NEWNET) != 0) return false;
  ifreq lo{};
  std::strncpy(lo.ifr_name, "lo", sizeof(lo.ifr_name) - 1);
  lo.ifr_flags = IFF_UP | IFF_LOOPBACK | IFF_RUNNING;
  const int ctl = socket(AF_INET, SOCK_DGRAM, 0);
  const bool up = ioctl(ctl, SIOCSIFFLAGS, &lo) == 0;
  close(ctl);
  return up;
}

sockaddr_in BrokerAddress() {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(1883);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

// A listening socket at 127.0.0.1:1883 with room for backlog waiting connections.
int Listen(int backlog) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = BrokerAddress();
  if (bind(listener, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0 ||
      listen(listener, backlog) != 0)
    return -1;
  return listener;
}

int Threads() {
  int n = 0;
  if (DIR *d = opendir("/proc/self/task")) {
    while (const dirent *e = readdir(d)) n += e->d_name[0] != '.';
    closedir(d);
  }
  return n;
}

int BrokerSession(int out) {
  if (!OwnLoopback()) return kNoNamespace;
  const int listener = Listen(1);
  if (listener < 0) return 1;

  tMqttSettings settings;
  settings.host = "127.0.0.1";
  tMosquittoTransport transport;
  std::string got;
  if (!transport.Start(settings, "tw-test", "tw/status", got)) {
    (void)!write(out, got.data(), got.size());
    return kNoLibrary;
  }
  pollfd p = {listener, POLLIN, 0};
  const int c = poll(&p, 1, 5000) == 1 ? accept(listener, nullptr, nullptr) : -1;
  if (c < 0 || !ReadPacket(c, got)) return 2;  // CONNECT
  (void)!write(c, "\x20\x02\x00\x00", 4);      // CONNACK, accepted
  if (!ReadPacket(c, got)) return 3;           // PUBLISH "online"
  for (int i = 0; i < 100 && !transport.Connected(); i++) poll(nullptr, 0, 20);
  transport.Stop();
  // The rest, up to the client's close.
  p = {c, POLLIN, 0};
  char buf[256];
  ssize_t n = 0;
  while (poll(&p, 1, 3000) == 1 && (n = read(c, buf, sizeof(buf))) > 0)
    got.append(buf, static_cast<size_t>(n));
  (void)!write(out, got.data(), got.size());
  return 0;
}

// Runs in a child process: a broker whose queue of waiting connections is full, so the
// transport's connect gets no answer to its SYN; the transport is stopped and
// destroyed meanwhile. Then the queue is emptied, the SYN sent again gets through and
// the connect returns: the thread left behind must end without touching what was
// destroyed (the sanitizer tier sees it).
int StopWhileTheBrokerNeverAnswers() {
  if (!OwnLoopback()) return kNoNamespace;
  const int listener = Listen(0);
  const int filler = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = BrokerAddress();
  if (listener < 0 || connect(filler, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0) return 1;
  tMqttSettings settings;
  settings.host = "127.0.0.1";
  std::unique_ptr<tMosquittoTransport> transport(new tMosquittoTransport);
  std::string error;
  if (!transport->Start(settings, "tw-test", "tw/status", error)) return kNoLibrary;
  poll(nullptr, 0, 200);  // in its connect by now
  if (Threads() != 2) return 2;
  transport->Stop(300);
  transport.reset();
  close(accept(listener, nullptr, nullptr));  // room again
  for (int i = 0; i < 500 && Threads() > 1; i++) poll(nullptr, 0, 20);
  return Threads() == 1 ? 0 : 3;
}

// The message id of a QoS 1 PUBLISH packet (one-byte remaining length).
int MessageId(const std::string &p) {
  const size_t topic =
      4 + ((static_cast<unsigned char>(p[2]) << 8) | static_cast<unsigned char>(p[3]));
  return (static_cast<unsigned char>(p[topic]) << 8) | static_cast<unsigned char>(p[topic + 1]);
}

// Accepts the transport's connection, CONNACKs it and reads its "online"; the packets
// read go to got. The connection, or -1.
int Session(int listener, std::string &got) {
  pollfd p = {listener, POLLIN, 0};
  const int c = poll(&p, 1, 5000) == 1 ? accept(listener, nullptr, nullptr) : -1;
  if (c < 0 || !ReadPacket(c, got)) return -1;  // CONNECT
  (void)!write(c, "\x20\x02\x00\x00", 4);
  return c;
}

// Runs in a child process: what the transport counts as on its way is what the broker
// has not acknowledged, across a lost connection (libmosquitto sends it again).
int InFlightAcrossAReconnect() {
  if (!OwnLoopback()) return kNoNamespace;
  const int listener = Listen(1);
  tMqttSettings settings;
  settings.host = "127.0.0.1";
  tMosquittoTransport transport;
  std::string error, got;
  if (listener < 0 || !transport.Start(settings, "tw-test", "tw/status", error)) return kNoLibrary;
  int c = Session(listener, got);
  for (int i = 0; i < 100 && !transport.Connected(); i++) poll(nullptr, 0, 20);
  for (int i = 0; i < 3; i++)
    if (!transport.Publish("tw/a", "x", true)) return 2;
  for (int i = 0; i < 4; i++)
    if (!ReadPacket(c, got)) return 3;  // "online" and the three, none acknowledged
  if (transport.InFlight() != 4) return 10 + transport.InFlight();
  close(c);  // the connection lost
  for (int i = 0; i < 100 && transport.Connected(); i++) poll(nullptr, 0, 20);
  c = Session(listener, got);
  for (int i = 0; i < 100 && !transport.Connected(); i++) poll(nullptr, 0, 20);
  // The three, and "online" twice: nothing acknowledged yet.
  if (transport.InFlight() != 5) return 20 + transport.InFlight();
  // Both "online" and the three sent again, each acknowledged (PUBACK) as it comes.
  for (int i = 0; i < 5; i++) {
    std::string one;
    if (!ReadPacket(c, one)) return 4;
    const int mid = MessageId(one);
    const char ack[] = {0x40, 0x02, static_cast<char>(mid >> 8), static_cast<char>(mid & 0xff)};
    (void)!write(c, ack, sizeof(ack));
  }
  for (int i = 0; i < 100 && transport.InFlight() > 0; i++) poll(nullptr, 0, 10);
  return transport.InFlight() == 0 ? 0 : 30 + transport.InFlight();
}

std::string Hex(const std::string &bytes) {
  std::string hex;
  char b[4];
  for (unsigned char c : bytes) {
    snprintf(b, sizeof(b), "%02X ", c);
    hex += b;
  }
  return hex;
}
}  // namespace

// A child's status: passed, skipped (said), or failed.
void ExpectChild(pid_t child, const std::string &said) {
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  if (WEXITSTATUS(status) == kNoNamespace) GTEST_SKIP() << "needs root for a network namespace";
  if (WEXITSTATUS(status) == kNoLibrary) GTEST_SKIP() << said;
  ASSERT_EQ(0, WEXITSTATUS(status)) << said;
}

TEST(MosquittoTransport, StopWhileTheBrokerNeverAnswers) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(StopWhileTheBrokerNeverAnswers());
  ExpectChild(child, "libmosquitto, or the thread left behind did not end");
}

TEST(MosquittoTransport, InFlightUntilAcknowledgedAcrossAReconnect) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(InFlightAcrossAReconnect());
  ExpectChild(child, "the count of messages on their way");
}

// The connection as a broker sees it: the will ("offline", retained, QoS 1) in CONNECT,
// "online" once connected, and on a stop "offline" and a DISCONNECT, so that the broker
// drops the will of a router that said goodbye itself.
TEST(MosquittoTransport, WillOnlineThenOfflineAndDisconnectOnStop) {
  int pipeFds[2];
  ASSERT_EQ(0, pipe(pipeFds));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(pipeFds[0]);
    _exit(BrokerSession(pipeFds[1]));
  }
  close(pipeFds[1]);
  std::string got;
  char buf[512];
  ssize_t n;
  while ((n = read(pipeFds[0], buf, sizeof(buf))) > 0) got.append(buf, static_cast<size_t>(n));
  close(pipeFds[0]);
  ExpectChild(child, Hex(got));
  if (::testing::Test::HasFatalFailure() || ::testing::Test::IsSkipped()) return;
  EXPECT_EQ(
      // CONNECT: MQTT 3.1.1, clean session, will QoS 1 retained, keep-alive 30 s,
      // client id, will topic, will message
      "10 27 00 04 4D 51 54 54 04 2E 00 1E 00 07 74 77 2D 74 65 73 74 "
      "00 09 74 77 2F 73 74 61 74 75 73 00 07 6F 66 66 6C 69 6E 65 "
      // PUBLISH QoS 1 retained, message id 1: tw/status online
      "33 13 00 09 74 77 2F 73 74 61 74 75 73 00 01 6F 6E 6C 69 6E 65 "
      // PUBLISH QoS 1 retained, message id 2: tw/status offline
      "33 14 00 09 74 77 2F 73 74 61 74 75 73 00 02 6F 66 66 6C 69 6E 65 "
      // DISCONNECT
      "E0 00 ",
      Hex(got));
}
#endif
