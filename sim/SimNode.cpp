#include "SimNode.h"

#include <cstdio>

#include "N2kGroupMessages.h"

uint32_t DefaultUniqueNumber(const std::string &name) {
  // FNV-1a: stable across runs, so a scenario gives the same NAMEs every time.
  uint32_t h = 2166136261u;
  for (char c : name) {
    h ^= static_cast<uint8_t>(c);
    h *= 16777619u;
  }
  h &= 0x1fffff;
  return h != 0 ? h : 1;
}

tSimNode::tSimNode(tVirtualBus &bus, const tSimNodeConfig &config,
                   std::unique_ptr<tSimBehaviour> behaviour)
    : bus_(bus), config_(config), behaviour_(std::move(behaviour)), hook_(*this) {
  tN2kName name;
  if (config_.fullNameSet) {
    name = tN2kName::Unpack(config_.fullName);
  } else {
    name.UniqueNumber = config_.uniqueSet ? config_.unique : DefaultUniqueNumber(config_.name);
    name.ManufacturerCode = config_.manufacturer;
    name.DeviceFunction = config_.function;
    name.DeviceClass = config_.deviceClass;
    name.IndustryGroup = config_.industry;
    name.SystemInstance = config_.systemInstance;
    name.DeviceInstanceLower = config_.deviceInstance & 7;
    name.DeviceInstanceUpper = config_.deviceInstance >> 3;
    name.ArbitraryAddressCapable = config_.addressCapable;
  }
  const uint32_t unique = name.UniqueNumber;
  char serial[16];
  std::snprintf(serial, sizeof(serial), "%lu", static_cast<unsigned long>(unique));
  SetProductInformation(config_.serial.empty() ? serial : config_.serial.c_str(),
                        config_.productCode,
                        config_.model.empty() ? config_.name.c_str() : config_.model.c_str(),
                        config_.sw.c_str(), config_.modelVersion.c_str(), config_.loadEquivalency,
                        config_.n2kVersion, config_.certification);
  SetProgmemConfigurationInformation(config_.mfrInfo.c_str(), config_.desc1.c_str(),
                                     config_.desc2.c_str());
  SetDeviceInformation(unique, name.DeviceFunction, name.DeviceClass, name.ManufacturerCode,
                       name.IndustryGroup);
  SetDeviceInstances(name.DeviceInstanceLower, name.DeviceInstanceUpper, name.SystemInstance);
  SetArbitraryAddressCapable(name.ArbitraryAddressCapable);
  SetFrameBufferSize(kFrameBufferSize);
  const unsigned char address =
      static_cast<unsigned char>(config_.address < 0 ? 0 : config_.address);
  switch (config_.mode) {
    case tSimNodeConfig::tMode::kNode:
      SetMode(N2km_ListenAndNode, address);
      break;
    case tSimNodeConfig::tMode::kListen:
      SetMode(N2km_ListenOnly, address);
      break;
    case tSimNodeConfig::tMode::kSend:
      SetMode(N2km_ListenAndSend, address);
      break;
  }
  // config_ is never changed again, so the lists stay where the library points.
  if (!config_.tx.empty()) ExtendTransmitMessages(config_.tx.data());
  if (!config_.rx.empty()) ExtendReceiveMessages(config_.rx.data());
  SetPollTimeout(0);
  AttachListener(&hook_);
}

tSimNode::~tSimNode() {
  DetachListener(&hook_);
}

tCanTransport *tSimNode::CreateTransport() {
  port_ = new tVirtualBusPort(bus_);
  return port_;
}

size_t tSimNode::PendingInput() const {
  return port_ != nullptr ? port_->Pending() : 0;
}

void tSimNode::SetSilent(bool silent) {
  if (silent == silent_) return;
  // Whatever the node has queued goes out before it falls silent.
  if (silent) ParseMessages();
  silent_ = silent;
  if (port_ != nullptr) port_->SetLinkDown(silent);
  if (!silent && behaviour_) behaviour_->OnResume(*this);
}

bool tSimNode::Send(const tN2kMsg &msg) {
  if (silent_) return false;
  return SendMsg(msg);
}

void tSimNode::tHook::HandleMsg(const tN2kMsg &msg, uint32_t) {
  if (!node_.silent_ && node_.behaviour_) node_.behaviour_->OnMessage(node_, msg);
}

void tSimNode::tHook::Tick(uint32_t now) {
  if (!node_.silent_ && node_.behaviour_) node_.behaviour_->OnTick(node_, now);
}
