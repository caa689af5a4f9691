// tNMEA2000: a node on an NMEA 2000 / RV-C bus.
//
// It claims an address with its NAME and defends or moves it, answers ISO requests for
// address claim (60928), product information (126996), configuration information
// (126998) and PGN lists (126464) and NAKs other requests addressed to it, sends a
// heartbeat (126993) every 60 s, sends and reassembles fast packets, receives BAM
// transport broadcasts, and hands every received message to the message handler.
//
// Call order: identity setters, buffer sizes, traffic echo, SetMode, PGN lists,
// SetMsgHandler, Open; then ParseMessages in a loop. ParseMessages handles what is
// pending and returns. A loop that owns its wait sets the poll timeout to 0 and, after
// each ParseMessages, waits on PollFd() (for writing too while WantsWrite()) for at
// most MsUntilDue(); left at its default, ParseMessages itself waits a few ms in
// poll() when nothing was pending, so a bare loop around it stays cheap.
// Single-threaded: handlers run inside ParseMessages.
#ifndef BUSLIB_NMEA2000_H
#define BUSLIB_NMEA2000_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "CanTransport.h"
#include "N2kClaimEvents.h"
#include "N2kGroupMessages.h"
#include "N2kMsg.h"
#include "N2kStats.h"
#include "N2kStream.h"
#include "N2kTime.h"

constexpr uint32_t kHeartbeatIntervalMs = 60000;
constexpr uint32_t kReopenIntervalMs = 1000;
constexpr int kDefaultPollTimeoutMs = 10;
constexpr size_t kDefaultFrameBufferSize = 50;
constexpr size_t kDefaultMessageBufferCount = 8;
constexpr int kMaxListeners = 4;
constexpr int kMaxPgnListChunks = 4;

struct tN2kNodeStats {
  uint32_t rxFrames = 0;
  uint32_t rxMessages = 0;
  uint32_t txMessages = 0;
  uint32_t txFrames = 0;
  uint32_t txDropped = 0;  // outgoing queue full, or dropped while we cannot claim
  uint32_t txRefused = 0;  // not open, not a sending mode, or a message that cannot be framed
  uint32_t txErrors = 0;   // frames the link refused
  uint32_t txBlocked = 0;  // times the link could not take more (retried next pass)
  uint32_t linkLost = 0;   // outages: link gone, or an adapter that closed its channel
  uint32_t reopened = 0;
  uint32_t naksSent = 0;
};

class tNMEA2000 {
 public:
  // What the node does on the bus. ListenAndNode: take part as a node and pass up
  // every message seen, whoever it is addressed to.
  enum tN2kMode {
    N2km_ListenOnly = 0,     // no address, sends nothing, passes up everything
    N2km_NodeOnly = 1,       // a node; passes up messages to us or to everybody
    N2km_ListenAndNode = 2,  // a node; passes up everything
    N2km_SendOnly = 3,       // sends from the given address without claiming; passes nothing
    N2km_ListenAndSend = 4   // sends without claiming; passes up everything
  };

  // Receives every message before the message handler (the device list uses this),
  // and a tick from each ParseMessages.
  class tMsgListener {
   public:
    virtual ~tMsgListener() = default;
    virtual void HandleMsg(const tN2kMsg &msg, uint32_t now) = 0;
    virtual void Tick(uint32_t now) = 0;
    // Milliseconds until Tick has work (0: now; kN2kNeverDue: only on traffic).
    virtual uint32_t MsUntilDue(uint32_t now) const {
      (void)now;
      return kN2kNeverDue;
    }
  };

  tNMEA2000();
  virtual ~tNMEA2000();
  tNMEA2000(const tNMEA2000 &) = delete;
  tNMEA2000 &operator=(const tNMEA2000 &) = delete;

  // ---- identity (texts are copied, cut to the field size) ----
  void SetProductInformation(const char *ModelSerialCode, unsigned short ProductCode,
                             const char *ModelID, const char *SwCode, const char *ModelVersion,
                             unsigned char LoadEquivalency = 0xff, unsigned short N2kVersion = 2100,
                             unsigned char CertificationLevel = 0xff, int iDev = 0);
  void SetProgmemConfigurationInformation(const char *ManufacturerInformation,
                                          const char *InstallationDescription1 = nullptr,
                                          const char *InstallationDescription2 = nullptr);
  // UniqueNumber is cut to its 21 bits in the NAME.
  void SetDeviceInformation(unsigned long UniqueNumber, unsigned char DeviceFunction,
                            unsigned char DeviceClass, unsigned short ManufacturerCode,
                            unsigned char IndustryGroup = 4, int iDev = 0);
  void SetDeviceInstances(unsigned char DeviceInstanceLower, unsigned char DeviceInstanceUpper,
                          unsigned char SystemInstance);
  // A node that is not arbitrary address capable keeps its address: when it loses it,
  // it says "cannot claim" instead of moving. Capable by default.
  void SetArbitraryAddressCapable(bool capable);
  const tN2kProductInfo &ProductInformation() const { return productInfo_; }
  const tN2kConfigInfo &ConfigurationInformation() const { return configInfo_; }

  // ---- buffers; both take effect at Open ----
  // Outgoing frames that may wait for the link.
  virtual void SetFrameBufferSize(size_t frames);
  // Fast packets that may be reassembled at the same time.
  void SetMessageBufferCount(size_t count);

  // ---- traffic echo: one readable line per frame (format 0) or message (format 1) ----
  void SetTrafficEchoStream(N2kStream *stream) { echoStream_ = stream; }
  void SetTrafficEchoFormat(int format) { echoFormat_ = format; }
  void EnableTrafficEcho(bool on) { echoOn_ = on; }

  void SetMode(tN2kMode mode, unsigned char N2kSource = 15);
  // Zero-terminated lists; the arrays must stay valid. Announced after the library's own.
  void ExtendTransmitMessages(const unsigned long *pgns, int iDev = 0);
  void ExtendReceiveMessages(const unsigned long *pgns, int iDev = 0);
  // What the node passes up goes to one handler: a plain function, or an object that
  // carries what it acts on (setting one forgets the other).
  class tMsgHandler {
   public:
    virtual ~tMsgHandler() = default;
    virtual void HandleMsg(const tN2kMsg &msg) = 0;
  };
  void SetMsgHandler(void (*handler)(const tN2kMsg &msg)) {
    handler_ = handler;
    handlerObject_ = nullptr;
  }
  void SetMsgHandler(tMsgHandler *handler) {
    handlerObject_ = handler;
    handler_ = nullptr;
  }
  // How long ParseMessages waits in poll() when idle; 0 never waits.
  void SetPollTimeout(int ms) { pollTimeoutMs_ = ms < 0 ? 0 : ms; }

  // Opens the link and starts the address claim. False when the link cannot be opened.
  bool Open();
  bool IsOpen() const { return opened_; }
  // Reads and handles everything pending, runs the timers, sends what waits.
  void ParseMessages();
  // Sends what waits without reading: for messages queued after ParseMessages.
  void SendPending();
  // For a loop that owns the wait: the link's descriptor (-1 while it is down), whether
  // to wait for it to be writable too, and how long until ParseMessages has timed work
  // (0: now; kN2kNeverDue: nothing timed, only traffic).
  int PollFd() const;
  bool WantsWrite() const;
  uint32_t MsUntilDue() const { return MsUntilDue(CurrentTime()); }
  uint32_t MsUntilDue(uint32_t now) const;
  // Queues a message (source and, for PDU1 PGNs, destination are filled in when its
  // frames go out). False, and counted, when it cannot be queued whole.
  bool SendMsg(const tN2kMsg &msg, int iDev = -1);

  // Claims another address now, as a commanded address would (0..253; others ignored).
  void ClaimAddress(unsigned char address);
  // True once after the node had to take another address.
  bool ReadResetAddressChanged();
  // What the address claim went through since the last call, as a mask of
  // kN2kClaim... (N2kClaimEvents.h); clears them.
  unsigned ReadResetClaimEvents();
  unsigned char GetN2kSource(int iDev = 0) const;
  uint64_t GetName() const;
  // Address claimed and settled (or a sending mode without claim).
  bool IsReady() const;
  // No address left on the bus: "cannot claim" said, a retry follows later.
  bool CannotClaim() const;

  bool AttachListener(tMsgListener *listener);
  void DetachListener(tMsgListener *listener);

  const tN2kNodeStats &Stats() const { return stats_; }
  const tFastPacketStats *FastPacketStats() const;
  const tBamStats &BamStats() const;
  const tCanTransportStats *TransportStats() const;
  size_t PendingFrames() const;

 protected:
  // Makes the link; called by Open. The node owns the result.
  virtual tCanTransport *CreateTransport() = 0;
  // The clock; tests replace it.
  virtual uint32_t CurrentTime() const;
  // Seed of the pseudo-random claim delays: different for every device and start.
  virtual uint32_t RandomSeed() const;

 private:
  bool IsNodeMode() const { return mode_ == N2km_NodeOnly || mode_ == N2km_ListenAndNode; }
  bool CanSend() const { return mode_ != N2km_ListenOnly; }
  bool PassesAll() const {
    return mode_ == N2km_ListenOnly || mode_ == N2km_ListenAndNode || mode_ == N2km_ListenAndSend;
  }
  void UpdateName();
  int ReadFrames(uint32_t now);
  void HandleFrame(const tCanFrame &frame, uint32_t now);
  void HandleMessage(const tN2kMsg &msg, uint32_t now);
  void HandleNodeMessage(const tN2kMsg &msg, uint32_t now);
  void AnswerRequest(unsigned long pgn, uint8_t requester, uint8_t destination, uint32_t now);
  void SendPgnList(tN2kPGNList function, uint8_t destination);
  void SendNak(uint8_t destination, unsigned long pgn);
  void RunTimers(uint32_t now);
  int Flush(uint32_t now);
  bool FlushClaim(int &sent, uint32_t now);
  bool FlushData(int &sent, uint32_t now);
  // One frame to the link; false when it could not take it now (blocked or gone).
  bool WriteFrame(const tCanFrame &f, tCanIo &result, uint32_t now);
  void LinkLost(uint32_t now);
  void ReopenIfDue(uint32_t now);
  void Wait();
  void EchoFrame(const char *dir, const tCanFrame &frame);
  void EchoMessage(const char *dir, const tN2kMsg &msg);

  tN2kProductInfo productInfo_;
  tN2kConfigInfo configInfo_;
  tN2kName nameFields_;
  // The address claimer, the reassembly of fast packets and BAM, the outgoing queue:
  // the library's own machinery, not part of its interface.
  struct tInternals;
  std::unique_ptr<tInternals> in_;
  tN2kMode mode_ = N2km_ListenOnly;
  uint8_t sendAddress_ = 15;  // send-only modes

  const unsigned long *txLists_[kMaxPgnListChunks] = {nullptr};
  const unsigned long *rxLists_[kMaxPgnListChunks] = {nullptr};

  void (*handler_)(const tN2kMsg &msg) = nullptr;
  tMsgHandler *handlerObject_ = nullptr;
  tMsgListener *listeners_[kMaxListeners] = {nullptr};

  N2kStream *echoStream_ = nullptr;
  int echoFormat_ = 0;
  bool echoOn_ = false;

  size_t frameBufferSize_ = kDefaultFrameBufferSize;
  size_t messageBufferCount_ = kDefaultMessageBufferCount;
  int pollTimeoutMs_ = kDefaultPollTimeoutMs;

  std::unique_ptr<tCanTransport> transport_;
  bool opened_ = false;
  bool linkUp_ = false;
  bool readFailed_ = false;
  bool writeBlocked_ = false;  // the link took no more on the last try
  bool linkCarried_ = false;   // a frame went either way since the link was (re)opened
  uint32_t linkLostTime_ = 0;
  uint32_t lastHeartbeat_ = 0;
  bool heartbeatDue_ = true;  // the first one goes out as soon as the address is settled
  uint8_t heartbeatCounter_ = 0;
  uint8_t fastPacketSequence_ = 0;
  tN2kNodeStats stats_;
};

#endif
