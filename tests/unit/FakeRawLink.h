// A RAW link that broadcasts nothing: it hands out the interface list the test sets
// and keeps every datagram. Installed as the process's link for its lifetime, with
// the interface list forgotten before and after, and the node's address set to 0x23
// (the address in the RAW examples).
#ifndef TESTS_UNIT_FAKERAWLINK_H
#define TESTS_UNIT_FAKERAWLINK_H

#include <arpa/inet.h>

#include <string>
#include <vector>

#include "ProcessObjects.h"
#include "RawBroadcast.h"
#include "RawLink.h"

class tFakeRawLink : public tRawLink {
 public:
  struct tSent {
    std::string line;
    std::string address;  // dotted quad
    uint16_t port;
  };

  tFakeRawLink() : old_(RawLink), oldSource_(NMEA2000.GetN2kSource(0)) {
    RawLink = this;
    RawTargets.Forget();
    NMEA2000.SetMode(tNMEA2000::N2km_ListenOnly, 0x23);
  }
  ~tFakeRawLink() override {
    RawLink = old_;
    RawTargets.Forget();
    NMEA2000.SetMode(tNMEA2000::N2km_ListenOnly, oldSource_);
  }

  bool Open() override {
    opens++;
    return openWorks;
  }
  int ReadTargets(uint32_t *targets, int room) override {
    reads++;
    if (!listWorks) return -1;
    int n = 0;
    for (const std::string &a : interfaces)
      if (n < room) targets[n++] = inet_addr(a.c_str());
    return n;
  }
  void Send(const tRawDatagram *datagrams, int count, uint16_t port) override {
    for (int i = 0; i < count; i++) {
      struct in_addr a;
      a.s_addr = datagrams[i].address;
      sent.push_back({std::string(datagrams[i].data, datagrams[i].length), inet_ntoa(a), port});
    }
  }
  // The lines sent, each once, in order (the copies to the other destinations left out).
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    const size_t copies = interfaces.empty() ? 1 : interfaces.size();
    for (size_t i = 0; i < sent.size(); i += copies) out.push_back(sent[i].line);
    return out;
  }

  std::vector<std::string> interfaces = {"10.77.0.255", "0.0.0.0"};
  bool openWorks = true;
  bool listWorks = true;
  int opens = 0;
  int reads = 0;
  std::vector<tSent> sent;

 private:
  tRawLink *old_;
  unsigned char oldSource_;
};

#endif
