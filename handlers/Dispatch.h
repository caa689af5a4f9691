// Every received bus message reaches the daemon here: its PGN is looked up in one
// constant table of (PGN, handler) rows and the first matching row's handler runs.
#ifndef HANDLERS_DISPATCH_H
#define HANDLERS_DISPATCH_H

#include "N2kMsg.h"

typedef void (*tN2kHandler)(const tN2kMsg &msg);

struct tDispatchRow {
  unsigned long PGN;  // 0 ends the table
  tN2kHandler Handler;
};

// The table, terminated by a row with PGN 0.
extern const tDispatchRow DispatchTable[];

// The message handler given to the node.
void HandleN2kMsg(const tN2kMsg &msg);

#endif
