// The node's answers to network management traffic: claims, requests, commanded address.
#include "NodeInternals.h"

namespace {
// PGNs the library itself sends and receives; the application's lists follow them.
const unsigned long kOwnTransmitPGNs[] = {
    kPgnIsoAcknowledgement, kPgnIsoRequest,         kPgnIsoAddressClaim,          kPgnPgnList,
    kPgnHeartbeat,          kPgnProductInformation, kPgnConfigurationInformation, 0};
const unsigned long kOwnReceivePGNs[] = {kPgnIsoAcknowledgement,
                                         kPgnIsoRequest,
                                         kPgnIsoAddressClaim,
                                         kPgnCommandedAddress,
                                         kPgnPgnList,
                                         kPgnProductInformation,
                                         kPgnConfigurationInformation,
                                         0};
}  // namespace

void tNMEA2000::HandleNodeMessage(const tN2kMsg &msg, uint32_t now) {
  switch (msg.PGN) {
    case kPgnIsoAddressClaim: {
      uint64_t name;
      if (ParseN2kPGN60928(msg, name)) in_->claimer.OnClaim(msg.Source, name, now);
      break;
    }
    case kPgnIsoRequest: {
      unsigned long requested;
      if (!ParseN2kPGN59904(msg, requested)) break;
      if (msg.Destination != kN2kGlobalAddress && msg.Destination != in_->claimer.Address()) break;
      AnswerRequest(requested, msg.Source, msg.Destination, now);
      break;
    }
    case kPgnCommandedAddress: {
      uint64_t target;
      unsigned char address;
      if (ParseN2kPGN65240(msg, target, address) && target == GetName())
        in_->claimer.OnCommandedAddress(address, now);
      break;
    }
    default:
      break;
  }
}

void tNMEA2000::ClaimAddress(unsigned char address) {
  if (opened_ && IsNodeMode()) in_->claimer.OnCommandedAddress(address, CurrentTime());
}

void tNMEA2000::AnswerRequest(unsigned long pgn, uint8_t requester, uint8_t destination,
                              uint32_t now) {
  if (pgn == kPgnIsoAddressClaim) {
    in_->claimer.OnClaimRequest(destination, now);
    return;
  }
  if (CannotClaim()) return;
  tN2kMsg msg;
  switch (pgn) {
    case kPgnProductInformation:
      SetN2kPGN126996(msg, productInfo_);
      SendMsg(msg);
      return;
    case kPgnConfigurationInformation:
      SetN2kPGN126998(msg, configInfo_);
      SendMsg(msg);
      return;
    case kPgnPgnList:
      SendPgnList(N2kpgnl_transmit, requester);
      SendPgnList(N2kpgnl_receive, requester);
      return;
    default:
      break;
  }
  // Only a request addressed to us gets a refusal; a global one goes unanswered.
  if (destination != kN2kGlobalAddress) SendNak(requester, pgn);
}

void tNMEA2000::SendPgnList(tN2kPGNList function, uint8_t destination) {
  const unsigned long *own = function == N2kpgnl_transmit ? kOwnTransmitPGNs : kOwnReceivePGNs;
  const unsigned long *const *lists = function == N2kpgnl_transmit ? txLists_ : rxLists_;
  unsigned long all[kMaxPgnListEntries + 1];
  int n = 0;
  for (const unsigned long *p = own; *p != 0 && n < kMaxPgnListEntries; p++) all[n++] = *p;
  for (int i = 0; i < kMaxPgnListChunks && lists[i] != nullptr; i++)
    for (const unsigned long *p = lists[i]; *p != 0 && n < kMaxPgnListEntries; p++) all[n++] = *p;
  all[n] = 0;
  tN2kMsg msg;
  SetN2kPGN126464(msg, destination, function, all);
  SendMsg(msg);
}

void tNMEA2000::SendNak(uint8_t destination, unsigned long pgn) {
  tN2kMsg msg;
  SetN2kPGN59392(msg, destination, N2kAck_NAK, 0xff, pgn);
  if (SendMsg(msg)) stats_.naksSent++;
}
