// For tests of the message handlers: messages reach them through HandleN2kMsg, as the
// node hands them up, with a context of their own: a RO500 at address 140 (unique
// number 204) registered on a pty port, the battery registry on a device list of
// known nodes, RAW lines to a fake link, a fake runtime catching bus sends and a
// console that keeps what is printed.
#ifndef TESTS_UNIT_CHARGERAT140_H
#define TESTS_UNIT_CHARGERAT140_H

#include <gtest/gtest.h>

#include <string>

#include "Dispatch.h"
#include "FakeDirectories.h"
#include "FakeRawLink.h"
#include "FakeRuntime.h"
#include "KnownDevices.h"
#include "PtyPort.h"
#include "RawBroadcast.h"

class tChargerAt140 : public ::testing::Test {
 protected:
  void SetUp() override {
    ttys.path = port.path;
    ro500 = devices.Add(140, 204, "1.0", "RO500", rt.now);
    port.Read();  // its ONLINE line
    console.text.clear();
  }
  void TearDown() override {
    batteries.Clear();
    devices.Clear();
  }
  // As the CAN link's pass hands it up, at the time on the test's clock.
  void Deliver(tN2kMsg m, uint8_t source = 140) {
    m.Source = source;
    ctx.now = rt.now;
    HandleN2kMsg(ctx, m);
  }
  // Where text starts in the console, npos when it is not there.
  size_t At(const std::string &text) const { return console.text.find(text); }

  tFakeRuntime rt;
  tTestConsole console;
  tRunSettings settings;
  tPtyPort port;
  tFakeTtys ttys;
  tKnownDevices bus;
  tFakeRawLink link;
  tDevices devices{settings, ttys, bus, rt, console};
  tBatteries batteries{settings, bus, console};
  tRawBroadcast raw{link, link.node, settings, rt, console};
  tHandlerContext ctx{devices, batteries, raw, rt, rt, console, rt};
  tRO500 *ro500 = nullptr;
};

#endif
