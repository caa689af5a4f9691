// DM_RV diagnostics and product identification.
#include "Console.h"
#include "HandlerContext.h"
#include "RVCHandlers.h"
#include "RVCMessages.h"

namespace {
constexpr int kDiagnosticsLogLevel = 8;
constexpr int kProdIdLogLevel = 1;
constexpr uint32_t kSpnMask = 0x7FFF;  // the fault line carries 15 bits of the SPN
}  // namespace

void ISODiagnostics(tHandlerContext &ctx, const tN2kMsg &msg) {
  bool on, active, red, yellow;
  uint8_t dsa, count, dsaExt, bank;
  uint32_t spn;
  tISOFMIType fmi;
  if (!ParseISOPGN1FECA(msg, on, active, red, yellow, dsa, spn, fmi, count, dsaExt, bank)) return;
  if (ctx.console.Logging(kDiagnosticsLogLevel))
    StreamPrintf(&ctx.console,
                 "ISODiagnostics(%d): On=%d, Active=%d, Red=%d, Yellow=%d, DSA=%d, SPN=%d, "
                 "FMI=%d, Count=%d, DSA_ext=%d, Bank=%d\n",
                 msg.Source, on, active, red, yellow, dsa, static_cast<int>(spn), fmi, count,
                 dsaExt, bank);
  ctx.devices.Update(
      msg.Source, tDiagnostic{on, active, red, yellow, dsa, static_cast<int>(spn & kSpnMask), fmi,
                              count, dsaExt, bank});
}

void RVCProdID(tHandlerContext &ctx, const tN2kMsg &) {
  if (ctx.console.Logging(kProdIdLogLevel)) ctx.console.println("RVCProdID: Not supported");
}
