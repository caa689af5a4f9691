#include "VendorInfo.h"

const unsigned long TransmitPGNs[] = {127507, 12510, 0};
const unsigned long ReceivePGNs[] = {127506, 127508, 127513, 127488, 126992, 0};
