#include "EchoTerminal.h"

#include "RVCMessages.h"
#include "SimNode.h"

constexpr unsigned long kPgnTerminal = 0x17E00;

void tEchoTerminal::OnMessage(tSimNode &node, const tN2kMsg &msg) {
  if (msg.PGN != kPgnTerminal || msg.Destination != node.GetN2kSource()) return;
  unsigned char address;
  int count;
  char chars[8];
  if (!ParseRVCPGN17E00(msg, address, count, chars)) return;
  tN2kMsg reply;
  SetRVCPGN17E00(reply, msg.Source, count, chars);
  node.Send(reply);
}
