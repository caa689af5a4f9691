#!/usr/bin/env bash
# The inside of scripts/demo, run in the router sandbox: a listener for the RAW
# datagrams, an MQTT broker with a subscriber, a user at /dev/tnt0 and /dev/tnt2, the
# daemon, and (with keep) a shell.
# Usage: demo-inside.sh TIDEWIRE SECONDS KEEP
set -u
# shellcheck source-path=SCRIPTDIR source=../../tests/integration/lib.sh
. "$(dirname "$0")/../../tests/integration/lib.sh"
seconds=$2 keep=$3
s=$SANDBOX_STATE
TW_OUT=$s
tw_inside_setup "$1" || exit 1
# The RAW listener takes what is broadcast on eth0's network (10.77.0.255), as a chart
# plotter on the LAN would.
socat -u UDP-RECV:10110,bind=10.77.0.255,reuseaddr "OPEN:$s/raw.udp,creat,append" &
# A broker on the sandbox's network, as a home automation server on the LAN would run
# it, and a client that writes down every message: "TOPIC PAYLOAD" a line.
tw_broker_start
mosquitto_sub -h "$SANDBOX_PEER_IP" -t '#' -F '%t %p' >"$s/mqtt.txt" 2>&1 &
cat /dev/tnt0 >"$s/tnt0.txt" &
cat /dev/tnt2 >"$s/tnt2.txt" &
tw_start daemon -d 4 -l "$s/logs" -p 10110 -m "$SANDBOX_PEER_IP"
# The user types the status request, then a command of the charger's console.
(sleep 8 && printf '$RAS:@\n' >/dev/tnt0 && sleep 4 && printf 'VER?\n' >/dev/tnt0) &
if [ "$keep" = 1 ]; then
  cat <<'TEXT'

The daemon runs in this sandbox. Charger c1 is at /dev/tnt0, c2 at /dev/tnt2; try
  picocom --omap crlf --imap lfcrlf /dev/tnt0     (leave with C-a C-x)
and type $RAS:@ and Enter. Battery logs are in $SANDBOX_STATE/logs; the MQTT messages:
  mosquitto_sub -h 10.77.0.1 -t '#' -v
"exit" ends the demo.
TEXT
  bash -i
else
  sleep "$seconds"
fi
tw_stop
exit 0
