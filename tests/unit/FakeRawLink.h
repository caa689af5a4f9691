// A RAW link that broadcasts nothing: it hands out the interface list the test sets
// and keeps every datagram; and a node at 0x23 (the address in the RAW examples) for
// the broadcaster to take its source address from.
#ifndef TESTS_UNIT_FAKERAWLINK_H
#define TESTS_UNIT_FAKERAWLINK_H

#include <arpa/inet.h>

#include <string>
#include <vector>

#include "NMEA2000_SocketCAN.h"
#include "RawLink.h"

class tFakeRawLink : public tRawLink {
 public:
  struct tSent {
    std::string line;
    std::string address;  // dotted quad
    uint16_t port;
  };

  tFakeRawLink() { node.SetMode(tNMEA2000::N2km_ListenOnly, 0x23); }

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
  int Send(const tRawDatagram *datagrams, int count, uint16_t port) override {
    if (sendFails) return count;
    for (int i = 0; i < count; i++) {
      struct in_addr a;
      a.s_addr = datagrams[i].address;
      sent.push_back({std::string(datagrams[i].data, datagrams[i].length), inet_ntoa(a), port});
    }
    return 0;
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
  bool sendFails = false;  // the socket buffer is full: every datagram is dropped
  int opens = 0;
  int reads = 0;
  std::vector<tSent> sent;
  tNMEA2000_SocketCAN node{"can0"};  // never opened
};

#endif
