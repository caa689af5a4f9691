// For tests of a charger's terminal bridge and status model: a runtime catching the
// TERMINAL messages sent, a console that keeps what is printed, run settings and a pty
// whose user end the test types at and reads.
#ifndef TESTS_UNIT_TERMINALTEST_H
#define TESTS_UNIT_TERMINALTEST_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeRuntime.h"
#include "PtyPort.h"
#include "RunSettings.h"

class tTerminalTest : public ::testing::Test {
 protected:
  // The characters of each TERMINAL message sent: the bytes before the first 0xFF.
  std::vector<std::string> SentChars() const {
    std::vector<std::string> out;
    for (const tN2kMsg &m : rt.sent) {
      std::string s;
      for (int i = 0; i < m.DataLen && m.Data[i] != 0xFF; i++) s += static_cast<char>(m.Data[i]);
      out.push_back(s);
    }
    return out;
  }

  tFakeRuntime rt;
  tRunSettings settings;
  tTestConsole console;
  tPtyPort port;
};

#endif
