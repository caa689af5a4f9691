// One simulated device: a real bus-library node on a port of the in-memory bus, so
// address claim, request answers, NAKs and heartbeat are the library's own. It runs
// on the real millis() clock and never waits (poll timeout 0): the simulator's loop
// does the waiting.
//
// Silent: the node's port goes down, so the node hears nothing and sends nothing; on
// resume the library reopens the port (within a second) and claims its address again,
// as a device does when it comes back.
#ifndef SIM_SIMNODE_H
#define SIM_SIMNODE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "Behaviour.h"
#include "NMEA2000.h"
#include "NodeConfig.h"
#include "VirtualBus.h"

// Tells whether a NAME belongs to a node of the same simulator (the simulator is one).
class tSimPeers {
 public:
  virtual ~tSimPeers() = default;
  virtual bool IsSimulatedName(uint64_t name) const = 0;
};

class tSimNode : public tNMEA2000 {
 public:
  // Outgoing frames a node may hold: a PGN-list answer alone takes 64.
  static constexpr size_t kFrameBufferSize = 256;

  // Sets the node up from config (address must be chosen: 0..253). Open() starts it.
  tSimNode(tVirtualBus &bus, const tSimNodeConfig &config,
           std::unique_ptr<tSimBehaviour> behaviour);
  ~tSimNode() override;

  const std::string &Name() const { return config_.name; }
  const tSimNodeConfig &Config() const { return config_; }
  tSimBehaviour *Behaviour() { return behaviour_.get(); }

  void SetSilent(bool silent);
  bool IsSilent() const { return silent_; }
  // Frames waiting for the node to read.
  size_t PendingInput() const;

  // Queues msg unless the node is silent. False when silent, listen-only or full.
  bool Send(const tN2kMsg &msg);

  // The other simulated nodes, for behaviours that must tell them from the device
  // under test. Not owned; null (the default) knows none.
  void SetPeers(const tSimPeers *peers) { peers_ = peers; }
  bool IsSimulatedName(uint64_t name) const {
    return peers_ != nullptr && peers_->IsSimulatedName(name);
  }

 protected:
  tCanTransport *CreateTransport() override;

 private:
  // Hands the node's traffic and ticks to its behaviour.
  class tHook : public tMsgListener {
   public:
    explicit tHook(tSimNode &node) : node_(node) {}
    void HandleMsg(const tN2kMsg &msg, uint32_t now) override;
    void Tick(uint32_t now) override;

   private:
    tSimNode &node_;
  };

  tVirtualBus &bus_;
  tSimNodeConfig config_;
  std::unique_ptr<tSimBehaviour> behaviour_;
  tHook hook_;
  tVirtualBusPort *port_ = nullptr;  // owned by the library once created
  bool silent_ = false;
  const tSimPeers *peers_ = nullptr;
};

// The default unique number for a node name (21 bits, never 0).
uint32_t DefaultUniqueNumber(const std::string &name);

#endif
