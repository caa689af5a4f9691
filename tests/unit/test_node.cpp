// Whole nodes talking over an in-memory bus: address contention, requests, device list.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "AddressClaim.h"
#include "N2kDeviceList.h"
#include "N2kGroupMessages.h"
#include "N2kMessages.h"
#include "TestBus.h"

namespace {

std::vector<tN2kMsg> gReceived;
void Collect(const tN2kMsg &m) {
  gReceived.push_back(m);
}

struct tNodeFixture : ::testing::Test {
  tVirtualBus bus;
  tFakeClock clock;

  std::unique_ptr<tTestNode> MakeNode(uint32_t unique, uint8_t address, const char *model) {
    std::unique_ptr<tTestNode> n(new tTestNode(bus, clock));
    n->SetProductInformation("SER1", 277, model, "1.2.3", "rev A");
    n->SetProgmemConfigurationInformation("Tidewire test maker");
    n->SetDeviceInformation(unique, 150, 30, 277, 4);
    n->SetMode(tNMEA2000::N2km_ListenAndNode, address);
    return n;
  }
  void SetUp() override { gReceived.clear(); }
};

uint64_t ClaimName(const tCanFrame &f) {
  uint64_t n = 0;
  for (int i = 7; i >= 0; i--) n = (n << 8) | f.data[i];
  return n;
}

}  // namespace

TEST_F(tNodeFixture, MovesWhenALowerNameTakesItsAddressAndReportsItOnce) {
  auto ours = MakeNode(204, 177, "ours");
  auto other = MakeNode(5, 100, "other");  // lower unique number: lower NAME
  ASSERT_LT(other->GetName(), ours->GetName());
  tProbe probe(bus);
  ASSERT_TRUE(ours->Open());
  RunFor(clock, {ours.get()}, 300);
  EXPECT_EQ(177, ours->GetN2kSource());
  EXPECT_TRUE(ours->IsReady());

  // The contender claims 177 directly.
  tCanFrame claim = AddressClaimFrame(other->GetName(), 177);
  probe.Send(claim);
  RunFor(clock, {ours.get()}, 300);
  EXPECT_EQ(178, ours->GetN2kSource());
  EXPECT_TRUE(ours->ReadResetAddressChanged());
  EXPECT_FALSE(ours->ReadResetAddressChanged());

  // On the wire: our claim at 177, the contender's, our claim at 178.
  std::vector<uint32_t> claims;
  for (auto &f : probe.Drain())
    if (tCanId(f.id).PGN() == kPgnIsoAddressClaim && ClaimName(f) == ours->GetName())
      claims.push_back(f.id);
  ASSERT_EQ(2u, claims.size());
  EXPECT_EQ(0x18EEFFB1u, claims[0]);
  EXPECT_EQ(0x18EEFFB2u, claims[1]);

  // A higher NAME claiming our new address is refused: we claim again and stay.
  probe.Send(AddressClaimFrame(~0ull, 178));
  RunFor(clock, {ours.get()}, 50);
  EXPECT_EQ(178, ours->GetN2kSource());
  EXPECT_FALSE(ours->ReadResetAddressChanged());
  bool defended = false;
  for (auto &f : probe.Drain()) defended |= f.id == 0x18EEFFB2u && ClaimName(f) == ours->GetName();
  EXPECT_TRUE(defended);
}

TEST_F(tNodeFixture, AnswersRequestsAndRefusesWhatItCannotGive) {
  auto node = MakeNode(204, 35, "ours");
  ASSERT_TRUE(node->Open());
  tProbe probe(bus);
  RunFor(clock, {node.get()}, 300);
  probe.Drain();

  auto request = [&](uint8_t dest, unsigned long pgn) {
    tN2kMsg m;
    SetN2kPGN59904(m, dest, pgn);
    tCanFrame f;
    f.id = tCanId::Make(6, m.PGN, m.Destination, 0x10).Raw();
    f.len = m.DataLen;
    memcpy(f.data, m.Data, m.DataLen);
    probe.Send(f);
    RunFor(clock, {node.get()}, 20);
    return probe.Drain();
  };

  auto frames = request(35, kPgnProductInformation);
  ASSERT_EQ(20u, frames.size());  // 134 bytes as a fast packet
  EXPECT_EQ(0x19F01423u, frames[0].id);
  EXPECT_EQ(134, frames[0].data[1]);

  frames = request(255, kPgnConfigurationInformation);
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(0x19F01623u, frames[0].id);

  frames = request(35, kPgnPgnList);  // both lists, addressed to the requester
  int lists = 0;
  for (auto &f : frames) lists += (f.id == 0x19EE1023u && (f.data[0] & 0x1F) == 0) ? 1 : 0;
  EXPECT_EQ(2, lists);

  frames = request(35, 127750);  // addressed, not supported: NAK to the requester
  ASSERT_EQ(1u, frames.size());
  EXPECT_EQ(0x18E81023u, frames[0].id);
  const uint8_t nak[8] = {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x06, 0xF3, 0x01};
  EXPECT_EQ(0, memcmp(nak, frames[0].data, 8));

  EXPECT_TRUE(request(255, 127750).empty());                 // global and unsupported: silence
  EXPECT_TRUE(request(36, kPgnProductInformation).empty());  // someone else's

  frames = request(255, kPgnIsoAddressClaim);
  ASSERT_EQ(1u, frames.size());
  EXPECT_EQ(0x18EEFF23u, frames[0].id);
}

TEST_F(tNodeFixture, SendsHeartbeatsAndHandsMessagesToTheHandler) {
  auto node = MakeNode(204, 35, "ours");
  node->SetMsgHandler(Collect);
  ASSERT_TRUE(node->Open());
  tProbe probe(bus);
  RunFor(clock, {node.get()}, 300);
  int beats = 0;
  for (auto &f : probe.Drain()) beats += tCanId(f.id).PGN() == kPgnHeartbeat ? 1 : 0;
  EXPECT_EQ(1, beats);
  RunFor(clock, {node.get()}, kHeartbeatIntervalMs, 100);
  beats = 0;
  for (auto &f : probe.Drain()) beats += tCanId(f.id).PGN() == kPgnHeartbeat ? 1 : 0;
  EXPECT_EQ(1, beats);

  // A message addressed to another node still reaches the handler of a listening node.
  probe.Send(MakeFrame(0x1D7E4280, {'A', 'O', 'K', ';', 0xFF, 0xFF, 0xFF, 0xFF}));
  RunFor(clock, {node.get()}, 10);
  ASSERT_FALSE(gReceived.empty());
  EXPECT_EQ(0x17E00u, gReceived.back().PGN);
  EXPECT_EQ(0x42, gReceived.back().Destination);
  EXPECT_EQ(0x80, gReceived.back().Source);
}

TEST_F(tNodeFixture, FullQueueDropsWholeMessagesAndCountsThem) {
  auto node = MakeNode(204, 35, "ours");
  node->SetFrameBufferSize(25);
  ASSERT_TRUE(node->Open());
  // Not settled yet, so nothing leaves: 25 frames hold one 20-frame message only.
  tN2kMsg m;
  SetN2kPGN126996(m, node->ProductInformation());
  EXPECT_TRUE(node->SendMsg(m));
  EXPECT_FALSE(node->SendMsg(m));
  EXPECT_EQ(1u, node->Stats().txDropped);
  tN2kMsg tooLong(15, 6, 127508, 0);
  tooLong.DataLen = 9;  // a single-frame PGN cannot carry nine bytes
  EXPECT_FALSE(node->SendMsg(tooLong));
  EXPECT_EQ(1u, node->Stats().txRefused);
}

TEST_F(tNodeFixture, DeviceListDiscoversNodesAndWhatTheyAre) {
  auto ours = MakeNode(204, 177, "ours");
  auto a = MakeNode(301, 140, "RO500");
  auto b = MakeNode(302, 141, "Battery");
  static const unsigned long kTx[] = {127508, 130723, 0};
  a->ExtendTransmitMessages(kTx);
  ASSERT_TRUE(a->Open());
  ASSERT_TRUE(b->Open());
  RunFor(clock, {a.get(), b.get()}, 300);

  tN2kDeviceList list(ours.get());
  ASSERT_TRUE(ours->Open());
  EXPECT_FALSE(list.ReadResetIsListUpdated());
  RunFor(clock, {ours.get(), a.get(), b.get()}, 1500);
  EXPECT_TRUE(list.ReadResetIsListUpdated());
  EXPECT_FALSE(list.ReadResetIsListUpdated());
  EXPECT_EQ(2, list.Count());

  const tN2kDeviceList::tDevice *d = list.LocalFindDeviceBySource(140);
  ASSERT_NE(nullptr, d);
  EXPECT_EQ(301u, d->GetUniqueNumber());
  EXPECT_EQ(277, d->GetManufacturerCode());
  EXPECT_EQ(277, d->GetProductCode());
  EXPECT_STREQ("RO500", d->GetModelID());
  EXPECT_STREQ("1.2.3", d->GetSwCode());
  EXPECT_STREQ("rev A", d->GetModelVersion());
  EXPECT_STREQ("Tidewire test maker", d->GetManufacturerInformation());
  ASSERT_NE(nullptr, d->GetTransmitPGNs());
  ASSERT_NE(nullptr, d->GetReceivePGNs());
  std::vector<unsigned long> tx;
  for (const unsigned long *p = d->GetTransmitPGNs(); *p; p++) tx.push_back(*p);
  EXPECT_EQ(127508u, tx[tx.size() - 2]);
  EXPECT_EQ(130723u, tx.back());
  EXPECT_EQ(nullptr, list.LocalFindDeviceBySource(254));
  EXPECT_EQ(nullptr, list.LocalFindDeviceBySource(177));  // not ourselves

  // A device that moves is found at its new address; its old one is empty.
  tProbe probe(bus);
  probe.Send(AddressClaimFrame(b->GetName(), 150));
  RunFor(clock, {ours.get()}, 20);
  EXPECT_TRUE(list.ReadResetIsListUpdated());
  EXPECT_EQ(nullptr, list.LocalFindDeviceBySource(141));
  ASSERT_NE(nullptr, list.LocalFindDeviceBySource(150));
  EXPECT_STREQ("Battery", list.LocalFindDeviceBySource(150)->GetModelID());

  // New product information (a software update, say) without a new claim replaces the
  // old identity.
  a->SetProductInformation("SER1", 277, "RO500B", "2.0.1", "rev A");
  tN2kMsg product;
  SetN2kPGN126996(product, a->ProductInformation());
  ASSERT_TRUE(a->SendMsg(product));
  RunFor(clock, {ours.get(), a.get()}, 20);
  EXPECT_TRUE(list.ReadResetIsListUpdated());
  ASSERT_NE(nullptr, list.LocalFindDeviceBySource(140));
  EXPECT_STREQ("RO500B", list.LocalFindDeviceBySource(140)->GetModelID());
  EXPECT_STREQ("2.0.1", list.LocalFindDeviceBySource(140)->GetSwCode());
}

TEST_F(tNodeFixture, DeviceListIsBoundedWhenNodesStaySilent) {
  auto ours = MakeNode(204, 177, "ours");
  tN2kDeviceList list(ours.get());
  ASSERT_TRUE(ours->Open());
  tProbe probe(bus);
  // A node that claims but answers nothing else: asked a bounded number of times.
  probe.Send(AddressClaimFrame(0x1234, 60));
  RunFor(clock, {ours.get()}, 10000);
  int asked = 0;
  for (auto &f : probe.Drain())
    if (tCanId(f.id).PGN() == kPgnIsoRequest && tCanId(f.id).Destination() == 60) asked++;
  EXPECT_EQ(3 * kDeviceQueryAttempts, asked);
  const tN2kDeviceList::tDevice *d = list.LocalFindDeviceBySource(60);
  ASSERT_NE(nullptr, d);
  EXPECT_STREQ("", d->GetModelID());
  EXPECT_STREQ("", d->GetManufacturerInformation());
  EXPECT_EQ(nullptr, d->GetTransmitPGNs());
  EXPECT_EQ(0, d->GetProductCode());
}

TEST_F(tNodeFixture, DeletedDeviceListDetachesFromTheNode) {
  auto ours = MakeNode(204, 177, "ours");
  ASSERT_TRUE(ours->Open());
  {
    tN2kDeviceList list(ours.get());
    RunFor(clock, {ours.get()}, 300);
  }
  tProbe probe(bus);
  probe.Send(AddressClaimFrame(0x1234, 60));
  RunFor(clock, {ours.get()}, 50);  // would touch the deleted list if still attached
  tN2kDeviceList fresh(ours.get());
  RunFor(clock, {ours.get()}, 50);
  EXPECT_EQ(0, fresh.Count());  // a new list knows nobody until they answer
}

TEST_F(tNodeFixture, ALostLinkIsReopenedAndClaimedOnceAgain) {
  auto node = MakeNode(204, 35, "ours");
  ASSERT_TRUE(node->Open());
  tProbe probe(bus);
  RunFor(clock, {node.get()}, 300);
  probe.Drain();
  node->port->SetLinkDown(true);
  RunFor(clock, {node.get()}, 3000, 10);
  EXPECT_FALSE(node->IsReady());
  node->port->SetLinkDown(false);
  RunFor(clock, {node.get()}, 1300, 10);
  EXPECT_TRUE(node->IsReady());
  EXPECT_EQ(1u, node->Stats().linkLost);
  int claims = 0;
  for (auto &f : probe.Drain()) claims += f.id == 0x18EEFF23u ? 1 : 0;
  EXPECT_EQ(1, claims);
  EXPECT_FALSE(node->ReadResetAddressChanged());
}

// A loop that owns the wait sleeps exactly until the node has timed work: the settle
// of its claim, the device list's questions, queued messages, the heartbeat.
TEST_F(tNodeFixture, TellsTheLoopWhenItNextNeedsToRun) {
  auto node = MakeNode(204, 35, "ours");
  tN2kDeviceList list(node.get());
  EXPECT_EQ(kN2kNeverDue, node->MsUntilDue(clock.now));  // not open yet
  ASSERT_TRUE(node->Open());
  EXPECT_EQ(0u, node->MsUntilDue(clock.now));  // the claim is due at once
  node->ParseMessages();
  EXPECT_EQ(250u, node->MsUntilDue(clock.now));  // J1939's 250 ms after the claim
  clock.now += 250;
  node->ParseMessages();  // settled: the first heartbeat and the device list's request
  EXPECT_TRUE(node->IsReady());
  node->ParseMessages();
  EXPECT_EQ(60000u, node->MsUntilDue(clock.now));  // next heartbeat, nothing else

  tProbe probe(bus);
  probe.Drain();
  probe.Send(AddressClaimFrame(0x1234, 60));  // a new device: asked about at once
  node->ParseMessages();
  node->ParseMessages();
  EXPECT_EQ(1000u, node->MsUntilDue(clock.now));  // its unanswered questions come again
  clock.now += 400;
  tN2kMsg msg;
  SetN2kPGN59904(msg, 60, 126996);
  ASSERT_TRUE(node->SendMsg(msg));
  EXPECT_EQ(0u, node->MsUntilDue(clock.now));  // a queued message goes on the next pass
  node->ParseMessages();
  EXPECT_EQ(600u, node->MsUntilDue(clock.now));
  EXPECT_GE(node->PollFd(), -1);
  EXPECT_FALSE(node->WantsWrite());
}
