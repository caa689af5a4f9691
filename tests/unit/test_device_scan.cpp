#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "DeviceScan.h"
#include "FakeDirectories.h"
#include "FakeRuntime.h"
#include "PtyPort.h"
#include "TestBus.h"
#include "TtyAssignment.h"

namespace {
// Each charger's port by its unique number.
class tPortsByUnique : public tTtyAssigner {
 public:
  std::map<int, std::string> ports;
  void AssignTty(int unique, const char *, tTtyRequester &requester, uint32_t now) override {
    requester.TtyAssigned(unique, ports[unique], now);
  }
};

// Real nodes on an in-memory bus; the scan reads the device list of "ours" and
// registers with the process registry.
class tScan : public ::testing::Test {
 protected:
  void SetUp() override {
    ttys.ports[301] = port301.path;
    ttys.ports[302] = port302.path;
    ours = MakeNode(204, 177, "ours", "1.0", 277, 277);
  }
  void TearDown() override { devices.Clear(); }
  std::unique_ptr<tTestNode> MakeNode(uint32_t unique, uint8_t address, const char *model,
                                      const char *sw, uint16_t maker, uint16_t product) {
    std::unique_ptr<tTestNode> n(new tTestNode(bus, clock));
    n->SetProductInformation("SER1", product, model, sw, "rev A");
    n->SetProgmemConfigurationInformation("Maker");
    n->SetDeviceInformation(unique, 150, 30, maker, 4);
    n->SetMode(tNMEA2000::N2km_ListenAndNode, address);
    return n;
  }
  // Opens the nodes and lets the list learn everybody.
  void Settle(std::initializer_list<tNMEA2000 *> nodes) {
    for (auto *n : nodes) n->Open();
    ours->Open();
    std::vector<tNMEA2000 *> all(nodes);
    all.push_back(ours.get());
    for (uint32_t t = 0; t <= 1500; t += 5) {
      for (auto *n : all) n->ParseMessages();
      clock.now += 5;
    }
  }

  tFakeRuntime rt;
  tRunSettings settings;
  tTestConsole console;
  tPtyPort port301, port302;
  tVirtualBus bus;
  tFakeClock clock;
  std::unique_ptr<tTestNode> ours;
  tPortsByUnique ttys;
  tEmptyDirectory deviceList;
  tDevices devices{settings, ttys, deviceList, rt, console};
};
}  // namespace

TEST_F(tScan, RegistersEachRO500OnceAndReportsNothingBelowLevelSeven) {
  console.SetDebugLevel(6);
  // RO500s at both ends of the address range, 253 and 0.
  auto ro500 = MakeNode(301, 253, "RO500", "RODE2.1.5", 963, 200);
  auto atZero = MakeNode(302, 0, "RO500", "1.0", 963, 200);
  auto other = MakeNode(305, 141, "RO501", "1.0", 963, 201);  // another product
  auto noModel = MakeNode(303, 142, "", "1.0", 963, 200);     // no model ID
  auto otherMaker = MakeNode(304, 143, "RO500", "1.0", 277, 200);
  tN2kDeviceList list(ours.get());
  Settle({ro500.get(), atZero.get(), other.get(), noModel.get(), otherMaker.get()});
  ScanDeviceList(list, devices, console, rt.now);
  EXPECT_EQ(2u, devices.Count());
  tRO500 *r = devices.Find(253);
  ASSERT_NE(nullptr, r);
  EXPECT_EQ(301, r->UniqueNumber());
  EXPECT_EQ(215, r->Version());
  EXPECT_EQ("RO500 #301 ONLINE\n", port301.Read());
  ASSERT_NE(nullptr, devices.Find(0));
  EXPECT_EQ("RO500 #302 ONLINE\n", port302.Read());
  EXPECT_EQ(std::string::npos, console.text.find("ModeID"));
  EXPECT_EQ(std::string::npos, console.text.find("*****"));

  // Unchanged list: nothing happens, not even for a charger the registry has dropped.
  console.text.clear();
  ScanDeviceList(list, devices, console, rt.now);
  EXPECT_EQ("", console.text);
  devices.Remove(253);
  ScanDeviceList(list, devices, console, rt.now);
  EXPECT_EQ(nullptr, devices.Find(253));  // the list has not changed since
}

TEST_F(tScan, ReportsEveryDeviceAtLevelSeven) {
  console.SetDebugLevel(7);
  auto ro500 = MakeNode(301, 140, "RO500", "2.0", 963, 200);
  static const unsigned long kTx[] = {127507, 12510, 0};
  ro500->ExtendTransmitMessages(kTx);
  tN2kDeviceList list(ours.get());
  Settle({ro500.get()});
  console.text.clear();
  ScanDeviceList(list, devices, console, rt.now);
  EXPECT_EQ(0u, console.text.find("\r\n**********************************************************"
                                  "************\r\n"));
  EXPECT_TRUE(console.Has("  ModeID: RO500\r\n  Source: 140\r\n"));
  EXPECT_TRUE(
      console.Has("  Manufacturer code:        963\r\n"
                  "  Product code:             200\r\n"
                  "  Unique number:            301\r\n"
                  "  Software version:         2.0\r\n"
                  "  Model version:            rev A\r\n"
                  "  Manufacturer Information: Maker\r\n"
                  "  Transmit PGNs :"));
  EXPECT_TRUE(console.Has(", 127507, 12510\r\n  Receive PGNs  :"));
  EXPECT_EQ("\r\n\r\n", console.text.substr(console.text.size() - 4));
  EXPECT_NE(nullptr, devices.Find(140));
}

TEST_F(tScan, PgnListsPrintedAsTheyAre) {
  const unsigned long two[] = {127507, 12510, 0};
  PrintPGNList(console, "  Transmit PGNs :", two);
  EXPECT_EQ("  Transmit PGNs :127507, 12510\r\n", console.text);
  console.text.clear();
  PrintPGNList(console, "  Receive PGNs  :", nullptr);
  EXPECT_EQ("", console.text);
  const unsigned long none[] = {0};
  PrintPGNList(console, "L:", none);
  EXPECT_EQ("L:\r\n", console.text);
  std::vector<unsigned long> many(300, 59904);
  many.push_back(0);
  console.text.clear();
  PrintPGNList(console, "L:", many.data());  // more entries than an 8-bit count holds
  EXPECT_EQ(2u + 5 + 299 * 7 + 2, console.text.size());
  ReportDevice(nullptr, devices, console, rt.now);
}

TEST_F(tScan, AnAddressHeldByAnotherDeviceChangesHands) {
  console.SetDebugLevel(1);
  // Registered earlier: 301 at 140 and 302 at 150. Now 302 is at 140, and 301 gone.
  devices.Add(140, 301, "1.0", "RO500", rt.now);
  devices.Add(150, 302, "1.0", "RO500", rt.now);
  port301.Read();
  port302.Read();
  auto moved = MakeNode(302, 140, "RO500", "1.0", 963, 200);
  tN2kDeviceList list(ours.get());
  Settle({moved.get()});
  ScanDeviceList(list, devices, console, rt.now);
  EXPECT_EQ("RO500 #301 OFFLINE\n", port301.Read());
  EXPECT_EQ("RO500 #302 OFFLINE\nRO500 #302 ONLINE\n", port302.Read());
  ASSERT_NE(nullptr, devices.Find(140));
  EXPECT_EQ(302, devices.Find(140)->UniqueNumber());
  EXPECT_EQ(nullptr, devices.Find(150));
  EXPECT_EQ(1u, devices.Count());
  EXPECT_TRUE(console.Has("ReportDevice: RO500 #301 no longer at CANAddr = 140\n"));
  EXPECT_TRUE(console.Has("ReportDevice: RO500 #302 moved from CANAddr = 150 to 140\n"));

  // Typed text now reaches the charger that is at 140.
  port302.Type("$RAS:@\n");
  tRO500 *r = devices.Find(140);
  ASSERT_TRUE(WaitReadable(r->Bridge().TtyFd()));
  rt.sent.clear();
  devices.poll(rt.now);
  rt.now += 50;
  devices.poll(rt.now);
  ASSERT_FALSE(rt.sent.empty());
  EXPECT_EQ(140, rt.sent.back().Destination);
}

TEST_F(tScan, ARecordGoesWhenAnotherKindOfDeviceTakesItsAddress) {
  devices.Add(140, 301, "1.0", "RO500", rt.now);
  port301.Read();
  auto battery = MakeNode(301, 140, "Battery", "1.0", 277, 5);  // same number, other maker
  tN2kDeviceList list(ours.get());
  Settle({battery.get()});
  ScanDeviceList(list, devices, console, rt.now);
  EXPECT_EQ(0u, devices.Count());
  EXPECT_EQ("RO500 #301 OFFLINE\n", port301.Read());
}

TEST_F(tScan, AChargerQuietOnTheBusGoesOfflineOnceAndBackWithItsHeartbeat) {
  auto ro500 = MakeNode(301, 140, "RO500", "RODE2.1.5", 963, 200);
  std::unique_ptr<tN2kDeviceList> list(new tN2kDeviceList(ours.get()));
  Settle({ro500.get()});
  ScanDeviceList(*list, devices, console, rt.now);
  EXPECT_EQ("RO500 #301 ONLINE\n", port301.Read());
  // No charger status 2 for 1500 ms: dropped, the list rebuilt and the charger, still
  // answering on the bus, found again at once; it stays off for ten more seconds.
  for (int pass = 0; pass < 8; pass++) {
    rt.now += 1500;
    devices.poll(rt.now);
    list.reset(new tN2kDeviceList(ours.get()));
    for (int t = 0; t < 300; t++, clock.now += 5) {
      ro500->ParseMessages();
      ours->ParseMessages();
    }
    ASSERT_NE(nullptr, list->LocalFindDeviceBySource(140));
    ScanDeviceList(*list, devices, console, rt.now);
    EXPECT_EQ(0u, devices.Count());
  }
  EXPECT_EQ("RO500 #301 OFFLINE\n", port301.Read(100));
  // Its heartbeat again: registered anew, with its status request.
  devices.heartbeat(140, rt.now);
  ScanDeviceList(*list, devices, console, rt.now);
  ASSERT_NE(nullptr, devices.Find(140));
  EXPECT_STREQ("$RAS:@", devices.Find(140)->Bridge().CommandText().c_str());
  EXPECT_EQ("RO500 #301 ONLINE\n", port301.Read());
}

TEST_F(tScan, ARO500ThatLeavesAddressZeroLeavesNoRecordThere) {
  console.SetDebugLevel(1);
  devices.Add(0, 301, "1.0", "RO500", rt.now);
  port301.Read();
  auto moved = MakeNode(301, 140, "RO500", "1.0", 963, 200);
  tN2kDeviceList list(ours.get());
  Settle({moved.get()});
  ScanDeviceList(list, devices, console, rt.now);
  EXPECT_EQ(nullptr, devices.Find(0));
  ASSERT_NE(nullptr, devices.Find(140));
  EXPECT_EQ(301, devices.Find(140)->UniqueNumber());
  EXPECT_EQ(1u, devices.Count());
  EXPECT_EQ("RO500 #301 OFFLINE\nRO500 #301 ONLINE\n", port301.Read());
  EXPECT_TRUE(console.Has("ReportDevice: RO500 #301 moved from CANAddr = 0 to 140\n"));
}
