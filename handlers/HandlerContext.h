// What the message handlers act on, handed to each of them: the two registries, the
// forwarder of messages to the LAN, the bus, the console, the wall clock, and the time
// of the loop pass the message is handled in. The daemon's composition root makes one;
// a test makes its own around fakes.
#ifndef HANDLERS_HANDLERCONTEXT_H
#define HANDLERS_HANDLERCONTEXT_H

#include "Batteries.h"
#include "ClockSetter.h"
#include "Console.h"
#include "Devices.h"
#include "MsgForwarder.h"
#include "MsgSender.h"
#include "Runtime.h"

struct tHandlerContext {
  tHandlerContext(tDevices &d, tBatteries &b, tMsgForwarder &l, tMsgSender &s, tCommands &c,
                  tConsole &o, tRuntime &r)
      : devices(d), batteries(b), lan(l), bus(s), console(o), runtime(r), clock(c, o) {}

  tDevices &devices;
  tBatteries &batteries;
  tMsgForwarder &lan;  // on to the LAN as RAW lines (nothing goes without -p or -P)
  tMsgSender &bus;     // what the handlers send: requests to a converter
  tConsole &console;   // what they log, at their own debug levels
  tRuntime &runtime;   // the wall clock the bus time is compared with
  tClockSetter clock;  // /bin/date, beside the loop
  // The time of the loop pass that handles the message: the CAN link's pass sets it
  // before the bus library hands messages up. Whatever a handler starts or stamps
  // (a heartbeat, a command's pacing, a battery heard) takes this, never a clock.
  uint32_t now = 0;
  // SID of the last converter status decoded, from any sender.
  int lastConverterSid = 0;
};

#endif
