// The tty assignment table as uci may hand it back after years of hand edits, other
// programs and power cuts: GetTTY's pure logic (no shell) for any table, key and
// model ID, and the file and shell names built from bus text.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "BatteryLogPath.h"
#include "FuzzCheck.h"
#include "SafeName.h"
#include "TextHelpers.h"
#include "TtyAssignment.h"

namespace {
bool Safe(const std::string &name) {
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
          c == '_' || c == '-'))
      return false;
  return true;
}

// What sh makes of a single-quoted text: every '\'' is a quote, the rest is literal.
std::string Unquote(const std::string &quoted) {
  FUZZ_CHECK(quoted.size() >= 2 && quoted.front() == '\'' && quoted.back() == '\'');
  std::string out;
  for (size_t i = 1; i + 1 < quoted.size(); i++) {
    if (quoted[i] == '\'') {
      FUZZ_CHECK(quoted.compare(i, 4, "'\\''") == 0);
      out += '\'';
      i += 3;
    } else {
      out += quoted[i];
    }
  }
  return out;
}

void CheckPlan(const std::string &table, int key, const std::string &name,
               const std::vector<int> &inUse) {
  const tTtyPlan plan = PlanTty(table, key, name, inUse);
  const std::vector<tTtyEntry> entries = SplitTtyTable(table);
  for (const tTtyEntry &e : entries) {
    FUZZ_CHECK(e.len > 0 && e.pos + e.len <= table.size());
    FUZZ_CHECK(table.compare(e.pos, e.len, table.substr(e.pos, e.len)) == 0);
    FUZZ_CHECK(table.substr(e.pos, e.len).find(' ') == std::string::npos);
  }
  switch (plan.action) {
    case tTtyPlan::kKnown:
      FUZZ_CHECK(plan.table.empty());
      break;
    case tTtyPlan::kAdd:
      // A new port is an odd one nobody holds, at the end of the table.
      FUZZ_CHECK(plan.port > 0 && plan.port % 2 == 1 && !PortTaken(entries, inUse, plan.port));
      FUZZ_CHECK(plan.table.size() >= plan.newEntry.size());
      FUZZ_CHECK(plan.table.compare(plan.table.size() - plan.newEntry.size(), std::string::npos,
                                    plan.newEntry) == 0);
      FUZZ_CHECK(plan.table.compare(0, table.size(), table) == 0);
      break;
    case tTtyPlan::kRename:
      FUZZ_CHECK(plan.table.size() + plan.oldEntry.size() == table.size() + plan.newEntry.size());
      break;
  }
  if (plan.action == tTtyPlan::kKnown) return;
  // Read back, the stored table knows the charger by its name and port.
  const tTtyPlan again = PlanTty(plan.table, key, name, inUse);
  FUZZ_CHECK(again.action == tTtyPlan::kKnown && again.port == plan.port);
  FUZZ_CHECK(Unquote(ShellQuote(plan.table)) == plan.table);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  const int key = in.ConsumeIntegral<int>();
  // Ports of chargers being served that the table may not show.
  std::vector<int> inUse;
  while (inUse.size() < 4 && in.ConsumeBool())
    inUse.push_back(in.ConsumeIntegralInRange<int>(-3, 99));
  const std::string model = in.ConsumeRandomLengthString(64);
  const std::string modelVersion = in.ConsumeRandomLengthString(40);
  const std::string table = in.ConsumeRemainingBytesAsString();

  const std::string name = SafeName(model.c_str());
  FUZZ_CHECK(Safe(name) && name.size() <= model.size());
  CheckPlan(table, key, name, inUse);
  FUZZ_CHECK(Unquote(ShellQuote(table)) == table);

  // A battery's log file stays in the log directory whatever its texts say.
  char path[kBatteryLogPathSize];
  const std::string dir = "/tmp/logs";
  if (BatteryLogPath(path, sizeof(path), dir.c_str(), key & 0xff, key >> 21, key, key >> 8,
                     model.c_str(), modelVersion.c_str())) {
    const std::string p = path;
    FUZZ_CHECK(p.compare(0, dir.size() + 5, dir + "/BAT-") == 0);
    FUZZ_CHECK(p.find('/', dir.size() + 1) == std::string::npos);
    FUZZ_CHECK(p.size() >= 4 && p.compare(p.size() - 4, 4, ".log") == 0);
  } else {
    FUZZ_CHECK(path[0] == '\0');
  }
  return 0;
}
