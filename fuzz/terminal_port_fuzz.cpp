// The terminal bridge fed anything a user's program may type at the port: lines of any
// length, none, NULs, control bytes, commands with and without "@". Whatever the bridge
// reads goes to the charger as TERMINAL messages of at most 8 characters each.
#include <fuzzer/FuzzedDataProvider.h>

#include <sys/ioctl.h>

#include <cstring>

#include "FuzzCheck.h"
#include "FuzzPort.h"
#include "FuzzRuntime.h"
#include "TerminalBridge.h"

namespace {
// Counts the TERMINAL messages the bridge sends and checks each.
class tTerminalRuntime : public tFuzzRuntime {
 public:
  bool SendMsg(const tN2kMsg &msg) override {
    FUZZ_CHECK(msg.PGN == 0x17E00 && msg.DataLen == 8);
    sent++;
    return true;
  }
};

// Lets the bridge read what was typed. It echoes every byte it takes (local echo is
// on), so the echo coming back tells when it has taken all of it; the pty hands bytes
// over a little later than they were written. An echo that did not fit the pty's
// other direction is lost: then a quiet moment with nothing left to read ends it.
void ReadAll(tTerminalBridge &r, tTerminalRuntime &rt, tFuzzPort &port, size_t typed,
             size_t &echoed) {
  for (int quiet = 0; echoed < typed && quiet < 100;) {
    struct pollfd fds[2] = {{r.TtyFd(), POLLIN, 0}, {port.master, POLLIN, 0}};
    if (::poll(fds, 2, 20) <= 0) {
      int waiting = 0;
      if (ioctl(r.TtyFd(), FIONREAD, &waiting) == 0 && waiting == 0) return;
      quiet++;
      continue;
    }
    quiet = 0;
    if (fds[0].revents & POLLIN) {
      r.poll_serialIn(rt.now);
      FUZZ_CHECK(r.TypedLength() < tTerminalBridge::kBufferSize - 1);
      // Sends whatever was queued, a piece per 50 ms.
      for (int i = 0; i < 600 && r.Sending(); i++) {
        rt.now += tTerminalBridge::kChunkIntervalMs;
        r.poll_terminal(rt.now);
      }
    }
    if (fds[1].revents & POLLIN) echoed += port.Drain();
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static tTerminalRuntime rt;
  static tFuzzPort port;
  FuzzedDataProvider in(data, size);
  FuzzConsole().SetDebugLevel(in.ConsumeBool() ? 9 : 0);
  FuzzSettings().localEcho = true;

  tTerminalBridge r(140, FuzzSettings(), rt, FuzzConsole());
  r.OpenPort(port.path, rt.now);
  FUZZ_CHECK(r.TtyFd() != -1);
  port.Drain();
  size_t typedTotal = 0, echoed = 0;
  while (in.remaining_bytes() > 0) {
    const std::string typed = in.ConsumeRandomLengthString(8192);
    int stuck = 0;
    for (size_t done = 0; done < typed.size();) {
      const size_t n = port.Type(typed.data() + done, typed.size() - done);
      done += n;
      typedTotal += n;
      // A full pty that the bridge does not read away would stall the user for good.
      stuck = n == 0 ? stuck + 1 : 0;
      FUZZ_CHECK(stuck < 1000);
      ReadAll(r, rt, port, typedTotal, echoed);
    }
  }
  return 0;
}
