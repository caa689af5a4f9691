// MQTT publishing on a recording transport: the JSON texts, what a new connection
// sends (status, discovery, availability, state), changes at most once a second,
// status lines as they come, nothing kept while away, offline and removal for good,
// batteries by DC instance.
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

  tScopedRuntime rt;
  tScopedConsole console;
  tRunSettings settings;
  tMqttSettings mqtt;
  tPtyPort port;
  tFakeTtys ttys;
  tKnownDevices known;
  tDevices devices{settings, ttys, known, rt};
  tBatteries batteries{settings, known};
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
  tJsonText full;
  const std::string big(3000, 'x');
  full.String("text", big.c_str());
  EXPECT_FALSE(full.Ok());
  EXPECT_EQ("", full.Close());
}

TEST_F(Mqtt, NothingWhileAwayThenEverythingOnConnect) {
  devices.Add(140, 204, "RODE2.1.5", "RO500");
  Tick();
  EXPECT_TRUE(transport.sent.empty());
  transport.Connect();
  Tick();
  EXPECT_EQ("online", transport.Last(base + "/status"));
  EXPECT_EQ("online", transport.Last(base + "/ro500/204/availability"));
  EXPECT_EQ(16u, transport.Count("homeassistant/sensor/tidewire_02_54_57_00_00_01/ro500_204_"));
  const std::string state = transport.Last(base + "/ro500/204/state");
  EXPECT_EQ(0u, state.find("{\"unique_number\":204,\"hours\":0.00,\"dc_voltage\":0.00,"));
  EXPECT_NE(std::string::npos, state.find("\"units\":{\"hours\":\"h\",\"dc_voltage\":\"V\","));
  EXPECT_NE(std::string::npos, state.find("\"temperature\":\"\\u00b0C\""));
  for (const auto &m : transport.sent) EXPECT_TRUE(m.retain) << m.topic;

  // The config of one value, as Home Assistant reads it.
  EXPECT_EQ(
      "{\"name\":\"Charge voltage\",\"unique_id\":\"tidewire_02_54_57_00_00_01_ro500_204_charge_"
      "voltage\",\"object_id\":\"tidewire_02_54_57_00_00_01_ro500_204_charge_voltage\",\"state_"
      "topic\":\"tidewire/02_54_57_00_00_01/ro500/204/state\",\"value_template\":\"{{ "
      "value_json.charge_voltage }}\",\"unit_of_measurement\":\"V\",\"device_class\":\"voltage\","
      "\"state_class\":\"measurement\",\"availability\":[{\"topic\":\"tidewire/02_54_57_00_00_01/"
      "status\"},{\"topic\":\"tidewire/02_54_57_00_00_01/ro500/204/availability\"}],"
      "\"availability_mode\":\"all\",\"device\":{\"identifiers\":[\"tidewire_02_54_57_00_00_01_"
      "ro500_204\"],\"name\":\"RO500 204\",\"manufacturer\":\"NMEA 2000 manufacturer "
      "963\",\"model\":\"RO500\","
      "\"sw_version\":\"1.0\"}}",
      transport.Last(
          "homeassistant/sensor/tidewire_02_54_57_00_00_01/ro500_204_charge_voltage/config"));
}

TEST_F(Mqtt, StateOnChangeAtMostOnceASecondAndLinesAsTheyCome) {
  tRO500 *r = devices.Add(140, 204, "RODE2.1.5", "RO500");
  transport.Connect();
  Tick();
  transport.sent.clear();
  Tick();  // nothing changed: nothing sent
  EXPECT_TRUE(transport.sent.empty());
  r->UpdateCS2({0, 1, 1, 80, 13.95f, 4.5f, 35.0f});
  Tick(500);  // within the second
  EXPECT_TRUE(transport.sent.empty());
  r->UpdateCS2({0, 1, 1, 80, 14.0f, 4.5f, 35.0f});
  Tick(500);
  ASSERT_EQ(1u, transport.sent.size());
  EXPECT_NE(std::string::npos, transport.sent[0].payload.find("\"charge_current\":4.50,"))
      << transport.sent[0].payload;
  EXPECT_NE(std::string::npos, transport.sent[0].payload.find("\"temperature\":35.00,"));
  EXPECT_NE(std::string::npos, transport.sent[0].payload.find("\"charge_voltage\":14.00,"));
  // The charger's lines, without their line ends, not retained.
  r->UpdTerminalFromCAN("CST;,3,14.40\r\nXYZ;,1\r\n");
  r->poll_serialOut();
  ASSERT_EQ(2u, transport.sent.size());
  EXPECT_EQ(base + "/ro500/204/line", transport.sent[1].topic);
  EXPECT_EQ("CST;,3,14.40", transport.sent[1].payload);
  EXPECT_FALSE(transport.sent[1].retain);
}

TEST_F(Mqtt, OfflineAtOnceRemovedOnlyWhenGoneForGood) {
  devices.Add(140, 204, "RODE2.1.5", "RO500");
  transport.Connect();
  Tick();
  devices.Remove(140);  // a blink: OFFLINE ...
  EXPECT_EQ("offline", transport.Last(base + "/ro500/204/availability"));
  Tick(60000);
  devices.Add(140, 204, "RODE2.1.5", "RO500");  // ... and back within minutes
  Tick();
  EXPECT_EQ("online", transport.Last(base + "/ro500/204/availability"));
  devices.Remove(140);
  Tick(599000);
  const std::string config =
      "homeassistant/sensor/tidewire_02_54_57_00_00_01/ro500_204_charge_voltage/config";
  EXPECT_NE("", transport.Last(config));
  Tick(1000);  // ten minutes offline: gone
  EXPECT_EQ("", transport.Last(config));
  EXPECT_EQ("", transport.Last(base + "/ro500/204/state"));
  EXPECT_EQ("", transport.Last(base + "/ro500/204/availability"));
}

TEST_F(Mqtt, ANewConnectionSendsEverythingAgain) {
  devices.Add(140, 204, "RODE2.1.5", "RO500");
  transport.Connect();
  Tick();
  transport.connected = false;  // the broker goes away; values change meanwhile
  devices.Find(140)->UpdateCS2({0, 1, 1, 80, 12.5f, 1.0f, 20.0f});
  Tick();
  Tick();
  const size_t before = transport.sent.size();
  transport.Connect();
  Tick(0);
  EXPECT_EQ(before + 1 + 16 + 1 + 1,
            transport.sent.size());  // status, configs, availability, state
  EXPECT_NE(std::string::npos,
            transport.Last(base + "/ro500/204/state").find("\"charge_voltage\":12.50,"));
}

TEST_F(Mqtt, BatteriesByInstanceInTheirUnits) {
  batteries.UpdateDCSS1(35, {1, 120, 13.25f, -4.5f});
  batteries.UpdateDCSS2(35, {1, 120, 25.0f, 175, 600});
  batteries.UpdateDCSS1(35, {2, 100, 12.7f, 0.5f});
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
  EXPECT_NE(
      std::string::npos,
      transport.Last("homeassistant/sensor/tidewire_02_54_57_00_00_01/battery_135-471-1_soc/config")
          .find("\"manufacturer\":\"NMEA 2000 manufacturer 135\",\"model\":\"LFP200\""));
  // Unheard for a minute: offline; for ten: gone.
  Tick(60000);
  EXPECT_EQ("offline", transport.Last(base + "/battery/135-471-1/availability"));
  Tick(600000);
  EXPECT_EQ("", transport.Last(base + "/battery/135-471-1/state"));
  // Discovery off: state only.
  mqtt.discovery = false;
  transport.sent.clear();
  transport.Connect();
  batteries.UpdateDCSS1(35, {1, 120, 13.0f, 1.0f});
  Tick();
  EXPECT_EQ(0u, transport.Count("homeassistant/"));
  EXPECT_NE("-", transport.Last(base + "/battery/135-471-1/state"));
}
