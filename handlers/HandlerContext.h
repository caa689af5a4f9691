// What the message handlers act on, handed to each of them: the two registries, the
// forwarder of messages to the LAN, the bus and the console. The daemon's composition
// root makes one; a test makes its own around fakes.
#ifndef HANDLERS_HANDLERCONTEXT_H
#define HANDLERS_HANDLERCONTEXT_H

#include "Batteries.h"
#include "ClockSetter.h"
#include "Console.h"
#include "Devices.h"
#include "MsgForwarder.h"
#include "MsgSender.h"

struct tHandlerContext {
  tHandlerContext(tDevices &d, tBatteries &b, tMsgForwarder &l, tMsgSender &s, tCommands &c,
                  tConsole &o)
      : devices(d), batteries(b), lan(l), bus(s), console(o), clock(c, o) {}

  tDevices &devices;
  tBatteries &batteries;
  tMsgForwarder &lan;  // on to the LAN as RAW lines (nothing goes without -p or -P)
  tMsgSender &bus;     // what the handlers send: requests to a converter
  tConsole &console;   // what they log, at their own debug levels
  tClockSetter clock;  // /bin/date, beside the loop
  // SID of the last converter status decoded, from any sender.
  int lastConverterSid = 0;
};

#endif
