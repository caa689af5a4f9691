#include "LoopParts.h"

#include <cinttypes>

#include "Console.h"
#include "DeviceScan.h"
#include "N2kTime.h"

int tLinkPart::PollFds(struct pollfd *fds, int room) {
  const int fd = node_.PollFd();
  if (batchMs_ > 0 || fd < 0 || room < 1) return 0;
  fds[0] = {fd, static_cast<short>(POLLIN | (node_.WantsWrite() ? POLLOUT : 0)), 0};
  return 1;
}

uint32_t tLinkPart::MsUntilDue(uint32_t now) const {
  const uint32_t due = node_.MsUntilDue(now);
  return batchMs_ > 0 && batchMs_ < due ? batchMs_ : due;
}

void tLinkPart::Pass(uint32_t now) {
  handlersNow_ = now;
  const uint32_t before = node_.Stats().rxFrames;
  node_.ParseMessages();
  const uint32_t frames = node_.Stats().rxFrames - before;
  batchMs_ = frames >= kFullBusFrames                     ? kLinkBatchFullMs
             : frames > 1 || (frames == 1 && readFrames_) ? kLinkBatchMs
                                                          : 0;
  readFrames_ = frames > 0;
}

void tAddressPart::Pass(uint32_t now) {
  keeper_.Follow(node_.ReadResetClaimEvents(), node_.GetN2kSource(0), node_.IsReady(), now);
}

void tScanPart::Pass(uint32_t now) {
  if (tN2kDeviceList *list = list_.List()) ScanDeviceList(*list, devices_, console_, now);
}

uint32_t tDropsPart::MsUntilDue(uint32_t now) const {
  if (!console_.Logging(2)) return kN2kNeverDue;
  return started_ ? N2kMsLeft(now, last_, kReportMs) : 0;
}

void tDropsPart::Pass(uint32_t now) {
  if (!console_.Logging(2)) return;
  if (started_ && now - last_ < kReportMs) return;
  started_ = true;
  last_ = now;
  const uint64_t ports = devices_.PortBytesDropped();
  const uint64_t datagrams = raw_.Dropped();
  if (ports == portBytes_ && datagrams == datagrams_) return;
  portBytes_ = ports;
  datagrams_ = datagrams;
  StreamPrintf(&console_,
               "Dropped so far: %" PRIu64 " bytes the ports did not take, %" PRIu64
               " RAW datagrams\n",
               ports, datagrams);
}
