// Where RAW lines go: one UDP socket with broadcasting on, and the router's interface
// list. The daemon uses tUdpRawLink; unit tests hand the broadcaster a link of their
// own, so that nothing they do is broadcast from the machine they run on.
#ifndef NET_RAWLINK_H
#define NET_RAWLINK_H

#include <cstddef>
#include <cstdint>

// One line to one destination.
struct tRawDatagram {
  const char *data;
  size_t length;
  uint32_t address;  // IPv4, network byte order; 0 is 0.0.0.0
};

class tRawLink {
 public:
  virtual ~tRawLink() = default;
  // Makes the socket (AF_INET, datagram) and turns SO_BROADCAST on, once; false when
  // the socket cannot be made, so that the next call tries again.
  virtual bool Open() = 0;
  // One destination per entry of the interface list whose flags hold IFF_BROADCAST:
  // its broadcast address when it has one of the IPv4 family, else 0.0.0.0. At most
  // room of them; -1 when the list cannot be read.
  virtual int ReadTargets(uint32_t *targets, int room) = 0;
  // Sends each datagram to its address at port; one that fails does not stop the ones
  // after it. Returns how many could not be sent (a full socket buffer drops them).
  virtual int Send(const tRawDatagram *datagrams, int count, uint16_t port) = 0;
};

// The real one: getifaddrs, and sendmmsg on a non-blocking socket (a full send
// buffer drops the datagram rather than stall the loop). The socket is kept for the
// life of the process.
class tUdpRawLink : public tRawLink {
 public:
  bool Open() override;
  int ReadTargets(uint32_t *targets, int room) override;
  int Send(const tRawDatagram *datagrams, int count, uint16_t port) override;

 private:
  int fd_ = -1;
};

#endif
