// Every received bus message reaches the daemon here: its PGN is looked up in one
// constant table of (PGN, handler) rows and the first matching row's handler runs with
// the context it acts on.
#ifndef HANDLERS_DISPATCH_H
#define HANDLERS_DISPATCH_H

#include "HandlerContext.h"
#include "N2kMsg.h"
#include "NMEA2000.h"

typedef void (*tN2kHandler)(tHandlerContext &ctx, const tN2kMsg &msg);

struct tDispatchRow {
  unsigned long PGN;  // 0 ends the table
  tN2kHandler Handler;
};

// The table, terminated by a row with PGN 0.
extern const tDispatchRow DispatchTable[];

// Runs the handler of msg's PGN, if the table has one.
void HandleN2kMsg(tHandlerContext &ctx, const tN2kMsg &msg);

// The node's message handler: HandleN2kMsg with one context.
class tDispatcher : public tNMEA2000::tMsgHandler {
 public:
  explicit tDispatcher(tHandlerContext &ctx) : ctx_(ctx) {}
  void HandleMsg(const tN2kMsg &msg) override { HandleN2kMsg(ctx_, msg); }

 private:
  tHandlerContext &ctx_;
};

#endif
