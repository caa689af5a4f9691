// Fixed-capacity FIFO of CAN frames for the node's outgoing traffic. The capacity
// is chosen once (before the node opens); pushing into a full queue fails and the
// caller counts the drop, so a stalled link never blocks the loop or grows memory.
#ifndef BUSLIB_FRAMEQUEUE_H
#define BUSLIB_FRAMEQUEUE_H

#include <cstddef>
#include <memory>

#include "CanFrame.h"

class tFrameQueue {
 public:
  tFrameQueue() = default;
  explicit tFrameQueue(size_t capacity) { Allocate(capacity); }

  void Allocate(size_t capacity) {
    frames_.reset(capacity ? new tCanFrame[capacity] : nullptr);
    capacity_ = capacity;
    head_ = count_ = 0;
  }
  size_t Capacity() const { return capacity_; }
  size_t Size() const { return count_; }
  size_t Free() const { return capacity_ - count_; }
  bool Empty() const { return count_ == 0; }

  bool Push(const tCanFrame &f) {
    if (count_ >= capacity_) return false;
    frames_[(head_ + count_) % capacity_] = f;
    count_++;
    return true;
  }
  // Only valid when not empty.
  const tCanFrame &Front() const { return frames_[head_]; }
  void Pop() {
    if (count_ == 0) return;
    head_ = (head_ + 1) % capacity_;
    count_--;
  }
  void Clear() { head_ = count_ = 0; }

 private:
  std::unique_ptr<tCanFrame[]> frames_;
  size_t capacity_ = 0;
  size_t head_ = 0;
  size_t count_ = 0;
};

#endif
