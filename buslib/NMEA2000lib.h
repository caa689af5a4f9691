// What other folders may use of the bus library.
#ifndef BUSLIB_NMEA2000LIB_H
#define BUSLIB_NMEA2000LIB_H

#include "N2kClaimEvents.h"
#include "N2kDeviceList.h"
#include "N2kGroupMessages.h"
#include "N2kMessages.h"
#include "N2kMsg.h"
#include "N2kStream.h"
#include "N2kTime.h"
#include "N2kTypes.h"
#include "NMEA2000.h"
#include "NMEA2000_SocketCAN.h"
#include "RVCMessages.h"

#endif
