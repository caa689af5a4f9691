// TERMINAL text from a RO500, handed to its bridge.
#include <cstring>

#include "Console.h"
#include "HandlerContext.h"
#include "RVCHandlers.h"
#include "RVCMessages.h"

namespace {
constexpr int kTerminalLogLevel = 6;
constexpr int kMaxTerminalChars = 8;  // one message carries at most 8
}  // namespace

void RVCTerminal(tHandlerContext &ctx, const tN2kMsg &msg) {
  unsigned char address;
  int count;
  char chars[kMaxTerminalChars];
  if (!ParseRVCPGN17E00(msg, address, count, chars)) return;
  if (count < 0) count = 0;
  if (count > kMaxTerminalChars) count = kMaxTerminalChars;
  char text[16];
  memcpy(text, chars, static_cast<size_t>(count));
  text[count] = '\0';
  tRO500 *ro500 = ctx.devices.Find(msg.Source);
  if (ro500 != nullptr) ro500->Bridge().UpdTerminalFromCAN(text, ctx.now);
  // Logged after the routing, unlike the other handlers.
  if (ctx.console.Logging(kTerminalLogLevel))
    StreamPrintf(&ctx.console, "RVCTerminal(%d): Source=%d, Count=%d, Characters=%s\n", msg.Source,
                 address, count, text);
}
