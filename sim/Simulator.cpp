// The loop: poll, link in, commands, schedule, nodes, link out, log.
#include "Simulator.h"

#include <poll.h>

#include <cerrno>
#include <cstdarg>

#include "N2kTime.h"

namespace {
// Bounds the frames taken from the link per pass so the nodes keep their turn.
constexpr int kMaxLinkFramesPerStep = 512;
// A frame a node sends makes others answer; this many rounds settle an exchange.
constexpr int kMaxNodePasses = 8;
constexpr int kMaxEventsPerStep = 1000;
}  // namespace

tSimulator::tSimulator(std::unique_ptr<tSimLink> link, tCandumpLog *log)
    : linkPort_(bus_), link_(std::move(link)), log_(log), start_(millis()) {
  linkPort_.Open();
  bus_.SetTap(this);
}

tSimulator::~tSimulator() {
  bus_.SetTap(nullptr);
  nodes_.clear();
}

void tSimulator::OnFrame(const tCanFrame &frame, const tVirtualBusPort *) {
  if (log_ != nullptr) log_->Frame(frame);
}

void tSimulator::Verbose(const char *format, ...) {
  if (!verbose_) return;
  va_list args;
  va_start(args, format);
  std::fputs("tidewire-sim: ", err_);
  std::vfprintf(err_, format, args);
  std::fputc('\n', err_);
  va_end(args);
}

bool tSimulator::AddInput(std::unique_ptr<tSimLineInput> input) {
  if (!input || inputs_.size() >= kMaxInputs) return false;
  inputs_.push_back(std::move(input));
  return true;
}

void tSimulator::Run(volatile sig_atomic_t *stop) {
  while (!quit_ && (stop == nullptr || *stop == 0)) Step();
}

int tSimulator::PollTimeout(int maxWaitMs, uint32_t now) const {
  int64_t timeout = maxWaitMs;
  const int64_t next = scheduler_.MsUntilNext(now);
  if (next >= 0 && next < timeout) timeout = next;
  if (!held_ && linkPort_.Pending() > 0) timeout = 0;
  for (const auto &node : nodes_)
    if (node->PendingInput() > 0) timeout = 0;
  return timeout < 0 ? 0 : static_cast<int>(timeout);
}

void tSimulator::Step(int maxWaitMs) {
  struct pollfd fds[1 + kMaxInputs];
  size_t n = 0;
  if (link_ && !linkDown_ && link_->Fd() >= 0) {
    fds[n].fd = link_->Fd();
    fds[n].events = POLLIN;
    if (held_ || link_->WantsWrite()) fds[n].events |= POLLOUT;
    fds[n++].revents = 0;
  }
  short inputEvents[kMaxInputs] = {0};
  const size_t firstInput = n;
  for (size_t i = 0; i < inputs_.size(); i++) {
    fds[n].fd = inputs_[i]->Fd();  // -1 is ignored by poll
    fds[n].events = POLLIN;
    fds[n++].revents = 0;
  }
  uint32_t now = millis();
  int timeout = PollTimeout(maxWaitMs, now);
  if (linkDown_) {
    const uint32_t waited = now - linkDownSince_;
    const int retryIn = waited >= kLinkRetryMs ? 0 : static_cast<int>(kLinkRetryMs - waited);
    if (retryIn < timeout) timeout = retryIn;
  }
  if (poll(fds, n, timeout) < 0 && errno != EINTR) poll(nullptr, 0, timeout);
  for (size_t i = 0; i < inputs_.size(); i++) inputEvents[i] = fds[firstInput + i].revents;

  now = millis();
  ReadLink(now);
  ReadInputs(inputEvents);
  RunDue(millis());
  RunNodes();
  WriteLink(millis());
  WatchLink(millis());
  if (log_ != nullptr) log_->Flush();
}

void tSimulator::ReadLink(uint32_t now) {
  if (!link_) return;
  if (linkDown_) {
    if (now - linkDownSince_ < kLinkRetryMs) return;
    linkDownSince_ = now;
    if (!link_->Reconnect()) return;
    linkDown_ = false;
  }
  tCanFrame frame;
  for (int i = 0; i < kMaxLinkFramesPerStep; i++) {
    tCanIo r = link_->Receive(frame);
    if (r == tCanIo::kOk) {
      stats_.fromLink++;
      linkPort_.Write(frame);  // the tap logs it
      continue;
    }
    if (r == tCanIo::kGone) LinkLost(now);
    break;
  }
}

void tSimulator::LinkLost(uint32_t now) {
  linkDown_ = true;
  linkDownSince_ = now;
}

void tSimulator::ReadInputs(const short *revents) {
  for (size_t i = 0; i < inputs_.size(); i++) {
    if ((revents[i] & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
    inputs_[i]->Read([this](const std::string &line, const tSimLocation &where, bool overlong) {
      if (overlong) {
        stats_.commandErrors++;
        std::fprintf(err_, "%s:%d: line longer than %zu characters, ignored\n", where.file.c_str(),
                     where.line, kMaxCommandLine);
        return;
      }
      ExecuteLine(line, where);
    });
  }
}

void tSimulator::RunDue(uint32_t now) {
  tSimScheduler::tDue due;
  for (int i = 0; i < kMaxEventsPerStep && scheduler_.PopDue(now, due); i++) {
    if (Run(*due.command) == tResult::kNoNode && due.repeats) {
      // The node was removed: repeating the command would only repeat the error.
      scheduler_.Cancel(due.id);
      std::fprintf(err_, "%s:%d: repeating command dropped\n", due.command->where.file.c_str(),
                   due.command->where.line);
    }
  }
}

// Every node runs once for its timers; after that only nodes with frames to read, so an
// exchange between two nodes does not cost a pass over a full bus each round.
void tSimulator::RunNodes() {
  for (auto &node : nodes_) node->ParseMessages();
  for (int pass = 1; pass < kMaxNodePasses; pass++) {
    bool pending = false;
    for (auto &node : nodes_) {
      if (node->PendingInput() == 0) continue;
      pending = true;
      node->ParseMessages();
    }
    if (!pending) break;
  }
  for (auto &node : nodes_)
    if (node->ReadResetAddressChanged())
      Verbose("node %s moved to address %u", node->Name().c_str(), node->GetN2kSource());
}

void tSimulator::WriteLink(uint32_t now) {
  for (;;) {
    if (!held_) {
      if (linkPort_.Read(heldFrame_) != tCanIo::kOk) return;
      held_ = true;
    }
    if (!link_) {
      held_ = false;
      continue;
    }
    if (linkDown_) {
      stats_.droppedToLink++;
      held_ = false;
      continue;
    }
    tCanIo r = link_->Send(heldFrame_);
    if (r == tCanIo::kNone) return;  // poll() tells when the link can take more
    held_ = false;
    if (r == tCanIo::kOk) {
      stats_.toLink++;
    } else {
      stats_.droppedToLink++;
      if (r == tCanIo::kGone) LinkLost(now);
    }
  }
}

// The log says when the device under test could start hearing the bus, and when it
// stopped: frames logged while the link was not ready never reached it.
void tSimulator::WatchLink(uint32_t) {
  const bool ready = link_ && !linkDown_ && link_->Ready();
  if (ready == linkReady_) return;
  linkReady_ = ready;
  char text[96];
  if (ready)
    std::snprintf(text, sizeof(text), "link ready");
  else
    std::snprintf(text, sizeof(text), "link not ready: %s",
                  notReadyReason_ != nullptr ? notReadyReason_ : "frames to it are dropped");
  notReadyReason_ = nullptr;
  if (log_ != nullptr) log_->Comment(text);
  Verbose("%s (%s)", text, link_ ? link_->Describe() : "none");
}

bool tSimulator::IsSimulatedName(uint64_t name) const {
  for (const auto &node : nodes_)
    if (node->GetName() == name) return true;
  return false;
}

tSimNode *tSimulator::FindNode(const std::string &name) {
  for (auto &node : nodes_)
    if (node->Name() == name) return node.get();
  return nullptr;
}
