// One line of the simulator's command language, parsed and checked: scenario files,
// the control FIFO and standard input all speak it (sim/README.md describes it).
// Everything that can be checked without running is checked here, so a scenario
// with mistakes is refused before it starts (--strict) rather than halfway through.
#ifndef SIM_SIMCOMMAND_H
#define SIM_SIMCOMMAND_H

#include <cstdint>
#include <memory>
#include <string>

#include "CanFrame.h"
#include "N2kMsg.h"
#include "NodeConfig.h"

// Where a line came from, for messages: "scenario.txt:12".
struct tSimLocation {
  std::string file;
  int line = 0;
};

enum class tSimCommandKind : uint8_t {
  kNode,     // node NAME key=value...
  kAt,       // at MS COMMAND: MS after the simulator started
  kEvery,    // every MS COMMAND: every MS from now on
  kAfter,    // after MS COMMAND: MS from now
  kSend,     // send NODE PGN key=value... [prio=N] [dest=N] | send NODE PGN raw=HEX ...
  kClaim,    // claim NODE ADDRESS
  kSilent,   // silent NODE
  kResume,   // resume NODE
  kRemove,   // remove NODE
  kDo,       // do NODE TEXT: a command for the node's behaviour
  kFrame,    // frame ID#HEX
  kRawLine,  // rawline TEXT
  kAdapter,  // adapter reset: the LAWICEL adapter closes its channel
  kLog,      // log TEXT
  kEcho,     // echo TEXT
  kQuit,     // quit
};

struct tSimCommand {
  tSimCommandKind kind = tSimCommandKind::kQuit;
  tSimLocation where;
  std::string node;                          // the node a command is for
  std::string text;                          // rawline, log, echo, do
  uint32_t ms = 0;                           // at, every, after
  uint8_t address = 0;                       // claim
  tCanFrame frame;                           // frame
  tN2kMsg msg;                               // send: built, priority and destination applied
  tSimNodeConfig config;                     // node
  std::shared_ptr<const tSimCommand> inner;  // at, every, after
};

enum class tSimParseResult : uint8_t { kCommand, kEmpty, kError };

// Longest command line taken from any input.
constexpr size_t kMaxCommandLine = 1024;

// Parses one line (without its line end; a trailing '\r' is ignored). kEmpty for blank
// and comment lines; kError with a message (without the location) in error.
tSimParseResult ParseSimCommand(const std::string &line, const tSimLocation &where,
                                tSimCommand &out, std::string &error);

// Parses candump's "ID#HEX" (1..8 hex digits of id up to 29 bits, 0..8 data bytes).
bool ParseCandumpFrame(const std::string &text, tCanFrame &frame);

#endif
