#include "VirtualBus.h"

#include <algorithm>

tVirtualBusPort::tVirtualBusPort(tVirtualBus &bus) : bus_(&bus), rx_(kQueueFrames) {
  bus_->Attach(this);
}

tVirtualBusPort::~tVirtualBusPort() {
  if (bus_ != nullptr) bus_->Detach(this);
}

bool tVirtualBusPort::Open() {
  if (down_ || bus_ == nullptr) return false;
  rx_.Clear();
  open_ = true;
  return true;
}

tCanIo tVirtualBusPort::Read(tCanFrame &frame) {
  if (down_) return tCanIo::kGone;
  if (!open_ || rx_.Empty()) return tCanIo::kNone;
  frame = rx_.Front();
  rx_.Pop();
  stats_.rxFrames++;
  return tCanIo::kOk;
}

tCanIo tVirtualBusPort::Write(const tCanFrame &frame) {
  if (down_) return tCanIo::kGone;
  if (!open_ || bus_ == nullptr) return tCanIo::kError;
  stats_.txFrames++;
  bus_->Send(frame, this);
  return tCanIo::kOk;
}

void tVirtualBusPort::Deliver(const tCanFrame &frame) {
  if (!open_ || down_) return;
  if (!rx_.Push(frame)) stats_.rxDropped++;
}

tVirtualBus::~tVirtualBus() {
  for (auto *p : ports_) p->bus_ = nullptr;
}

void tVirtualBus::Attach(tVirtualBusPort *port) {
  ports_.push_back(port);
}

void tVirtualBus::Detach(tVirtualBusPort *port) {
  ports_.erase(std::remove(ports_.begin(), ports_.end(), port), ports_.end());
}

void tVirtualBus::Send(const tCanFrame &frame, const tVirtualBusPort *from) {
  if (tap_ != nullptr) tap_->OnFrame(frame, from);
  for (auto *p : ports_)
    if (p != from) p->Deliver(frame);
}
