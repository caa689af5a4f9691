// The terminal bridge fed any text a charger (or a node at its address) may send: the
// characters of TERMINAL messages in pieces of up to 8, line feeds or none, status
// lines and garbage, overlong lines, NULs; between pieces the bridge writes to the port,
// files lines, ticks its status output and now and then queues a command of its own.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>

#include "FuzzCheck.h"
#include "FuzzPort.h"
#include "FuzzRuntime.h"
#include "RO500.h"

namespace {
void CheckBuffers(const tTerminalBridge &bridge) {
  FUZZ_CHECK(bridge.ReceivedLength() < tTerminalBridge::kBufferSize);
  FUZZ_CHECK(bridge.Receiving() || bridge.ReceivedText().empty());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  tFuzzRuntime &rt = FuzzRuntime();
  static tFuzzPort port;
  FuzzedDataProvider in(data, size);
  FuzzConsole().SetDebugLevel(in.ConsumeBool() ? 9 : 0);
  rt.now = in.ConsumeIntegral<uint32_t>();

  tRO500 r(140, FuzzSettings(), rt, FuzzConsole(), rt.now);
  tTerminalBridge &bridge = r.Bridge();
  bridge.OpenPort(port.path, rt.now);
  FUZZ_CHECK(bridge.TtyFd() != -1);
  r.markAlive(rt.now);
  if (in.ConsumeBool()) bridge.terminal2CAN("$RAS:@", rt.now);
  while (in.remaining_bytes() > 0) {
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
      case 0:
        rt.now += in.ConsumeIntegralInRange<uint32_t>(0, 25000);
        rt.wall += in.ConsumeIntegralInRange<int>(0, 7200);
        bridge.poll_terminal(rt.now);
        r.Model().poll_status(rt.now);
        break;
      case 1:
        bridge.poll_serialOut(rt.now);
        break;
      case 2:
        if (in.ConsumeIntegralInRange<int>(0, 3) == 0) bridge.terminal2CAN("$RAS:@", rt.now);
        break;
      default: {
        // One TERMINAL message: up to 8 characters, cut at a NUL as the handler cuts it.
        char chars[9] = {0};
        const std::string piece = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<size_t>(0, 8));
        std::memcpy(chars, piece.data(), piece.size());
        bridge.UpdTerminalFromCAN(chars, rt.now);
        break;
      }
    }
    CheckBuffers(bridge);
    port.Drain();
  }
  bridge.poll_serialOut(rt.now);
  CheckBuffers(bridge);
  const std::string ast = r.Model().AstLine(rt.now);
  FUZZ_CHECK(ast.empty() || ast.compare(0, 5, "AST;,") == 0);
  port.Drain();
  return 0;
}
