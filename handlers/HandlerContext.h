// What the message handlers act on, handed to each of them: the two registries, the
// RAW broadcast and the bus. The daemon's composition root makes one; a test makes its
// own around fakes.
#ifndef HANDLERS_HANDLERCONTEXT_H
#define HANDLERS_HANDLERCONTEXT_H

#include "Batteries.h"
#include "ClockSetter.h"
#include "Devices.h"
#include "MsgSender.h"
#include "RawBroadcast.h"

struct tHandlerContext {
  tHandlerContext(tDevices &d, tBatteries &b, tRawBroadcast &r, tMsgSender &s, tCommands &c)
      : devices(d), batteries(b), raw(r), bus(s), clock(c) {}

  tDevices &devices;
  tBatteries &batteries;
  tRawBroadcast &raw;  // RAW lines to the LAN (off without -p)
  tMsgSender &bus;     // what the handlers send: requests to a converter
  tClockSetter clock;  // /bin/date, beside the loop
  // SID of the last converter status decoded, from any sender.
  int lastConverterSid = 0;
};

#endif
