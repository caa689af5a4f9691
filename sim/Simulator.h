// The simulator: simulated nodes on an in-memory bus, bridged to the link to the
// device under test, driven by commands and a schedule, logging every frame.
//
// Frames from the link go onto the bus through a port of the simulator's own, so every
// simulated node hears them; whatever a simulated node sends reaches the other nodes
// and, through that port, the link. A tap on the bus logs each frame once: from the
// link, from a simulated node, or injected with "frame".
//
// One thread. Step() waits in poll() on the link and the command inputs for at most a
// few ms (less when a scheduled command is due sooner), then handles what is there, so
// an idle simulator costs almost no CPU.
#ifndef SIM_SIMULATOR_H
#define SIM_SIMULATOR_H

#include <signal.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CandumpLog.h"
#include "SimCommand.h"
#include "SimLineInput.h"
#include "SimLink.h"
#include "SimNode.h"
#include "SimScheduler.h"
#include "VirtualBus.h"

struct tSimStats {
  uint32_t fromLink = 0;       // frames the device under test sent
  uint32_t toLink = 0;         // frames handed to the link
  uint32_t droppedToLink = 0;  // frames the link could not take (channel closed, link lost)
  uint32_t injected = 0;       // "frame" commands
  uint32_t commandErrors = 0;
};

class tSimulator : private tVirtualBus::tTap, private tSimPeers {
 public:
  static constexpr int kTickMs = 5;
  static constexpr uint32_t kLinkRetryMs = 200;
  static constexpr int kDefaultFirstAddress = 128;
  static constexpr size_t kMaxInputs = 4;

  // link and log may be null: a bus of simulated nodes only, or no log. The log must
  // outlive the simulator.
  tSimulator(std::unique_ptr<tSimLink> link, tCandumpLog *log);
  ~tSimulator() override;
  tSimulator(const tSimulator &) = delete;
  tSimulator &operator=(const tSimulator &) = delete;

  void SetVerbose(bool verbose) { verbose_ = verbose; }
  // Where echo writes (default stdout) and where errors and -v messages go (stderr).
  void SetOutput(FILE *out, FILE *err) {
    out_ = out;
    err_ = err;
  }

  // Runs a command now ("at", "every" and "after" schedule theirs). False when it
  // failed; the error has been printed with the command's location.
  bool Execute(const tSimCommand &command);
  // Parses and runs one line. False on a parse or run error (printed).
  bool ExecuteLine(const std::string &line, const tSimLocation &where);
  // At most kMaxInputs; false when full.
  bool AddInput(std::unique_ptr<tSimLineInput> input);

  // One pass of the loop; waits at most maxWaitMs.
  void Step(int maxWaitMs = kTickMs);
  // Steps until "quit" or until *stop becomes non-zero (set by a signal handler).
  void Run(volatile sig_atomic_t *stop);
  bool QuitRequested() const { return quit_; }

  tSimNode *FindNode(const std::string &name);
  tVirtualBus &Bus() { return bus_; }
  tSimLink *Link() { return link_.get(); }
  uint32_t StartTime() const { return start_; }
  const tSimStats &Stats() const { return stats_; }

 private:
  enum class tResult { kOk, kFailed, kNoNode };

  void OnFrame(const tCanFrame &frame, const tVirtualBusPort *from) override;
  bool IsSimulatedName(uint64_t name) const override;
  tResult Run(const tSimCommand &command);
  tResult RunOnNode(const tSimCommand &command, tSimNode &node);
  tResult CreateNode(const tSimCommand &command);
  tResult Fail(const tSimCommand &command, const std::string &message);
  void Verbose(const char *format, ...) __attribute__((format(printf, 2, 3)));
  int ChooseAddress() const;
  int PollTimeout(int maxWaitMs, uint32_t now) const;
  void ReadLink(uint32_t now);
  void ReadInputs(const short *revents);
  void RunDue(uint32_t now);
  void RunNodes();
  void WriteLink(uint32_t now);
  void LinkLost(uint32_t now);
  void WatchLink(uint32_t now);

  tVirtualBus bus_;
  tVirtualBusPort linkPort_;  // the link's place on the bus
  std::vector<std::unique_ptr<tSimNode>> nodes_;
  std::unique_ptr<tSimLink> link_;
  tCandumpLog *log_;
  tSimScheduler scheduler_;
  std::vector<std::unique_ptr<tSimLineInput>> inputs_;
  FILE *out_ = stdout;
  FILE *err_ = stderr;
  bool verbose_ = false;
  bool quit_ = false;
  uint32_t start_;
  int nodesCreated_ = 0;

  bool linkDown_ = false;
  uint32_t linkDownSince_ = 0;
  bool linkReady_ = false;
  const char *notReadyReason_ = nullptr;  // why the link stops being ready, when we know
  bool held_ = false;                     // heldFrame_ waits for the link to take it
  tCanFrame heldFrame_;
  tSimStats stats_;
};

#endif
