#include "EchoTerminal.h"

#include "N2kPgns.h"
#include "RVCMessages.h"
#include "SimNode.h"

void tEchoTerminal::OnMessage(tSimNode &node, const tN2kMsg &msg) {
  if (msg.PGN != kDgnTerminal || msg.Destination != node.GetN2kSource()) return;
  unsigned char address;
  int count;
  char chars[8];
  if (!ParseRVCPGN17E00(msg, address, count, chars)) return;
  tN2kMsg reply;
  SetRVCPGN17E00(reply, msg.Source, count, chars);
  node.Send(reply);
}
