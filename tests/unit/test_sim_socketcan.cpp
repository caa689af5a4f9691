// The SocketCAN form of the link, on a socket pair carrying struct can_frame: frames
// flow both ways, and the log agrees with what crossed the link, as candump on the
// interface would.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "CanSocketPair.h"
#include "Simulator.h"

namespace {

std::string Text(uint32_t id, const uint8_t *data, int len) {
  char buf[32];
  int n = snprintf(buf, sizeof(buf), "%08X#", id);
  for (int i = 0; i < len; i++) n += snprintf(buf + n, sizeof(buf) - n, "%02X", data[i]);
  return buf;
}

}  // namespace

TEST(SimSocketCan, FramesCrossBothWaysAndTheLogMatchesTheWire) {
  int sv[2];
  ASSERT_EQ(CanSocketPair(sv), 0);
  char path[] = "/tmp/sim_can_log_XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  std::unique_ptr<tSimLink> link = MakeSocketCanSimLinkOnFd(sv[0], "vcan0");
  ASSERT_TRUE(link);
  tCandumpLog log;
  ASSERT_TRUE(log.Open(path, link->DefaultIfName()));
  std::vector<std::string> wire;  // every frame on the interface, either way
  {
    tSimulator sim(std::move(link), &log);
    ASSERT_TRUE(sim.ExecuteLine("node bat address=0x50", {"test", 1}));

    // Everybody is asked for their claim before bat's first claim went out: that one
    // claim answers the request too.
    RawCanFrame request = {0x18EAFF23u | kEff, 3, 0, 0, 0, {0x00, 0xEE, 0x00}};
    ASSERT_EQ(write(sv[1], &request, sizeof(request)), static_cast<ssize_t>(sizeof(request)));
    wire.push_back(Text(0x18EAFF23, request.data, 3));
    int claims = 0;
    for (int i = 0; i < 400; i++) {
      sim.Step(1);
      RawCanFrame f;
      while (recv(sv[1], &f, sizeof(f), MSG_DONTWAIT) == static_cast<ssize_t>(sizeof(f))) {
        EXPECT_TRUE(f.canId & kEff);
        wire.push_back(Text(f.canId & ~kEff, f.data, f.len));
        claims += (f.canId & ~kEff) == 0x18EEFF50u;
      }
    }
    ASSERT_EQ(claims, 1);
    EXPECT_EQ(sim.Stats().fromLink, 1u);
  }
  log.Close();

  std::vector<std::string> logged;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line[0] != '(') continue;
    const size_t name = line.find(' ') + 1;
    EXPECT_EQ(line.substr(name, 6), "vcan0 ");
    logged.push_back(line.substr(name + 6));
  }
  std::sort(wire.begin(), wire.end());
  std::sort(logged.begin(), logged.end());
  EXPECT_EQ(logged, wire);
  close(sv[1]);
  unlink(path);
}
