// The loop as a unit, on a fake clock and a scripted poll(): how often an idle daemon
// wakes, each part handed exactly its own descriptors, the link's batching on a busy
// bus, a stop, a failing poll() and a part that never stops being due.
#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <map>
#include <vector>

#include "FakeDirectories.h"
#include "FakeRawLink.h"
#include "FakeRuntime.h"
#include "LoopParts.h"
#include "MainLoop.h"
#include "TestBus.h"

namespace {
// poll() as the test says: descriptors it marks ready, else the timeout passes on the
// fake clock; or an error.
class tScriptedPoller : public tPoller {
 public:
  explicit tScriptedPoller(tFakeRuntime &rt) : rt_(rt) {}
  int Poll(struct pollfd *fds, int count, int timeoutMs) override {
    timeouts.push_back(timeoutMs);
    counts.push_back(count);
    if (failWith != 0) {
      errno = failWith;
      return -1;
    }
    int ready = 0;
    for (int i = 0; i < count; i++) {
      auto it = readyNext.find(fds[i].fd);
      if (it == readyNext.end()) continue;
      fds[i].revents = it->second;
      ready++;
    }
    readyNext.clear();
    if (ready == 0) rt_.now += static_cast<uint32_t>(timeoutMs);
    return ready;
  }
  void Sleep(uint32_t ms) override {
    slept.push_back(ms);
    rt_.now += ms;
  }

  std::vector<int> timeouts, counts;
  std::vector<uint32_t> slept;
  std::map<int, short> readyNext;
  int failWith = 0;

 private:
  tFakeRuntime &rt_;
};

// A part with descriptors that are never read and a timer of a fixed period.
class tFakePart : public tLoopPart {
 public:
  tFakePart(std::vector<int> fds, uint32_t period) : fds_(fds), period_(period) {}
  const char *Name() const override { return "the fake part"; }
  int PollFds(struct pollfd *fds, int room) override {
    int n = 0;
    for (int fd : fds_)
      if (n < room) fds[n++] = {fd, POLLIN, 0};
    return n;
  }
  void Ready(const struct pollfd *fds, int count) override {
    handed.clear();
    for (int i = 0; i < count; i++) handed.push_back({fds[i].fd, fds[i].revents});
  }
  uint32_t MsUntilDue(uint32_t now) const override {
    if (alwaysDue) return 0;
    if (period_ == 0) return kN2kNeverDue;
    const uint32_t elapsed = now - last_;
    return elapsed >= period_ ? 0 : period_ - elapsed;
  }
  void Pass(uint32_t now) override {
    passes++;
    if (period_ != 0 && now - last_ >= period_) last_ = now;
  }

  std::vector<std::pair<int, short>> handed;
  int passes = 0;
  bool alwaysDue = false;

 private:
  std::vector<int> fds_;
  uint32_t period_;
  uint32_t last_ = 5000;
};

class Loop : public ::testing::Test {
 protected:
  tFakeRuntime rt;
  tTestConsole console;
  tScriptedPoller poller{rt};
  tMainLoop loop{poller, rt, console};
};
}  // namespace

TEST_F(Loop, AnIdleDaemonWakesOnlyForItsTimers) {
  tFakePart ports({10, 11}, 1000), quiet({}, 0);
  loop.Add(ports);
  loop.Add(quiet);
  for (int i = 0; i < 10; i++) {
    loop.Pass();
    loop.Wait();
  }
  // Ten waits of a second each: ten passes in ten seconds, no more.
  EXPECT_EQ(std::vector<int>(10, 1000), poller.timeouts);
  EXPECT_EQ(15000u, rt.now);
  EXPECT_EQ(10u, loop.TimedWakeups());
  // Nothing timed at all: the longest wait, 60 s.
  tMainLoop idle(poller, rt, console);
  idle.Add(quiet);
  idle.Wait();
  EXPECT_EQ(60000, poller.timeouts.back());
}

TEST_F(Loop, EachPartIsHandedExactlyItsOwnDescriptors) {
  tFakePart a({10, 11}, 0), b({20}, 0), none({}, 0);
  loop.Add(a);
  loop.Add(none);
  loop.Add(b);
  poller.readyNext = {{11, POLLIN}, {20, POLLHUP}};
  loop.Wait();
  EXPECT_EQ(3, poller.counts.back());
  EXPECT_EQ((std::vector<std::pair<int, short>>{{10, 0}, {11, POLLIN}}), a.handed);
  EXPECT_EQ((std::vector<std::pair<int, short>>{{20, POLLHUP}}), b.handed);
  EXPECT_TRUE(none.handed.empty());
  // A wait that times out hands every part its entries with nothing ready.
  loop.Wait();
  EXPECT_EQ((std::vector<std::pair<int, short>>{{10, 0}, {11, 0}}), a.handed);
  EXPECT_EQ((std::vector<std::pair<int, short>>{{20, 0}}), b.handed);
}

TEST_F(Loop, TheLinkIsLeftOutBrieflyWhileFramesComeCloseTogether) {
  tVirtualBus bus;
  tFakeClock clock;
  tTestNode node(bus, clock);
  node.SetMode(tNMEA2000::N2km_ListenOnly, 0x23);
  ASSERT_TRUE(node.Open());
  tProbe sender(bus);
  uint32_t handlersNow = 0;
  tLinkPart link(node, handlersNow);
  auto frames = [&](int n) {
    for (int i = 0; i < n; i++) sender.Send(MakeFrame(0x19F21450, {1, 2, 3, 4, 5, 6, 7, 8}));
  };
  const uint32_t quiet = node.MsUntilDue(clock.now);
  ASSERT_GT(quiet, 8u);
  frames(1);  // a lone frame on a quiet bus: answered at once, the next wait as usual
  link.Pass(clock.now);
  EXPECT_EQ(1000u, handlersNow);  // what the handlers go by: the pass's time
  EXPECT_EQ(quiet, link.MsUntilDue(clock.now));
  frames(2);  // several in a pass: the link is left out for 4 ms
  link.Pass(clock.now);
  EXPECT_EQ(4u, link.MsUntilDue(clock.now));
  struct pollfd fds[2];
  EXPECT_EQ(0, link.PollFds(fds, 2));
  frames(1);  // one, after a pass that read some: still 4 ms
  link.Pass(clock.now);
  EXPECT_EQ(4u, link.MsUntilDue(clock.now));
  frames(8);  // a full bus: 8 ms
  link.Pass(clock.now);
  EXPECT_EQ(8u, link.MsUntilDue(clock.now));
  link.Pass(clock.now);  // nothing came: back to waiting on the link
  link.Pass(clock.now);
  EXPECT_EQ(quiet, link.MsUntilDue(clock.now));
}

TEST_F(Loop, AStopEndsTheLoopAfterItsPass) {
  tFakePart part({}, 1000);
  loop.Add(part);
  loop.RequestStop(SIGINT);
  EXPECT_EQ(SIGINT, loop.Run());
  EXPECT_EQ(1, part.passes);
  EXPECT_TRUE(poller.timeouts.empty());

  // A real SIGTERM, caught: the loop ends instead of the process.
  tMainLoop caught(poller, rt, console);
  caught.Add(part);
  ASSERT_TRUE(caught.CatchStopSignals());
  raise(SIGTERM);
  EXPECT_EQ(SIGTERM, caught.Run());
  signal(SIGTERM, SIG_DFL);
  signal(SIGINT, SIG_DFL);
}

TEST_F(Loop, AFailingPollIsToldOnceAndPausesInsteadOfSpinning) {
  tFakePart part({10}, 0);
  loop.Add(part);
  poller.failWith = EBADF;
  for (int i = 0; i < 3; i++) EXPECT_TRUE(loop.Wait());
  EXPECT_EQ(std::vector<uint32_t>(3, 100), poller.slept);
  EXPECT_EQ("tMainLoop: poll failed: Bad file descriptor; pausing 100 ms between waits\n",
            console.text);
  EXPECT_EQ((std::vector<std::pair<int, short>>{{10, 0}}), part.handed);
  // Interrupted by a signal: no pause, no word.
  poller.failWith = EINTR;
  loop.Wait();
  EXPECT_EQ(3u, poller.slept.size());
}

TEST_F(Loop, APartDueAtOnceWithoutProgressIsToldOnceAndWaitedFor) {
  tFakePart stuck({}, 0), ok({}, 1000);
  stuck.alwaysDue = true;
  loop.Add(ok);
  loop.Add(stuck);
  for (int i = 0; i < 103; i++) {
    loop.Pass();
    loop.Wait();
  }
  // 100 passes at once, then 20 ms between passes instead of a spin.
  EXPECT_EQ(0, poller.timeouts[99]);
  EXPECT_EQ(20, poller.timeouts[100]);
  EXPECT_EQ(20, poller.timeouts[102]);
  EXPECT_EQ(
      "tMainLoop: the fake part is due at once pass after pass without progress; waiting 20 ms "
      "for it\n",
      console.text);
  // Once it reports a later time, its count starts again: with the other part not due
  // (it has just run), the next wait is again at once, not 20 ms.
  stuck.alwaysDue = false;
  loop.Wait();
  stuck.alwaysDue = true;
  loop.Pass();
  EXPECT_EQ(1000u, ok.MsUntilDue(rt.now));
  loop.Wait();
  EXPECT_EQ(0, poller.timeouts.back());
}

TEST_F(Loop, DropsAreToldAtLevelTwoOnceAMinuteWhenTheyGrew) {
  tRunSettings settings;
  settings.udpPort = 10110;
  tFakeTtys ttys;
  tEmptyDirectory list;
  tDevices devices(settings, ttys, list, rt, console);
  tFakeRawLink link;
  tRawBroadcast raw(link, link.node, settings, rt, console);
  tDropsPart drops(devices, raw, console);
  EXPECT_EQ(kN2kNeverDue, drops.MsUntilDue(rt.now));  // silent below level 2
  console.SetDebugLevel(2);
  link.sendFails = true;
  tN2kMsg m;
  m.SetPGN(127508, 6);
  m.Add2ByteUInt(0);
  raw.ForwardMsg(m, rt.now);
  drops.Pass(rt.now);
  EXPECT_EQ("Dropped so far: 0 bytes the ports did not take, 2 RAW datagrams\n", console.text);
  raw.ForwardMsg(m, rt.now);
  rt.now += 59999;
  EXPECT_EQ(1u, drops.MsUntilDue(rt.now));
  drops.Pass(rt.now);
  rt.now += 1;
  drops.Pass(rt.now);
  drops.Pass(rt.now + 60000);  // nothing new since: nothing said
  EXPECT_EQ(
      "Dropped so far: 0 bytes the ports did not take, 2 RAW datagrams\n"
      "Dropped so far: 0 bytes the ports did not take, 4 RAW datagrams\n",
      console.text);
}
