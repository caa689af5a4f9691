#include "RawLink.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

namespace {
// Datagrams handed to the kernel in one call.
constexpr int kBatch = 64;
}  // namespace

bool tUdpRawLink::Open() {
  if (fd_ >= 0) return true;
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
  if (fd_ < 0) return false;
  const int on = 1;
  setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
  return true;
}

int tUdpRawLink::ReadTargets(uint32_t *targets, int room) {
  struct ifaddrs *list = nullptr;
  if (getifaddrs(&list) != 0) return -1;
  int n = 0;
  for (const struct ifaddrs *a = list; a != nullptr && n < room; a = a->ifa_next) {
    if ((a->ifa_flags & IFF_BROADCAST) == 0) continue;
    const struct sockaddr *b = a->ifa_broadaddr;
    uint32_t address = INADDR_ANY;
    if (b != nullptr && b->sa_family == AF_INET)
      address = reinterpret_cast<const struct sockaddr_in *>(b)->sin_addr.s_addr;
    targets[n++] = address;
  }
  freeifaddrs(list);
  return n;
}

int tUdpRawLink::Send(const tRawDatagram *datagrams, int count, uint16_t port) {
  if (fd_ < 0) return count;
  int failed = 0;
  struct sockaddr_in to[kBatch];
  struct iovec iov[kBatch];
  struct mmsghdr msgs[kBatch];
  for (int first = 0; first < count; first += kBatch) {
    const int n = count - first < kBatch ? count - first : kBatch;
    for (int i = 0; i < n; i++) {
      const tRawDatagram &d = datagrams[first + i];
      std::memset(&to[i], 0, sizeof(to[i]));
      to[i].sin_family = AF_INET;
      to[i].sin_port = htons(port);
      to[i].sin_addr.s_addr = d.address;
      iov[i].iov_base = const_cast<char *>(d.data);
      iov[i].iov_len = d.length;
      std::memset(&msgs[i], 0, sizeof(msgs[i]));
      msgs[i].msg_hdr.msg_name = &to[i];
      msgs[i].msg_hdr.msg_namelen = sizeof(to[i]);
      msgs[i].msg_hdr.msg_iov = &iov[i];
      msgs[i].msg_hdr.msg_iovlen = 1;
    }
    // sendmmsg stops at the first datagram that fails: skip that one, go on with the rest.
    for (int done = 0; done < n;) {
      const int sent = sendmmsg(fd_, msgs + done, static_cast<unsigned>(n - done), 0);
      if (sent > 0) {
        done += sent;
      } else {
        done++;
        failed++;
      }
    }
  }
  return failed;
}
