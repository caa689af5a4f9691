#include "TtyAssignment.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "Console.h"
#include "RunCommand.h"
#include "SafeName.h"
#include "TextHelpers.h"

namespace {
const char kGetTable[] = "uci -q get tidewire.@can[0].ttyassignment";
const char kSetTable[] = "uci -q set tidewire.@can[0].ttyassignment=";

// A decimal int at p (leading white space and a sign allowed, as "%d" reads it);
// false when there is none or it does not fit an int.
bool ReadInt(const char *&p, int &value) {
  char *end = nullptr;
  errno = 0;
  long v = strtol(p, &end, 10);
  if (end == p || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
  value = static_cast<int>(v);
  p = end;
  return true;
}

tTtyEntry ReadEntry(const std::string &table, size_t pos, size_t len) {
  tTtyEntry e;
  e.pos = pos;
  e.len = len;
  std::string text = table.substr(pos, len);
  const char *p = text.c_str();
  e.numbered = ReadInt(p, e.key) && *p++ == ':' && ReadInt(p, e.port);
  size_t colon = text.rfind(':');
  e.name = colon == std::string::npos ? text : text.substr(colon + 1);
  return e;
}

std::string EntryText(int key, int port, const std::string &name) {
  return std::to_string(key) + ":" + std::to_string(port) + ":" + name;
}

// GetTTY's requester: keeps the answer.
class tKeptTty : public tTtyRequester {
 public:
  explicit tKeptTty(const std::vector<int> &inUse) : inUse_(inUse) {}
  std::vector<int> PortsInUse() const override { return inUse_; }
  void TtyAssigned(int, const std::string &tty, uint32_t) override { kept = tty; }
  std::string kept;

 private:
  const std::vector<int> &inUse_;
};
}  // namespace

bool PortTaken(const std::vector<tTtyEntry> &entries, const std::vector<int> &inUse, int port) {
  for (const tTtyEntry &e : entries)
    if (e.numbered && e.port == port) return true;
  for (int p : inUse)
    if (p == port) return true;
  return false;
}

std::vector<tTtyEntry> SplitTtyTable(const std::string &table) {
  std::vector<tTtyEntry> entries;
  size_t pos = 0;
  while (pos < table.size()) {
    if (table[pos] == ' ') {
      pos++;
      continue;
    }
    size_t end = table.find(' ', pos);
    if (end == std::string::npos) end = table.size();
    entries.push_back(ReadEntry(table, pos, end - pos));
    pos = end;
  }
  return entries;
}

tTtyPlan PlanTty(const std::string &table, int key, const std::string &safeName,
                 const std::vector<int> &inUse) {
  tTtyPlan plan;
  std::vector<tTtyEntry> entries = SplitTtyTable(table);
  for (const tTtyEntry &e : entries) {
    if (!e.numbered || e.key != key) continue;
    plan.port = e.port;
    if (e.name == safeName) {
      plan.action = tTtyPlan::kKnown;
      return plan;
    }
    // Replaced where it stands, so that an entry whose text ends another one
    // ("4:1:A" inside "204:1:A") is never mistaken for it.
    plan.action = tTtyPlan::kRename;
    plan.oldEntry = table.substr(e.pos, e.len);
    plan.newEntry = EntryText(key, e.port, safeName);
    plan.table = table.substr(0, e.pos) + plan.newEntry + table.substr(e.pos + e.len);
    return plan;
  }
  // A hand-edited table may already hold the port the count gives: never hand out
  // a port twice.
  int port = 2 * static_cast<int>(entries.size()) + 1;
  while (PortTaken(entries, inUse, port)) port += 2;
  plan.action = tTtyPlan::kAdd;
  plan.port = port;
  plan.newEntry = EntryText(key, port, safeName);
  plan.table = table.empty() ? plan.newEntry : table + " " + plan.newEntry;
  return plan;
}

std::string TtyPath(int port) {
  char path[32];
  snprintf(path, sizeof(path), "/dev/tnt%d", port);
  return path;
}

int TtyPortNumber(const std::string &path) {
  int port = 0;
  char rest = 0;
  return sscanf(path.c_str(), "/dev/tnt%d%c", &port, &rest) == 1 ? port : -1;
}

void tUciTtyAssigner::AssignTty(int uniqueNumber, const char *modelId, tTtyRequester &requester,
                                uint32_t now) {
  queue_.push_back({uniqueNumber, modelId, &requester});
  if (!running_) StartNext(now);
}

void tUciTtyAssigner::StartNext(uint32_t now) {
  storing_ = false;
  running_ = !queue_.empty();
  if (!running_) return;
  if (commands_.Start(kGetTable, now, *this)) return;
  tCommandResult notStarted;
  TableRead(notStarted, now);
}

void tUciTtyAssigner::CommandDone(const tCommandResult &result) {
  // The store's result is not looked at: the next read reads the table afresh, and the
  // ports in use keep a new charger off a port the table failed to record.
  if (storing_)
    Answer(tty_, result.ended);
  else
    TableRead(result, result.ended);
}

void tUciTtyAssigner::TableRead(const tCommandResult &got, uint32_t now) {
  const int key = queue_.front().key;
  // A table that could not be read may hold this charger's port, or another's:
  // storing over it would lose entries.
  if (got.timedOut || !got.started) {
    StreamPrintf(&console_, "GetTTY: tty assignment table not read, no port for %d\n", key);
    Answer(std::string(), now);
    return;
  }
  std::string table = got.output;
  // At the limit the answer may have been cut: storing it back would lose entries.
  if (table.size() >= kRunCommandMaxOutput) {
    StreamPrintf(&console_, "GetTTY: tty assignment table too long, no port for %d\n", key);
    Answer(std::string(), now);
    return;
  }
  TrimNewline(table);
  const tTtyPlan plan = PlanTty(table, key, SafeName(queue_.front().name.c_str()),
                                queue_.front().requester->PortsInUse());
  // uci prints the value and a line end: it must still be read back whole.
  const bool fits = plan.table.size() + 1 < kRunCommandMaxOutput;
  std::string store;
  switch (plan.action) {
    case tTtyPlan::kKnown:
      break;
    case tTtyPlan::kRename:
      PrintLine(&console_, table);
      if (!fits) {
        // The port stays this charger's; only its new name is not stored.
        StreamPrintf(&console_, "GetTTY: tty assignment table full, name of %d not changed\n", key);
        break;
      }
      if (console_.Logging(4))
        StreamPrintf(&console_, "GetTTY: name change to \"%s\", oldname=%s, newname=%s\n",
                     plan.table.c_str(), plan.oldEntry.c_str(), plan.newEntry.c_str());
      store = std::string(kSetTable) + ShellQuote(plan.table) + ";  uci -q commit tidewire";
      break;
    case tTtyPlan::kAdd:
      if (!fits) {
        StreamPrintf(&console_, "GetTTY: tty assignment table full, no port for %d\n", key);
        Answer(std::string(), now);
        return;
      }
      store = std::string(kSetTable) + ShellQuote(plan.table) + "; uci -q commit tidewire";
      if (console_.Logging(4))
        StreamPrintf(&console_, "Found new tty assignment = %s\n", store.c_str());
      break;
  }
  tty_ = TtyPath(plan.port);
  if (!store.empty()) {
    storing_ = true;
    if (commands_.Start(store.c_str(), now, *this)) return;
  }
  Answer(tty_, now);
}

void tUciTtyAssigner::Answer(const std::string &tty, uint32_t now) {
  const tRequest done = queue_.front();
  queue_.pop_front();
  // Told before the next read, whose ports in use then hold this one's; the answer
  // may ask for another port itself, which then starts the next read.
  running_ = false;
  done.requester->TtyAssigned(done.key, tty, now);
  if (!running_) StartNext(now);
}

std::string GetTTY(tConsole &console, int key, const char *name,
                   const std::vector<int> &portsInUse) {
  tBlockingCommands commands(console);
  tUciTtyAssigner assigner(commands, console);
  tKeptTty kept(portsInUse);
  assigner.AssignTty(key, name, kept, 0);  // nothing here counts time
  return kept.kept;
}
