// A node built on the bus library, for the integration tests: it joins the bus on the
// given port, keeps a device list, and reports what happened on standard output:
//   ready ADDRESS                 once the first claim has settled
//   address-changed ADDRESS       each time ReadResetAddressChanged is true
//   device SRC key=value ...      the device list, at the end
//   stats key=value ...           the node's counters, at the end
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "NMEA2000lib.h"

namespace {
volatile sig_atomic_t gStop = 0;
void OnSignal(int) {
  gStop = 1;
}

void PrintList(const char *label, const unsigned long *list) {
  std::printf(" %s=", label);
  if (list == nullptr) {
    std::printf("none");
    return;
  }
  for (const unsigned long *p = list; *p != 0; p++) std::printf("%s%lu", p == list ? "" : ",", *p);
}

void PrintDevices(const tN2kDeviceList &list) {
  for (int src = 0; src < 254; src++) {
    const tN2kDeviceList::tDevice *d = list.LocalFindDeviceBySource(static_cast<uint8_t>(src));
    if (d == nullptr) continue;
    std::printf(
        "device %d unique=%u mfr=%u product=%u model='%s' sw='%s' modelver='%s' "
        "serial='%s' mfrinfo='%s'",
        src, d->GetUniqueNumber(), d->GetManufacturerCode(), d->GetProductCode(), d->GetModelID(),
        d->GetSwCode(), d->GetModelVersion(), d->GetModelSerialCode(),
        d->GetManufacturerInformation());
    PrintList("tx", d->GetTransmitPGNs());
    PrintList("rx", d->GetReceivePGNs());
    std::printf("\n");
  }
}

void Usage() {
  std::fprintf(stderr, "usage: testnode -c PORT [-a ADDRESS] [-u UNIQUE] [-t SECONDS] [-e]\n");
  std::exit(2);
}
}  // namespace

int main(int argc, char *argv[]) {
  const char *port = nullptr;
  int address = 177;
  unsigned long unique = 204;
  int seconds = 10;
  bool echo = false;
  int c;
  while ((c = getopt(argc, argv, "c:a:u:t:e")) != -1) {
    switch (c) {
      case 'c':
        port = optarg;
        break;
      case 'a':
        address = std::atoi(optarg);
        break;
      case 'u':
        unique = std::strtoul(optarg, nullptr, 10);
        break;
      case 't':
        seconds = std::atoi(optarg);
        break;
      case 'e':
        echo = true;
        break;
      default:
        Usage();
    }
  }
  if (port == nullptr) Usage();
  setvbuf(stdout, nullptr, _IOLBF, 0);
  signal(SIGTERM, OnSignal);
  signal(SIGINT, OnSignal);

  tNMEA2000_SocketCAN node(port);
  tSocketStream echoStream(nullptr);
  node.SetProductInformation("00112233", 277, "testnode", "1.0.0", "test rig");
  node.SetProgmemConfigurationInformation("tidewire integration test");
  node.SetDeviceInformation(unique, 150, 30, 277, 4);
  node.SetTrafficEchoStream(&echoStream);
  node.EnableTrafficEcho(echo);
  node.SetMode(tNMEA2000::N2km_ListenAndNode, static_cast<uint8_t>(address));
  tN2kDeviceList list(&node);
  if (!node.Open()) {
    std::printf("open-failed %s\n", port);
    return 1;
  }
  bool ready = false;
  const uint32_t start = millis();
  while (!gStop && !N2kElapsed(millis(), start, static_cast<uint32_t>(seconds) * 1000)) {
    node.ParseMessages();
    if (!ready && node.IsReady()) {
      ready = true;
      std::printf("ready %d\n", node.GetN2kSource());
    }
    if (node.ReadResetAddressChanged()) std::printf("address-changed %d\n", node.GetN2kSource());
  }
  PrintDevices(list);
  const tN2kNodeStats &s = node.Stats();
  std::printf(
      "stats rxFrames=%u rxMessages=%u txMessages=%u txFrames=%u txDropped=%u linkLost=%u\n",
      s.rxFrames, s.rxMessages, s.txMessages, s.txFrames, s.txDropped, s.linkLost);
  return 0;
}
