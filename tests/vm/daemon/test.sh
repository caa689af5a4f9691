#!/bin/sh
# The whole daemon on real SocketCAN: tidewire -c vcan0 against tidewire-sim on the same
# vcan0, candump as an independent witness. The VM plays the router: uci (the sandbox's
# stand-in), /etc/openwrt_release and /etc/openwrt_model, /etc/config/tidewire (the package's
# default), /dev/tnt pairs made by socat exactly as the package's init script makes them.
# The VM has no network card: "ifconfig eth0" finds nothing and the serial code in the
# product information is the daemon's fallback, 1234 (busybox sh runs its own ifconfig
# applet whatever PATH says, so no stand-in can answer for eth0).
#
# Checked: the claim of 177 with the daemon's NAME and its product information; the charger
# ONLINE at /dev/tnt0 with an AST line, a typed line going out as TERMINAL frames, the port
# stored in uci; the battery's DCS line in the log directory; vcan0 down and up: the daemon
# claims again, AST lines go on, a typed line still goes out; vcan0 deleted and added again
# (down, as a replugged adapter) and brought up by the package's hotplug handler: the same
# daemon claims and talks again.
# Needs: tidewire, tidewire-sim, socat, uci, daemon.scn, tidewire.config, tidewire.canlink,
# tidewire.hotplug, simbus.sh in /test.
. /vm/lib.sh
. /test/simbus.sh

for f in tidewire tidewire-sim socat uci daemon.scn tidewire.config tidewire.canlink tidewire.hotplug; do
  [ -e "/test/$f" ] || fail "no /test/$f in the payload"
done

bus=$VM_RESULT/bus.log port=$VM_RESULT/port.log logs=$VM_RESULT/logs ctl=/tmp/sim.ctl
# The daemon's NAME: unique number 204 (from DISTRIB_RELEASE='kQe-204'), manufacturer 277,
# function 150, class 30, industry group 4, arbitrary address capable.
CLAIM='18EEFFB1#CC00A02200963CC0'
REQUEST='18EAB196#14F001'            # the probe (150) asks 177 for product information
BATFILE=$logs/BAT-36:2046:900:310:LFP200:B.log

show_logs() {
  echo "--- daemon output (last 40 lines)"; tail -n 40 "$VM_RESULT/daemon.log"
  echo "--- port /dev/tnt0 (last 30 lines)"; tr -d '\r' < "$port" | tail -n 30
  echo "--- simulator output"; cat "$VM_RESULT/sim_out.log"
  echo "--- claims on the bus"; grep ' 18EEFF' "$bus" | tail -n 20
}
fail_logs() { show_logs; fail "$@"; }

# --- the router around the daemon -------------------------------------------------------
mkdir -p /etc/config "$logs"
cat > /etc/openwrt_release <<'EOF'
DISTRIB_ID='OpenWrt'
DISTRIB_RELEASE='kQe-204'
DISTRIB_REVISION='r1234-abcdef'
DISTRIB_TARGET='ramips/mt7621'
DISTRIB_ARCH='mipsel_24kc'
DISTRIB_DESCRIPTION='OpenWrt kQe-204 r1234-abcdef'
DISTRIB_TAINTS=''
EOF
echo 'Tolvane TW-1' > /etc/openwrt_model
cp /test/tidewire.config /etc/config/tidewire
# Two null-modem pairs, the init script's socat command.
for k in 0 1; do
  start_bg "socat$k" socat "PTY,link=/dev/tnt$((2 * k)),raw,echo=0" "PTY,link=/dev/tnt$((2 * k + 1)),raw,echo=0"
done
wait_for_file /dev/tnt3 10 && wait_for_file /dev/tnt1 10 || fail "socat made no /dev/tnt pairs"

# --- bus, user, daemon ---------------------------------------------------------------------
# Bound to every CAN interface: a socket bound to vcan0 is told the interface went down.
capture_start bus any
start_bg sim_out tidewire-sim -c vcan0 -s /test/daemon.scn -l "$VM_RESULT/sim.log" --control "$ctl"
wait_can_listeners 1 vcan0 || fail_logs "the simulator did not open vcan0"
wait_for_file "$ctl" 10 || fail_logs "the simulator made no control FIFO"
start_bg port cat /dev/tnt0                 # the user's terminal at the charger's port
start_bg daemon tidewire -c vcan0 -d 4 -l "$logs"

sim() { echo "$*" > "$ctl"; }
port_lines() { wc -l < "$port"; }
# port_after N TEXT: the port shows a line starting with TEXT after its line N.
port_after() { tr -d '\r' < "$port" | awk -v n="$1" -v t="$2" 'NR > n && index($0, t) == 1 { f = 1 } END { exit !f }'; }
# ast_after N COUNT: at least COUNT AST lines after line N.
ast_after() { [ "$(awk -v n="$1" 'NR > n && /^AST;/' "$port" | wc -l)" -ge "$2" ]; }

# product_info MARK: the first complete product information (126996) from 177 in candump's
# capture after the frame MARK, one "key=value" a line; texts end at their first 0xFF or 0x00.
product_info() {
  awk -v after="$1" '
  function hex(s,   i, v) {
    v = 0
    for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789ABCDEF", substr(s, i, 1)) - 1
    return v
  }
  function byte(d, i) { return hex(substr(d, 2 * i + 1, 2)) }
  function text(d, off,   i, b, s) {
    s = ""
    for (i = 0; i < 32; i++) { b = byte(d, off + i); if (b == 255 || b == 0) break; s = s sprintf("%c", b) }
    return s
  }
  !go { if ($3 == after) go = 1; next }
  done == "" && index($3, "19F014B1#") == 1 {
    d = substr($3, 10); b0 = byte(d, 0)
    if (b0 % 32 == 0) { want = byte(d, 1); got = substr(d, 5); seq = int(b0 / 32); nxt = 1 }
    else if (want && int(b0 / 32) == seq && b0 % 32 == nxt) { got = got substr(d, 3); nxt++ }
    else want = 0
    if (want && length(got) >= 2 * want) done = substr(got, 1, 2 * want)
  }
  END {
    if (done == "") exit 1
    printf "length=%d\nn2kver=%d\nproduct=%d\n", length(done) / 2, byte(done, 0) + 256 * byte(done, 1), byte(done, 2) + 256 * byte(done, 3)
    printf "model=%s\nsw=%s\nmodelver=%s\nserial=%s\n", text(done, 4), text(done, 36), text(done, 68), text(done, 100)
    printf "cert=%d\nlen=%d\n", byte(done, 132), byte(done, 133)
  }' "$bus"
}

# ask_product_info: the probe asks 177 for its product information (mark: the bus log
# before the request); true once the request and the answer's first frame are on the bus.
ask_product_info() {
  sim_sync sim
  mark=$sync_marker
  sim send probe 59904 Destination=177 RequestedPGN=126996
  wait_for 20 in_order "$bus" "$mark" "$REQUEST" '19F014B1#[02468ACE]086[0-9A-F]*'
}

# --- claim and product information -----------------------------------------------------------
wait_for 20 grep -q " $CLAIM\$" "$bus" || fail_logs "no claim of 177 with the daemon's NAME ($CLAIM) on vcan0"
log "the daemon claimed 177: $CLAIM"
ask_product_info || fail_logs "the daemon did not answer the probe's request for product information"
wait_for 10 product_info "$mark" > /dev/null || fail_logs "the product information from 177 never came complete"
product_info "$mark" > "$VM_RESULT/product.txt"
cat > /tmp/product.expected <<'EOF'
length=134
n2kver=65535
product=277
model=Tolvane TW-1
sw=r1234-abcdef
modelver=OpenWrt kQe-204 r1234-abcdef
serial=1234
cert=255
len=255
EOF
expect_same /tmp/product.expected "$VM_RESULT/product.txt" "the daemon's product information"
log "product information answered"

# --- the charger at its port -------------------------------------------------------------------
wait_for 20 port_after 0 'RO500 #1001 ONLINE' || fail_logs "no 'RO500 #1001 ONLINE' at /dev/tnt0"
wait_for 10 port_after 0 'AOK;' || fail_logs "the charger's answer to the status request never reached the port"
wait_for 10 ast_after 0 2 || fail_logs "no AST status line at /dev/tnt0"
assigned=$(uci -q get 'tidewire.@can[0].ttyassignment')
[ "$assigned" = '1001:1:RO500' ] || fail_logs "uci tty assignment is '$assigned', expected '1001:1:RO500'"
log "RO500 #1001 online at /dev/tnt0 with AST lines; uci says $assigned"

# typed MARK-NAME TEXT FRAME...: TEXT and a line feed typed at /dev/tnt0 reach charger c1
# (0x42) as these TERMINAL frames (priority 7, 177 to 0x42), in this order; the charger's
# echo comes back to the port.
typed() {
  sim_sync sim
  _mark=$sync_marker _from=$(port_lines) _text=$1
  shift
  printf '%s\n' "$_text" > /dev/tnt0
  wait_for 10 in_order "$bus" "$_mark" "$@" || fail_logs "'$_text' typed at /dev/tnt0 did not reach the charger as $*"
  wait_for 10 port_after "$_from" "$_text" || fail_logs "the charger's echo of '$_text' did not reach the port"
  log "'$_text' typed, sent as $*"
}
typed ABCDEFGHIJKL 1D7E42B1#4142434445464748 1D7E42B1#494A4B4C0AFFFFFF

# --- the battery's log line --------------------------------------------------------------------
# Its first DCS line comes 10 s after the daemon registered it.
dcs_line() { sed -n 's/^[0-9-]\{10\} [0-9:]\{8\} \(DCS;.*\)/\1/p' "$BATFILE" 2>/dev/null | head -n 1; }
has_dcs() { [ -n "$(dcs_line)" ]; }
wait_for 30 has_dcs || { ls -l "$logs"; fail_logs "no DCS line in $BATFILE"; }
case $(dcs_line) in
  'DCS;,1,120, ,'*) log "battery 36 logged: $(dcs_line)" ;;
  *) fail_logs "the DCS line is not of instance 1 with priority 120: $(dcs_line)" ;;
esac

# --- vcan0 down and up -----------------------------------------------------------------------
sim_sync sim
mark=$sync_marker
from=$(port_lines)
can_if_down || fail "ip link set vcan0 down failed"
log "vcan0 down for 2 s"
sleep 2
can_if_up || fail "ip link set vcan0 up failed"
up_at=$(port_lines)
wait_for 20 in_order "$bus" "$mark" "$CLAIM" || fail_logs "after vcan0 down and up the daemon did not claim 177 again"
log "the daemon claimed 177 again"
# The charger's heartbeat stopped for longer than 1500 ms, so the daemon may have dropped it
# and found it again; either way AST lines go on (3: one may be in an answer to a new request).
wait_for 20 ast_after "$up_at" 3 || fail_logs "no AST lines at /dev/tnt0 after vcan0 came back"
if port_after "$from" 'RO500 #1001 OFFLINE'; then
  port_after "$from" 'RO500 #1001 ONLINE' || fail_logs "OFFLINE during the outage but no ONLINE after it"
  wait_for 10 port_after "$from" 'AOK;' || fail_logs "ONLINE again but no answer to the status request"
  log "the charger went OFFLINE during the outage and came back ONLINE"
fi
ask_product_info || fail_logs "after vcan0 came back the daemon did not answer a request for product information"
typed MNOPQRST 1D7E42B1#4D4E4F5051525354 1D7E42B1#0AFFFFFFFFFFFFFF

# --- the adapter unplugged and plugged in again -----------------------------------------------
# vcan0 deleted and added again comes back down, as a USB adapter does. The package's hotplug
# handler, run as hotplug-call runs it (sourced, in a subshell, ACTION and INTERFACE set), brings
# it up for the interface the init script left it; the daemon, never restarted, talks again.
mkdir -p /var/run/tidewire /usr/libexec/tidewire /etc/hotplug.d/net
cp /test/tidewire.canlink /usr/libexec/tidewire/can-link
cp /test/tidewire.hotplug /etc/hotplug.d/net/50-tidewire
echo 'vcan0 0' > /var/run/tidewire/can-link   # what the init script leaves for bit rate 0
link_up() { ip link show vcan0 | grep -q '[<,]UP[,>]'; }
sim_sync sim
mark=$sync_marker
from=$(port_lines)
can_if_del || fail "ip link del vcan0 failed"
log "vcan0 deleted for 2 s"
sleep 2
ip link add dev vcan0 type vcan || fail "ip link add vcan0 failed"
link_up && fail "vcan0 came back up by itself: the handler is not shown to do anything"
for action in remove add; do
  ( ACTION=$action INTERFACE=vcan0 . /etc/hotplug.d/net/50-tidewire )
  [ "$action" = remove ] && link_up && fail "the hotplug handler brought vcan0 up on ACTION=remove"
done
link_up || fail "the hotplug handler did not bring vcan0 up"
log "the hotplug handler brought vcan0 up"
wait_for 20 in_order "$bus" "$mark" "$CLAIM" || fail_logs "after vcan0 came back the daemon did not claim 177 again"
wait_for 20 port_after "$from" 'AST;' || fail_logs "no AST lines at /dev/tnt0 after vcan0 came back"
typed UVWXYZ 1D7E42B1#55565758595A0AFF

# --- the end -----------------------------------------------------------------------------------
# For the record: the guest's memory with everything still running.
free > "$VM_RESULT/memory.txt"
stop_bg daemon
rc=$?
[ "$rc" = 143 ] || fail_logs "SIGTERM ended the daemon with status $rc, not 143"
stop_bg sim_out || fail_logs "the simulator exited with status $?"
capture_stop bus
cp /etc/config/tidewire "$VM_RESULT/uci-tidewire"
log "daemon PASS: $(grep -c ' 18EEFFB1#' "$bus") claim(s) of 177, $(grep -c '^AST;' "$port") AST lines, $(wc -l < "$bus") frames"
