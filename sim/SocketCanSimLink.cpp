// The SocketCAN form of tSimLink: the simulator is one more station on an interface.
#include "SimLink.h"
#include "SocketCanTransport.h"

namespace {

class tSocketCanSimLink : public tSimLink {
 public:
  explicit tSocketCanSimLink(const std::string &ifname)
      : ifname_(ifname), transport_(ifname.c_str()) {}

  bool Open() override { return transport_.Open(); }
  int Fd() const override { return transport_.Fd(); }
  bool WantsWrite() const override { return false; }
  bool Ready() const override { return transport_.IsOpen(); }
  tCanIo Receive(tCanFrame &frame) override { return transport_.Read(frame); }
  tCanIo Send(const tCanFrame &frame) override { return transport_.Write(frame); }
  bool Reconnect() override {
    transport_.Close();
    return transport_.Open();
  }
  bool SendRawLine(const std::string &) override { return false; }
  const char *DefaultIfName() const override { return ifname_.c_str(); }
  const char *Describe() const override { return ifname_.c_str(); }
  bool Adopt(int fd) { return transport_.Adopt(fd); }

 private:
  std::string ifname_;
  tSocketCanTransport transport_;
};

}  // namespace

std::unique_ptr<tSimLink> MakeSocketCanSimLink(const std::string &ifname) {
  return std::unique_ptr<tSimLink>(new tSocketCanSimLink(ifname));
}

std::unique_ptr<tSimLink> MakeSocketCanSimLinkOnFd(int fd, const std::string &ifname) {
  std::unique_ptr<tSocketCanSimLink> link(new tSocketCanSimLink(ifname));
  if (!link->Adopt(fd)) return nullptr;
  return std::unique_ptr<tSimLink>(link.release());
}
