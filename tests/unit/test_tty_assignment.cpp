#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "CanAddress.h"
#include "Devices.h"
#include "FakeDirectories.h"
#include "FakeRuntime.h"
#include "N2kClaimEvents.h"
#include "RunCommand.h"
#include "SafeName.h"
#include "TextHelpers.h"
#include "TtyAssignment.h"

TEST(TtyPlan, AddsKnowsAndRenamesEntries) {
  tTtyPlan p = PlanTty("", 204, "A");
  EXPECT_EQ(tTtyPlan::kAdd, p.action);
  EXPECT_EQ(1, p.port);
  EXPECT_EQ("204:1:A", p.table);

  p = PlanTty("204:1:A", 301, "B");
  EXPECT_EQ(3, p.port);
  EXPECT_EQ("204:1:A 301:3:B", p.table);

  p = PlanTty("204:1:A 301:3:B", 5, "D");
  EXPECT_EQ(5, p.port);
  EXPECT_EQ("204:1:A 301:3:B 5:5:D", p.table);

  p = PlanTty("204:1:A 301:3:B", 204, "A");
  EXPECT_EQ(tTtyPlan::kKnown, p.action);
  EXPECT_EQ(1, p.port);

  p = PlanTty("204:1:A 301:3:B", 301, "B2");
  EXPECT_EQ(tTtyPlan::kRename, p.action);
  EXPECT_EQ(3, p.port);
  EXPECT_EQ("204:1:A 301:3:B2", p.table);
  EXPECT_EQ("301:3:B", p.oldEntry);
  EXPECT_EQ("301:3:B2", p.newEntry);
}

TEST(TtyPlan, ReadsRunsOfBlanksAndReplacesTheEntryWhereItStands) {
  // Runs of blanks separate like one; a new entry follows after exactly one more blank.
  tTtyPlan p = PlanTty("  204:1:A    301:3:B ", 7, "C");
  EXPECT_EQ(5, p.port);
  EXPECT_EQ("  204:1:A    301:3:B  7:5:C", p.table);
  // Renaming key 4 must not touch "204:1:A", whose text ends in "4:1:A".
  p = PlanTty("204:1:A 4:1:A", 4, "B");
  EXPECT_EQ(tTtyPlan::kRename, p.action);
  EXPECT_EQ("204:1:A 4:1:B", p.table);
  // The name is what follows the last ':'.
  p = PlanTty("9:3:x:y", 9, "y");
  EXPECT_EQ(tTtyPlan::kKnown, p.action);
  EXPECT_EQ(3, p.port);
}

TEST(TtyPlan, OddEntriesCountAndNoPortIsHandedOutTwice) {
  // Entries that do not start with two numbers count for the numbering only.
  tTtyPlan p = PlanTty("junk 204:1:A", 77, "Z");
  EXPECT_EQ(5, p.port);
  EXPECT_EQ("junk 204:1:A 77:5:Z", p.table);
  p = PlanTty("99999999999:1:A", 99, "Z");  // key beyond int: not a match, still counted
  EXPECT_EQ(3, p.port);
  // A hand-edited table whose ports are not 1, 3, 5 in order.
  p = PlanTty("5:3:X", 6, "Y");
  EXPECT_EQ(5, p.port);
  p = PlanTty("5:3:X 6:5:Y", 7, "Z");
  EXPECT_EQ(7, p.port);
}

TEST(TtyPlan, ANewKeyPassesPortsInUseThatTheTableDoesNotShow) {
  tTtyPlan p = PlanTty("", 1002, "RO500", {1});
  EXPECT_EQ(3, p.port);
  EXPECT_EQ("1002:3:RO500", p.table);
  p = PlanTty("204:1:A", 7, "B", {3, 5});
  EXPECT_EQ(7, p.port);
  // A known key keeps its port whatever is in use.
  p = PlanTty("204:1:A", 204, "A", {1});
  EXPECT_EQ(tTtyPlan::kKnown, p.action);
  EXPECT_EQ(1, p.port);
}

TEST(TtyAssignmentText, SafeNamesKeepEveryAllowedCharacterAndReplaceTheRest) {
  struct {
    const char *name, *safe, *fileNamePart;
  } const kRows[] = {
      {"abcdefghijklmnopqrstuvwxyz", "abcdefghijklmnopqrstuvwxyz", "abcdefghijklmnopqrstuvwxyz"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
      {"0123456789", "0123456789", "0123456789"},
      {".-_", ".-_", ".-_"},
      // The neighbours of the kept ranges: '/' '0'..'9' ':', '@' 'A'..'Z' '[', '`' 'a'..'z' '{'.
      {"/:@[`{", "______", "_:@[`{"},
      {" \t\n\r;'\"$\\*?|&<>()!#%^=+,~}]", "___________________________",
       " \t\n\r;'\"$\\*?|&<>()!#%^=+,~}]"},
      {"\x01\x7f\x80\xc3\xa9\xff", "______", "\x01\x7f\x80\xc3\xa9\xff"},
      {"RO500 v2.1-a_b", "RO500_v2.1-a_b", "RO500 v2.1-a_b"},
      {"../:etc/passwd", "..__etc_passwd", ".._:etc_passwd"},
      {"", "", ""},
  };
  for (const auto &row : kRows) {
    EXPECT_EQ(row.safe, SafeName(row.name)) << row.name;
    EXPECT_EQ(row.fileNamePart, FileNamePart(row.name)) << row.name;
  }
  EXPECT_EQ("", SafeName(nullptr));
  EXPECT_EQ("", FileNamePart(nullptr));
}

TEST(TtyAssignmentText, QuotingAndPaths) {
  EXPECT_EQ("'204:1:A'", ShellQuote("204:1:A"));
  EXPECT_EQ("'O'\\''B'", ShellQuote("O'B"));
  EXPECT_EQ("/dev/tnt3", TtyPath(3));
  EXPECT_EQ("/dev/tnt127", TtyPath(127));
}

namespace {
// A uci on PATH that keeps its store in a temporary directory: the sandbox's stand-in
// for OpenWrt's uci, pointed at our own config and staging directories.
class tUciStore : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tw-tty-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmpl));
    dir_ = tmpl;
    mkdir((dir_ + "/bin").c_str(), 0755);
    mkdir((dir_ + "/config").c_str(), 0755);
    mkdir((dir_ + "/save").c_str(), 0755);
    std::string source = __FILE__;
    std::string repo = source.substr(0, source.rfind("/tests/unit/"));
    std::ofstream wrapper(dir_ + "/bin/uci");
    wrapper << "#!/bin/sh\necho \"$*\" >> " << dir_ << "/calls\nexec " << repo
            << "/scripts/sandbox/uci -c " << dir_ << "/config -t " << dir_ << "/save \"$@\"\n";
    wrapper.close();
    chmod((dir_ + "/bin/uci").c_str(), 0755);
    std::ofstream conf(dir_ + "/config/tidewire");
    conf << "config can\n\toption canaddress '177'\n";
    conf.close();
    oldPath_ = getenv("PATH");
    setenv("PATH", (dir_ + "/bin:" + oldPath_).c_str(), 1);
  }
  void TearDown() override {
    setenv("PATH", oldPath_.c_str(), 1);
    std::string rm = "rm -rf " + dir_;
    int ignored = system(rm.c_str());
    (void)ignored;
  }
  std::string Table() {
    tTestConsole quiet;
    std::string t = RunCommand(quiet, "uci -q get tidewire.@can[0].ttyassignment");
    TrimNewline(t);
    return t;
  }
  int Sets() {
    std::ifstream calls(dir_ + "/calls");
    std::string line;
    int n = 0;
    while (std::getline(calls, line)) n += line.find(" set ") != std::string::npos ? 1 : 0;
    return n;
  }
  std::string dir_;
  std::string oldPath_;
};
}  // namespace

TEST_F(tUciStore, GetTTYStoresEntriesThatLastAndNeverHandsTheShellAName) {
  tRunSettings settings;
  tTestConsole console;
  console.SetDebugLevel(4);
  EXPECT_EQ("/dev/tnt1", GetTTY(console, 204, "A"));
  EXPECT_EQ("204:1:A", Table());
  EXPECT_TRUE(
      console.Has("Found new tty assignment = uci -q set "
                  "tidewire.@can[0].ttyassignment='204:1:A'; uci -q commit tidewire\n"));
  EXPECT_EQ("/dev/tnt3", GetTTY(console, 301, "B"));
  EXPECT_EQ("204:1:A 301:3:B", Table());
  int sets = Sets();
  EXPECT_EQ("/dev/tnt1", GetTTY(console, 204, "A"));
  EXPECT_EQ(sets, Sets());  // nothing written for a known charger

  EXPECT_EQ("/dev/tnt3", GetTTY(console, 301, "B2"));
  EXPECT_EQ("204:1:A 301:3:B2", Table());
  EXPECT_TRUE(console.Has("204:1:A 301:3:B\r\n"));
  EXPECT_TRUE(console.Has(
      "GetTTY: name change to \"204:1:A 301:3:B2\", oldname=301:3:B, newname=301:3:B2\n"));

  // A model ID made to break out of the quotes, or to add an entry, is stored tame.
  std::string marker = dir_ + "/pwned";
  std::string evil = "x'; touch " + marker + "; echo '";
  EXPECT_EQ("/dev/tnt5", GetTTY(console, 5, evil.c_str()));
  EXPECT_NE(0, access(marker.c_str(), F_OK));
  std::string stored = Table();
  EXPECT_EQ("204:1:A 301:3:B2 5:5:" + SafeName(evil.c_str()), stored);
  EXPECT_EQ(3u, SplitTtyTable(stored).size());
  EXPECT_EQ("/dev/tnt5", GetTTY(console, 5, evil.c_str()));  // found again by its stored name
  EXPECT_EQ("/dev/tnt7", GetTTY(console, 6, "a b:c"));
  EXPECT_EQ("204:1:A 301:3:B2 5:5:" + SafeName(evil.c_str()) + " 6:7:a_b_c", Table());
}

TEST_F(tUciStore, GetTTYRefusesATableItCannotReadOrStoreWhole) {
  tTestConsole console;
  // An old entry with a quote in it (written before names were made safe) is kept
  // and quoted properly when the table is stored again.
  RunCommand(console,
             "uci -q set tidewire.@can[0].ttyassignment=\"1:1:O'B\"; uci -q commit tidewire");
  EXPECT_EQ("/dev/tnt3", GetTTY(console, 2, "C"));
  EXPECT_EQ("1:1:O'B 2:3:C", Table());

  std::string big;
  for (int i = 0; big.size() < 6000; i++) big += std::to_string(1000 + i) + ":9:N ";
  auto store = [&](size_t len) {
    std::string set = "uci -q set tidewire.@can[0].ttyassignment='" + big.substr(0, len) +
                      "'; uci -q commit tidewire";
    RunCommand(console, set.c_str());
    return Table();
  };
  // Read whole (4094 characters and uci's line end), but no room for one more entry.
  std::string full = store(4094);
  ASSERT_EQ(4094u, full.size());
  EXPECT_EQ("", GetTTY(console, 77, "Z"));
  EXPECT_TRUE(console.Has("GetTTY: tty assignment table full, no port for 77\n"));
  EXPECT_EQ(full, Table());
  // Longer than RunCommand keeps: it may have been cut, so it is not written back.
  store(5000);
  EXPECT_EQ("", GetTTY(console, 78, "Z"));
  EXPECT_TRUE(console.Has("GetTTY: tty assignment table too long, no port for 78\n"));
  std::ifstream conf(dir_ + "/config/tidewire");
  std::stringstream content;
  content << conf.rdbuf();
  EXPECT_NE(std::string::npos, content.str().find(big.substr(0, 5000) + "'"));
  EXPECT_EQ(std::string::npos, content.str().find(" 78:"));
}

TEST_F(tUciStore, ANewChargerNeverGetsTheRegisteredOnesPortWhenUciFails) {
  tFakeRuntime rt;
  tTestConsole console;
  std::ofstream failing(dir_ + "/bin/uci");
  failing << "#!/bin/sh\nexit 1\n";
  failing.close();
  tRunSettings settings;
  tBlockingCommands commands(console);
  tUciTtyAssigner ttys(commands, console);
  tEmptyDirectory deviceList;
  tDevices devices(settings, ttys, deviceList, rt, console);
  // The first charger is served on /dev/tnt1, though uci could not store it.
  EXPECT_EQ("/dev/tnt1", devices.Add(140, 1001, "1.0", "RO500", rt.now)->Bridge().PortPath());
  EXPECT_EQ("/dev/tnt3", devices.Add(141, 1002, "1.0", "RO500", rt.now)->Bridge().PortPath());
  EXPECT_EQ("/dev/tnt5", GetTTY(console, 1003, "RO500", {1, 3}));
  devices.Clear();
  EXPECT_EQ("/dev/tnt1", GetTTY(console, 1002, "RO500"));
}

namespace {
// The address stored as the daemon stores it once it has stood: through the keeper and
// the uci store, the commands run in line.
void StoreAddress(tConsole &console, int address) {
  tBlockingCommands commands(console);
  tUciAddressStore store(commands, console);
  tAddressKeeper keeper(177, store, console);
  keeper.Follow(kN2kClaimAddressChanged, static_cast<uint8_t>(address), true, 0);
  keeper.Follow(0, static_cast<uint8_t>(address), true, 5000);
}
}  // namespace

TEST_F(tUciStore, AFailedSetIsAFailedStoreAndAHungUciGivesNoPort) {
  tRunSettings settings;
  tTestConsole console;
  console.SetDebugLevel(1);
  StoreAddress(console, 35);
  EXPECT_EQ("35\n", RunCommand(console, "uci -q get tidewire.@can[0].canaddress"));
  EXPECT_FALSE(console.Has("Could not store"));
  // A config without the can section: the set fails, the commit alone would succeed.
  std::ofstream(dir_ + "/config/tidewire") << "config daemon 'main'\n";
  StoreAddress(console, 36);
  EXPECT_TRUE(
      console.Has("Could not store my CAN address 36 (uci set failed), trying again later\n"));
  console.SetDebugLevel(0);
  console.text.clear();
  StoreAddress(console, 37);
  EXPECT_EQ("Resettign my CAN address to: 37\n", console.text);

  // A uci stuck on its lock: ended at the limit, and the charger gets no port rather
  // than one the unread table may give another charger.
  std::ofstream(dir_ + "/bin/uci") << "#!/bin/sh\nexec sleep 60\n";
  EXPECT_EQ("", GetTTY(console, 204, "A"));
  EXPECT_TRUE(
      console.Has("Command timed out after 3000 ms, ended: uci -q get "
                  "tidewire.@can[0].ttyassignment\n"));
  EXPECT_TRUE(console.Has("GetTTY: tty assignment table not read, no port for 204\n"));
}

namespace {
class tAnswers : public tTtyRequester {
 public:
  std::vector<int> inUse;
  std::vector<std::string> got;  // "unique tty"
  std::vector<uint32_t> at;      // the time of the pass each came in
  std::vector<int> PortsInUse() const override { return inUse; }
  void TtyAssigned(int unique, const std::string &tty, uint32_t now) override {
    got.push_back(std::to_string(unique) + " " + tty);
    at.push_back(now);
  }
};
}  // namespace

// One charger at a time: the second read starts only once the first one's store has
// ended, so it sees the first entry and both get ports of their own; a store that
// fails is not waited on again.
TEST(TtyQueue, AReadStartsOnlyAfterTheStoreBeforeItEnded) {
  tTestConsole console;
  tFakeRuntime rt;
  rt.holdCommands = true;
  tUciTtyAssigner ttys(rt, console);
  tAnswers answers;
  ttys.AssignTty(1001, "RO500", answers, rt.now);
  ttys.AssignTty(1002, "RO500", answers, rt.now);
  const std::string get = "uci -q get tidewire.@can[0].ttyassignment";
  EXPECT_EQ(std::vector<std::string>{get}, rt.commands);
  rt.runOutput = "\n";  // uci -q get of a missing option: status 1, nothing printed
  rt.runStatus = 1;
  rt.Complete();
  ASSERT_EQ(2u, rt.commands.size());
  EXPECT_EQ("uci -q set tidewire.@can[0].ttyassignment='1001:1:RO500'; uci -q commit tidewire",
            rt.commands[1]);
  EXPECT_TRUE(answers.got.empty());
  rt.now += 250;  // the store ends in a later pass: the answer has that pass's time
  rt.Complete();  // the store failed: the answer is the port all the same
  EXPECT_EQ(std::vector<std::string>{"1001 /dev/tnt1"}, answers.got);
  EXPECT_EQ(std::vector<uint32_t>{5250}, answers.at);
  ASSERT_EQ(3u, rt.commands.size());
  EXPECT_EQ(get, rt.commands[2]);
  // The table did not keep 1001, but 1001 is being served on port 1.
  answers.inUse = {1};
  rt.runStatus = 0;
  rt.Complete();
  EXPECT_EQ("uci -q set tidewire.@can[0].ttyassignment='1002:3:RO500'; uci -q commit tidewire",
            rt.commands[3]);
  rt.Complete();
  EXPECT_EQ((std::vector<std::string>{"1001 /dev/tnt1", "1002 /dev/tnt3"}), answers.got);
  EXPECT_TRUE(rt.held.empty());
}
