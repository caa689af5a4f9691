// cantest: a SocketCAN round trip for the VM smoke test.
//
//   cantest IFACE SEND RECV      e.g. cantest vcan0 18EEFF23#0102030405060708 18FF0142#DEADBEEF
//
// Opens a CAN_RAW socket on IFACE, sends SEND (cansend's ID#DATA form, 8 hex digits = extended),
// prints "READY" once the frame is out, then expects the next frame it receives to be RECV
// (sent by cansend from test.sh). Its own frame must not come back: CAN_RAW does not echo a
// socket's frames to itself unless asked. It is linked against the build tree's libnmea2000.so
// (for millis()) so the smoke test also proves the harness carries build-tree libraries.
#include <linux/can.h>
#include <linux/can/raw.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "N2kTime.h"

namespace {

// Guards against a hang only; the VM's own deadline is the real limit.
constexpr int kReceiveDeadlineMs = 20000;

bool ParseFrame(const std::string &text, can_frame &frame) {
  const auto hash = text.find('#');
  if (hash != 8) return false;  // only extended frames: exactly 8 hex digits of identifier
  const std::string data = text.substr(hash + 1);
  if (data.size() % 2 != 0 || data.size() / 2 > CAN_MAX_DLEN) return false;
  std::memset(&frame, 0, sizeof frame);
  try {
    size_t used = 0;
    const unsigned long id = std::stoul(text.substr(0, 8), &used, 16);
    if (used != 8 || id > CAN_EFF_MASK) return false;
    frame.can_id = static_cast<canid_t>(id) | CAN_EFF_FLAG;
    for (size_t i = 0; i < data.size() / 2; ++i) {
      frame.data[i] = static_cast<uint8_t>(std::stoul(data.substr(2 * i, 2), &used, 16));
      if (used != 2) return false;
    }
  } catch (const std::exception &) {
    return false;
  }
  frame.can_dlc = static_cast<uint8_t>(data.size() / 2);
  return true;
}

std::string FormatFrame(const can_frame &frame) {
  char buf[64];
  int n = (frame.can_id & CAN_EFF_FLAG)
              ? std::snprintf(buf, sizeof buf, "%08X#", frame.can_id & CAN_EFF_MASK)
              : std::snprintf(buf, sizeof buf, "%03X#", frame.can_id & CAN_SFF_MASK);
  for (int i = 0; i < frame.can_dlc && i < CAN_MAX_DLEN; ++i) {
    n += std::snprintf(buf + n, sizeof buf - n, "%02X", frame.data[i]);
  }
  return buf;
}

int Fail(const char *what) {
  std::printf("cantest: FAIL: %s (%s)\n", what, std::strerror(errno));
  return 1;
}

}  // namespace

int main(int argc, char **argv) {
  can_frame tx{}, expected{};
  if (argc != 4 || !ParseFrame(argv[2], tx) || !ParseFrame(argv[3], expected)) {
    std::fprintf(stderr, "usage: cantest IFACE SENDID#DATA RECVID#DATA (8-digit extended ids)\n");
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // test.sh waits for lines in the log
  const uint32_t start = millis();

  const int fd = socket(PF_CAN, SOCK_RAW, CAN_RAW);
  if (fd < 0) return Fail("socket(PF_CAN, SOCK_RAW, CAN_RAW)");
  sockaddr_can addr{};
  addr.can_family = AF_CAN;
  addr.can_ifindex = static_cast<int>(if_nametoindex(argv[1]));
  if (addr.can_ifindex == 0) return Fail("no such interface");
  if (bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) return Fail("bind");

  if (write(fd, &tx, sizeof tx) != static_cast<ssize_t>(sizeof tx)) return Fail("write");
  std::printf("cantest: sent %s\n", FormatFrame(tx).c_str());
  std::printf("READY\n");

  pollfd pfd{fd, POLLIN, 0};
  const int ready = poll(&pfd, 1, kReceiveDeadlineMs);
  if (ready < 0) return Fail("poll");
  if (ready == 0) {
    std::printf("cantest: FAIL: nothing received\n");
    return 1;
  }
  can_frame rx{};
  if (read(fd, &rx, sizeof rx) != static_cast<ssize_t>(sizeof rx)) return Fail("read");
  close(fd);

  const std::string got = FormatFrame(rx), want = FormatFrame(expected);
  std::printf("cantest: got %s after %u ms\n", got.c_str(),
              static_cast<unsigned>(millis() - start));
  if (got != want || !(rx.can_id & CAN_EFF_FLAG)) {
    std::printf("cantest: FAIL: expected %s\n", want.c_str());
    return 1;
  }
  std::printf("cantest: PASS\n");
  return 0;
}
