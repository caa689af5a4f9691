// tN2kDeviceList: the other nodes on the bus, learnt from their address claims.
//
// When created it asks everybody for their address claim (as soon as the node has
// settled on its address). Each new node is asked for product information (126996),
// configuration information (126998) and its PGN lists (126464); an unanswered request
// is repeated kDeviceQueryRetryMs later, at most kDeviceQueryAttempts times, and a NAK
// ends the asking. Traffic from an address nobody has claimed makes the list ask that
// address for its claim (at most every kUnknownSourceQueryMs). The changed flag goes up
// whenever a device comes, goes, moves, or something new is learnt about it.
// Deleting the list detaches it from the node.
#ifndef BUSLIB_N2KDEVICELIST_H
#define BUSLIB_N2KDEVICELIST_H

#include <cstdint>
#include <memory>
#include <vector>

#include "N2kGroupMessages.h"
#include "NMEA2000.h"

constexpr uint32_t kDeviceQueryRetryMs = 1000;
constexpr int kDeviceQueryAttempts = 3;
constexpr uint32_t kUnknownSourceQueryMs = 5000;
// Requests sent per tick, so that a crowded bus is asked gradually.
constexpr int kDeviceQueriesPerTick = 4;
// After the node refused a request (its queue full), the next waits this long.
constexpr uint32_t kDeviceQueryBackoffMs = 50;

class tN2kDeviceList : public tNMEA2000::tMsgListener {
 public:
  class tDevice {
   public:
    uint8_t GetSource() const { return source_; }
    uint64_t GetName() const { return name_; }
    uint32_t GetUniqueNumber() const { return fields_.UniqueNumber; }
    uint16_t GetManufacturerCode() const { return fields_.ManufacturerCode; }
    uint8_t GetDeviceFunction() const { return fields_.DeviceFunction; }
    uint8_t GetDeviceClass() const { return fields_.DeviceClass; }
    uint8_t GetIndustryGroup() const { return fields_.IndustryGroup; }
    uint8_t GetSystemInstance() const { return fields_.SystemInstance; }

    // Product information; 0 and empty texts until it has arrived. Texts are never null.
    bool HasProductInformation() const { return hasProduct_; }
    uint16_t GetProductCode() const { return hasProduct_ ? product_.ProductCode : 0; }
    uint16_t GetN2kVersion() const { return hasProduct_ ? product_.N2kVersion : 0; }
    const char *GetModelID() const { return product_.ModelID; }
    const char *GetSwCode() const { return product_.SwCode; }
    const char *GetModelVersion() const { return product_.ModelVersion; }
    const char *GetModelSerialCode() const { return product_.ModelSerialCode; }
    uint8_t GetCertificationLevel() const { return product_.CertificationLevel; }
    uint8_t GetLoadEquivalency() const { return product_.LoadEquivalency; }

    // Configuration information; empty texts until it has arrived.
    bool HasConfigurationInformation() const { return hasConfig_; }
    const char *GetManufacturerInformation() const { return config_.ManufacturerInformation; }
    const char *GetInstallationDescription1() const { return config_.InstallationDescription1; }
    const char *GetInstallationDescription2() const { return config_.InstallationDescription2; }

    // Zero-terminated PGN lists, or null while unknown.
    const unsigned long *GetTransmitPGNs() const {
      return txPGNs_.empty() ? nullptr : txPGNs_.data();
    }
    const unsigned long *GetReceivePGNs() const {
      return rxPGNs_.empty() ? nullptr : rxPGNs_.data();
    }

    uint32_t LastSeen() const { return lastSeen_; }

   private:
    friend class tN2kDeviceList;
    struct tQuery {
      bool done = false;
      int attempts = 0;
      uint32_t lastAsked = 0;
    };
    uint8_t source_ = 0;
    uint64_t name_ = 0;
    tN2kName fields_;
    bool hasProduct_ = false;
    tN2kProductInfo product_;
    bool hasConfig_ = false;
    tN2kConfigInfo config_;
    std::vector<unsigned long> txPGNs_;
    std::vector<unsigned long> rxPGNs_;
    tQuery productQuery_, configQuery_, pgnListQuery_;
    uint32_t lastSeen_ = 0;
  };

  explicit tN2kDeviceList(tNMEA2000 *node);
  ~tN2kDeviceList() override;
  tN2kDeviceList(const tN2kDeviceList &) = delete;
  tN2kDeviceList &operator=(const tN2kDeviceList &) = delete;

  // The device at this address, or null.
  const tDevice *LocalFindDeviceBySource(unsigned char source) const;
  const tDevice *FindDeviceByName(uint64_t name) const;
  // True when the list changed since the last call; clears the flag.
  bool ReadResetIsListUpdated();
  int Count() const;

  void HandleMsg(const tN2kMsg &msg, uint32_t now) override;
  void Tick(uint32_t now) override;
  // The next question due: the global request, a first request or a repeat.
  uint32_t MsUntilDue(uint32_t now) const override;

 private:
  void LearnClaim(uint8_t source, uint64_t name, uint32_t now);
  void LearnProduct(const tN2kMsg &msg);
  void LearnConfig(const tN2kMsg &msg);
  void LearnPgnList(const tN2kMsg &msg);
  void LearnNak(const tN2kMsg &msg);
  void AskUnknown(uint8_t source, uint32_t now);
  bool Ask(tDevice &d, tDevice::tQuery &q, unsigned long pgn, uint32_t now);
  bool Request(uint8_t destination, unsigned long pgn);
  static uint32_t QueryDue(const tDevice::tQuery &q, uint32_t now);

  tNMEA2000 *node_;
  std::unique_ptr<tDevice> devices_[kN2kNullAddress];  // by source 0..253
  uint32_t unknownAsked_[kN2kNullAddress] = {0};
  bool unknownAskedEver_[kN2kNullAddress] = {false};
  bool globalQueryPending_ = true;
  bool changed_ = false;
  // A request the node could not queue: the next one waits a little.
  bool backingOff_ = false;
  uint32_t backoffFrom_ = 0;
};

#endif
