// Which /dev/tnt port each RO500 gets, kept in uci so that a charger finds the same
// port after every restart and in every order of discovery.
//
// The table is the option tidewire.@can[0].ttyassignment: entries "key:port:name"
// separated by blanks, in the order they were added, e.g. "204:1:A 301:3:B" (unique
// number 204 on /dev/tnt1, 301 on /dev/tnt3). The n-th entry added (from 0) gets port
// 2n + 1, the odd end of a null-modem pair; the user opens the even end below it.
// Entries are never removed.
#ifndef DEVICES_TTYASSIGNMENT_H
#define DEVICES_TTYASSIGNMENT_H

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "CommandRunner.h"
#include "Console.h"

// One entry as read from the table, by position in the table text.
struct tTtyEntry {
  size_t pos = 0;  // where the entry starts in the table text
  size_t len = 0;
  bool numbered = false;  // starts with "key:port"; others only count for numbering
  int key = 0;
  int port = 0;
  std::string name;  // text after the last ':'
};

// The table split at runs of blanks; empty pieces are skipped.
std::vector<tTtyEntry> SplitTtyTable(const std::string &table);

// Whether a numbered entry or a port in inUse holds the port.
bool PortTaken(const std::vector<tTtyEntry> &entries, const std::vector<int> &inUse, int port);

// What GetTTY does for one charger, worked out without touching uci.
struct tTtyPlan {
  enum tAction { kKnown, kRename, kAdd };
  tAction action = kKnown;
  int port = 0;
  std::string table;     // kRename, kAdd: the table to store
  std::string oldEntry;  // kRename
  std::string newEntry;  // kRename, kAdd
};

// safeName must already be SafeName()d. A known key keeps its port; a known key with
// another name keeps its port and has its entry replaced in place; a new key gets the
// next odd port (2 x entries + 1, moved up past any port an entry already holds or
// that is in inUse: ports of chargers being served that the table does not show, as
// when uci could not store them).
tTtyPlan PlanTty(const std::string &table, int key, const std::string &safeName,
                 const std::vector<int> &inUse = std::vector<int>());

// "/dev/tnt%d".
std::string TtyPath(int port);
// The n of "/dev/tnt<n>", -1 for any other path.
int TtyPortNumber(const std::string &path);

// Who asks for a charger's port.
class tTtyRequester {
 public:
  virtual ~tTtyRequester() = default;
  // The port numbers of the chargers being served, when the table is read.
  virtual std::vector<int> PortsInUse() const = 0;
  // The answer: the port path, "" when the charger gets none; now is the time of the
  // loop pass it comes in.
  virtual void TtyAssigned(int uniqueNumber, const std::string &tty, uint32_t now) = 0;
};

// Where the registry gets a new charger's port from.
class tTtyAssigner {
 public:
  virtual ~tTtyAssigner() = default;
  // Finds this charger's port, asked at now (the loop pass's time); requester.TtyAssigned
  // follows, perhaps before this returns. The requester outlives the answer.
  virtual void AssignTty(int uniqueNumber, const char *modelId, tTtyRequester &requester,
                         uint32_t now) = 0;
};

// The daemon's: the table in uci, read ("uci -q get") and, for a new or renamed
// charger, stored ("uci -q set ...; uci -q commit") by commands beside the loop. One
// charger at a time, in the order they were asked for: a read starts only after the
// store before it has ended, so two chargers never get the same port and no store
// drops another's entry. The model ID is stored sanitised (SafeName). The answer is ""
// when the table is too long to be read or stored whole, or could not be read at all:
// the charger then gets no port rather than one that may be someone else's. A new
// charger never gets a port in PortsInUse(), even when uci failed to store (or read)
// the entries of the chargers being served. The store's own result is not looked at:
// the next read reads the table afresh.
class tUciTtyAssigner : public tTtyAssigner, private tCommandDone {
 public:
  // commands and console outlive the assigner.
  tUciTtyAssigner(tCommands &commands, tConsole &console)
      : commands_(commands), console_(console) {}
  void AssignTty(int uniqueNumber, const char *modelId, tTtyRequester &requester,
                 uint32_t now) override;

 private:
  struct tRequest {
    int key;
    std::string name;
    tTtyRequester *requester;
  };
  // now: the time of the pass the step runs in (a command's end: when it ended).
  void StartNext(uint32_t now);
  void CommandDone(const tCommandResult &result) override;
  void TableRead(const tCommandResult &result, uint32_t now);
  void Answer(const std::string &tty, uint32_t now);

  tCommands &commands_;
  tConsole &console_;
  std::deque<tRequest> queue_;  // the first one's commands are running
  bool running_ = false;        // so they are
  bool storing_ = false;        // its store is running, not its read
  std::string tty_;             // its answer, once its store has ended
};

// The port path for the charger with this unique number and model ID, found as
// tUciTtyAssigner finds it, in line (start-up, tests), saying on console what it says.
std::string GetTTY(tConsole &console, int key, const char *name,
                   const std::vector<int> &portsInUse = {});

#endif
