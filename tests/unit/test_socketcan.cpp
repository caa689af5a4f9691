// This machine's kernel has no CAN, so the socket itself is proven in the VM harness.
// Here: opening fails cleanly, and reading, filtering and writing work on can_frame
// records carried by a SOCK_SEQPACKET pair, as a CAN socket carries them.
#include <dirent.h>
#include <errno.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "CanSocketPair.h"
#include "SocketCanTransport.h"

namespace {

int OpenFdCount() {
  int count = 0;
  if (DIR *dir = opendir("/proc/self/fd")) {
    while (readdir(dir)) ++count;
    closedir(dir);
  }
  return count;
}

RawCanFrame Raw(uint32_t canId, uint8_t len, uint8_t first = 0) {
  RawCanFrame r;
  memset(&r, 0, sizeof(r));
  r.canId = canId;
  r.len = len;
  for (int i = 0; i < 8; ++i) r.data[i] = static_cast<uint8_t>(first + i);
  return r;
}

}  // namespace

TEST(SocketCanTransport, OpenFailsCleanlyWithoutInterfaceOrKernelSupport) {
  const char *names[] = {"tw-nosuch0", "lo" /* exists, but is no CAN interface */};
  int fdsBefore = OpenFdCount();
  for (const char *name : names) {
    tSocketCanTransport t(name);
    for (int i = 0; i < 50; ++i) {  // the node retries every second
      EXPECT_FALSE(t.Open()) << name;
      t.Close();
    }
    EXPECT_FALSE(t.IsOpen());
    EXPECT_EQ(t.Fd(), -1);
    tCanFrame f;
    EXPECT_EQ(t.Read(f), tCanIo::kGone);
    EXPECT_EQ(t.Write(f), tCanIo::kGone);
    EXPECT_EQ(t.Stats().reopens, 0u);
  }
  EXPECT_EQ(OpenFdCount(), fdsBefore);

  std::string tooLong(tSocketCanTransport::kMaxNameLen, 'c');
  const char *badNames[] = {"", tooLong.c_str(), nullptr};
  for (const char *name : badNames) {
    tSocketCanTransport t(name);
    EXPECT_FALSE(t.Open());
  }
}

class SocketCanAdopted : public ::testing::Test {
 protected:
  void SetUp() override {
    int sv[2];
    ASSERT_EQ(CanSocketPair(sv), 0);
    ASSERT_TRUE(can_.Adopt(sv[0]));
    bus_ = sv[1];
  }
  void TearDown() override {
    if (bus_ >= 0) close(bus_);
  }
  void Inject(const void *record, size_t len) {
    ASSERT_EQ(send(bus_, record, len, 0), static_cast<ssize_t>(len));
  }

  tSocketCanTransport can_{"tw-nosuch0"};
  int bus_ = -1;
};

TEST_F(SocketCanAdopted, ReadsExtendedFramesAndCountsTheRest) {
  tCanFrame f;
  EXPECT_EQ(can_.Read(f), tCanIo::kNone);

  RawCanFrame records[] = {
      Raw(0x123, 8),                     // standard
      Raw(kEff | kRtr | 0x18EAFF00, 3),  // remote
      Raw(kErr | 0x20, 8),               // controller error report
      Raw(kEff | 0x09F80123, 9),         // impossible length
      Raw(kEff | 0x09F80123, 4, 0xA0),   // the one good frame
  };
  for (int i = 0; i < 4; ++i) Inject(&records[i], sizeof(RawCanFrame));
  Inject(&records[4], 8);  // a short record
  Inject(&records[4], sizeof(RawCanFrame));

  ASSERT_EQ(can_.Read(f), tCanIo::kOk);
  EXPECT_EQ(f.id, 0x09F80123u);
  ASSERT_EQ(f.len, 4);
  EXPECT_EQ(f.data[0], 0xA0);
  EXPECT_EQ(f.data[3], 0xA3);
  EXPECT_EQ(can_.Read(f), tCanIo::kNone);
  EXPECT_EQ(can_.Stats().rxDropped, 5u);
  EXPECT_EQ(can_.Stats().rxFrames, 1u);
}

TEST_F(SocketCanAdopted, WritesExtendedFramesAndReportsAFullQueue) {
  tCanFrame f;
  f.id = 0x18EEFF23;
  f.len = 3;
  f.data[0] = 1;
  f.data[1] = 2;
  f.data[2] = 3;
  ASSERT_EQ(can_.Write(f), tCanIo::kOk);
  RawCanFrame got;
  ASSERT_EQ(recv(bus_, &got, sizeof(got), 0), static_cast<ssize_t>(sizeof(got)));
  EXPECT_EQ(got.canId, kEff | 0x18EEFF23);
  EXPECT_EQ(got.len, 3);
  EXPECT_EQ(got.data[2], 3);
  EXPECT_EQ(got.data[3], 0);  // unused bytes are not garbage

  f.len = 9;
  EXPECT_EQ(can_.Write(f), tCanIo::kError);
  EXPECT_EQ(can_.Stats().txErrors, 1u);

  // Nobody reading: the queue fills and Write says "later", not "error".
  f.len = 8;
  tCanIo io = tCanIo::kOk;
  for (int i = 0; i < 100000 && io == tCanIo::kOk; ++i) io = can_.Write(f);
  EXPECT_EQ(io, tCanIo::kNone);
  EXPECT_EQ(can_.Stats().txErrors, 1u);
}

TEST_F(SocketCanAdopted, PeerLossAndCloseLeaveNoDescriptor) {
  close(bus_);
  bus_ = -1;
  tCanFrame f;
  EXPECT_EQ(can_.Read(f), tCanIo::kGone);
  EXPECT_EQ(can_.Write(f), tCanIo::kError);  // EPIPE, and no SIGPIPE
  EXPECT_EQ(can_.Stats().txErrors, 1u);
  can_.Close();
  EXPECT_FALSE(can_.IsOpen());
  EXPECT_FALSE(can_.Open());  // back to the named interface, which does not exist
}
