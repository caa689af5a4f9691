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

#include <string>
#include <vector>

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

// The port path for the charger with this unique number and model ID, adding or
// updating its table entry (stored and committed before it returns). The model ID is
// stored sanitised (SafeName). "" when the table is too long to be read or stored
// whole, or could not be read at all: the charger then gets no port rather than one
// that may be someone else's. A new charger never gets a port in portsInUse (those of
// the chargers being served), even when uci failed to store (or read) their entries.
std::string GetTTY(int key, const char *name, const std::vector<int> &portsInUse = {});

// Where the registry gets a new charger's port from.
class tTtyAssigner {
 public:
  virtual ~tTtyAssigner() = default;
  // The port path for this charger, "" when it gets none.
  virtual std::string AssignTty(int uniqueNumber, const char *modelId,
                                const std::vector<int> &portsInUse) = 0;
};

// The daemon's: GetTTY, the table in uci.
class tUciTtyAssigner : public tTtyAssigner {
 public:
  std::string AssignTty(int uniqueNumber, const char *modelId,
                        const std::vector<int> &portsInUse) override {
    return GetTTY(uniqueNumber, modelId, portsInUse);
  }
};

#endif
