// The LAWICEL form of tSimLink: the simulator is the adapter on a serial line.
#include "LawicelAdapter.h"
#include "SimLink.h"

namespace {

class tLawicelSimLink : public tSimLink {
 public:
  explicit tLawicelSimLink(const std::string &path) : path_(path) {}

  bool Open() override {
    return path_.empty() ? adapter_.OpenNewPty() : adapter_.Open(path_.c_str());
  }
  int Fd() const override { return adapter_.Fd(); }
  bool WantsWrite() const override { return adapter_.TxPending() > 0; }
  bool Ready() const override { return adapter_.IsOpen() && adapter_.ChannelOpen(); }
  tCanIo Receive(tCanFrame &frame) override { return adapter_.Receive(frame); }
  tCanIo Send(const tCanFrame &frame) override { return adapter_.Send(frame); }
  bool Reconnect() override {
    // A pty made here keeps its master end; a named tty is opened afresh, as the other
    // end may have been made anew (socat restarted).
    if (path_.empty()) return adapter_.IsOpen();
    return adapter_.Open(path_.c_str());
  }
  bool SendRawLine(const std::string &text) override {
    if (text.find('\0') != std::string::npos) {
      return adapter_.SendRaw(text.data(), text.size()) && adapter_.SendRaw("\r", 1);
    }
    return adapter_.SendRawLine(text.c_str());
  }
  bool ResetAdapter() override {
    if (!adapter_.IsOpen()) return false;
    adapter_.ResetChannel();
    return true;
  }
  const char *DefaultIfName() const override { return "can0"; }
  const char *Describe() const override {
    return path_.empty() ? adapter_.PeerPath() : path_.c_str();
  }
  const char *PeerPath() const { return adapter_.PeerPath(); }

 private:
  std::string path_;  // empty: a new pty
  tLawicelAdapterLink adapter_;
};

}  // namespace

std::unique_ptr<tSimLink> MakeLawicelSimLink(const std::string &path) {
  return std::unique_ptr<tSimLink>(new tLawicelSimLink(path));
}

std::unique_ptr<tSimLink> MakeSimLinkOnNewPty(std::string &peerPath) {
  std::unique_ptr<tLawicelSimLink> link(new tLawicelSimLink(""));
  if (!link->Open()) return nullptr;
  peerPath = link->PeerPath();
  return std::unique_ptr<tSimLink>(link.release());
}
