// End to end through a real pty pair: a bus-library node on the serial-line (LAWICEL)
// link, the simulator as its adapter with simulated nodes behind it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <string>

#include "N2kDeviceList.h"
#include "NMEA2000_SocketCAN.h"
#include "RVCMessages.h"
#include "Simulator.h"

namespace {

class tCollector : public tNMEA2000::tMsgListener {
 public:
  void HandleMsg(const tN2kMsg &msg, uint32_t) override { messages.push_back(msg); }
  void Tick(uint32_t) override {}
  std::vector<tN2kMsg> messages;
};

class SimPty : public ::testing::Test {
 protected:
  void SetUp() override {
    char path[] = "/tmp/sim_pty_log_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    logPath_ = path;
    ASSERT_TRUE(log_.Open(path, "can0"));
    std::string peer;
    std::unique_ptr<tSimLink> link = MakeSimLinkOnNewPty(peer);
    ASSERT_TRUE(link);
    peer_ = peer;
    sim_.reset(new tSimulator(std::move(link), &log_));

    node_.reset(new tNMEA2000_SocketCAN(peer.c_str()));
    // A higher NAME than the simulated node's (device class 120 against 25).
    node_->SetDeviceInformation(77, 130, 120, 2046, 4);
    node_->SetMode(tNMEA2000::N2km_ListenAndNode, 35);
    node_->SetPollTimeout(0);
    node_->AttachListener(&collector_);
    list_.reset(new tN2kDeviceList(node_.get()));
  }
  void TearDown() override {
    list_.reset();
    node_.reset();
    sim_.reset();
    unlink(logPath_.c_str());
  }

  // Runs both sides until done() holds; a guard against hanging, not a speed check.
  template <typename Done>
  bool PumpUntil(Done done) {
    for (int i = 0; i < 10000; i++) {
      sim_->Step(1);
      node_->ParseMessages();
      if (done()) return true;
    }
    return false;
  }

  bool Answered(unsigned long pgn, uint8_t source) const {
    for (const auto &m : collector_.messages)
      if (m.PGN == pgn && m.Source == source) return true;
    return false;
  }

  std::string logPath_;
  std::string peer_;  // the node's end of the pty pair
  tCandumpLog log_;
  std::unique_ptr<tSimulator> sim_;
  std::unique_ptr<tNMEA2000_SocketCAN> node_;
  std::unique_ptr<tN2kDeviceList> list_;
  tCollector collector_;
};

}  // namespace

TEST_F(SimPty, NodeLearnsSimulatedDeviceTalksToItAndLosesItsAddressToIt) {
  ASSERT_TRUE(sim_->ExecuteLine(
      "node charger unique=1001 address=0x42 model=\"RO500 sim\" behaviour=echo-terminal",
      {"test", 1}));
  ASSERT_TRUE(node_->Open());

  // The device list asks for everybody's claim, then for the product information.
  ASSERT_TRUE(PumpUntil([&] {
    const auto *d = list_->LocalFindDeviceBySource(0x42);
    return d != nullptr && d->HasProductInformation();
  }));
  EXPECT_STREQ(list_->LocalFindDeviceBySource(0x42)->GetModelID(), "RO500 sim");
  EXPECT_EQ(list_->LocalFindDeviceBySource(0x42)->GetUniqueNumber(), 1001u);

  // A TERMINAL text comes back from the echoing behaviour.
  tN2kMsg text;
  SetRVCPGN17E00(text, 0x42, 5, "HELLO");
  ASSERT_TRUE(node_->SendMsg(text));
  ASSERT_TRUE(PumpUntil([&] { return Answered(0x17E00, 0x42); }));

  // The simulated node takes our address with its lower NAME: we move.
  ASSERT_TRUE(sim_->ExecuteLine("claim charger 35", {"test", 2}));
  ASSERT_TRUE(PumpUntil([&] { return node_->ReadResetAddressChanged(); }));
  EXPECT_NE(node_->GetN2kSource(), 35);
  ASSERT_TRUE(PumpUntil([&] {
    const auto *d = list_->LocalFindDeviceBySource(35);
    return d != nullptr && d->GetUniqueNumber() == 1001u;
  }));

  // Malformed input reaches the node's transport raw, and is dropped there.
  ASSERT_TRUE(sim_->ExecuteLine("rawline T18EEFF239", {"test", 3}));
  ASSERT_TRUE(PumpUntil([&] { return node_->TransportStats()->rxDropped >= 1; }));

  // The log holds each frame the node sent exactly once, and what the simulator sent.
  ASSERT_TRUE(sim_->ExecuteLine("frame 18EEFF23#", {"test", 4}));
  for (int i = 0; i < 20; i++) sim_->Step(1);
  log_.Flush();
  std::ifstream in(logPath_);
  std::map<std::string, int> counts;
  std::string line;
  bool linkReady = false;
  while (std::getline(in, line)) {
    if (line == "# link ready") linkReady = true;
    if (line[0] == '(') counts[line.substr(line.find(' ', line.find(' ') + 1) + 1)]++;
  }
  EXPECT_TRUE(linkReady);
  EXPECT_EQ(counts["1D7E4223#48454C4C4FFFFFFF"], 1);  // our TERMINAL text to 0x42
  EXPECT_EQ(counts["1D7E2342#48454C4C4FFFFFFF"], 1);  // its echo
  EXPECT_EQ(counts["18EEFF23#"], 1);                  // the injected frame
  EXPECT_EQ(counts["18EEFF23#E903C0FF008232C0"], 1);  // the simulated node's claim of 35
  EXPECT_EQ(sim_->Stats().fromLink, node_->Stats().txFrames);
}

TEST_F(SimPty, AdapterResetIsLoggedAndLastsUntilTheNodeOpensTheChannelAgain) {
  ASSERT_TRUE(sim_->ExecuteLine("node charger address=0x42", {"test", 1}));
  ASSERT_TRUE(node_->Open());
  ASSERT_TRUE(PumpUntil([&] { return node_->IsReady() && sim_->FindNode("charger")->IsReady(); }));
  const uint32_t fromLink = sim_->Stats().fromLink;
  const uint32_t dropped = sim_->Stats().droppedToLink;
  const uint32_t refused = node_->TransportStats()->txErrors;

  ASSERT_TRUE(sim_->ExecuteLine("adapter reset", {"test", 2}));
  tN2kMsg msg;
  SetRVCPGN17E00(msg, 0x42, 2, "hi");
  ASSERT_TRUE(node_->SendMsg(msg));
  ASSERT_TRUE(sim_->ExecuteLine("send charger 1FEA3h ChrgInst=1", {"test", 3}));
  ASSERT_TRUE(PumpUntil([&] {
    return node_->TransportStats()->txErrors > refused && sim_->Stats().droppedToLink > dropped;
  }));
  EXPECT_EQ(sim_->Stats().fromLink, fromLink);

  // The node sends its open sequence again (here typed on a second descriptor of its end).
  int fd = open(peer_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "O\r", 2), 2);
  close(fd);
  ASSERT_TRUE(node_->SendMsg(msg));
  ASSERT_TRUE(PumpUntil([&] { return sim_->Stats().fromLink > fromLink; }));

  log_.Flush();
  std::ifstream in(logPath_);
  std::vector<std::string> comments;
  std::string line;
  while (std::getline(in, line))
    if (line[0] == '#') comments.push_back(line);
  EXPECT_EQ(comments, (std::vector<std::string>{"# link ready", "# link not ready: adapter reset",
                                                "# link ready"}));
}
