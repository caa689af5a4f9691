#include "Dispatch.h"

const tDispatchRow DispatchTable[] = {
    {0, nullptr},
};

void HandleN2kMsg(const tN2kMsg &msg) {
  for (const tDispatchRow *row = DispatchTable; row->PGN != 0; row++) {
    if (row->PGN == msg.PGN) {
      row->Handler(msg);
      return;
    }
  }
}
