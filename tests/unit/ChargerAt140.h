// For tests of the message handlers: messages reach them through HandleN2kMsg, as the
// node hands them up, with a RO500 at address 140 (unique number 204) registered in
// the process registry on a pty port, a fake runtime and a console that keeps what is
// printed. Everything is put back afterwards.
#ifndef TESTS_UNIT_CHARGERAT140_H
#define TESTS_UNIT_CHARGERAT140_H

#include <gtest/gtest.h>

#include <string>

#include "DeviceList.h"
#include "Dispatch.h"
#include "FakeRuntime.h"
#include "ProcessObjects.h"
#include "PtyPort.h"
#include "TtyAssignment.h"

class tChargerAt140 : public ::testing::Test {
 protected:
  void SetUp() override {
    RunSettings = tRunSettings();
    Path() = port.path;
    Devices.SetTtyAssigner([](int, const char *) { return Path(); });
    Devices.SetDeviceListReset([] {});
    ro500 = Devices.Add(140, 204, "1.0", "RO500");
    port.Read();  // its ONLINE line
    console.text.clear();
  }
  void TearDown() override {
    Batteries.Clear();
    Devices.Clear();
    Devices.SetTtyAssigner(GetTTY);
    Devices.SetDeviceListReset(ResetDeviceList);
  }
  void Deliver(tN2kMsg m, uint8_t source = 140) {
    m.Source = source;
    HandleN2kMsg(m);
  }
  // Where text starts in the console, npos when it is not there.
  size_t At(const std::string &text) const { return console.text.find(text); }

  tScopedRuntime rt;
  tScopedSettings settings;
  tScopedConsole console;
  tPtyPort port;
  tRO500 *ro500 = nullptr;

 private:
  // The port the registry's tty assigner hands out (a plain function cannot capture).
  static std::string &Path() {
    static std::string path;
    return path;
  }
};

#endif
