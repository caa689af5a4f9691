#!/bin/sh
# The bus library on real SocketCAN: testnode and tidewire-sim on vcan0, candump as an
# independent witness. The same checks as the pty test (tests/integration/test_node_vs_sim.sh,
# same scenario): the node claims 177, a simulated node with a lower NAME takes 177, the node
# moves to 178 and learns the simulated devices. Then candump's capture and the simulator's
# log must hold the same frames: every frame on vcan0 was either sent or received by the
# simulator, so a frame lost, duplicated or altered on the way shows up as a difference.
# Needs: testnode, tidewire-sim, node_discovery.scn, simbus.sh in /test.
. /vm/lib.sh
. /test/simbus.sh

for f in testnode tidewire-sim node_discovery.scn; do
  [ -e "/test/$f" ] || fail "no /test/$f in the payload"
done

show_logs() {
  echo "--- node output"; cat "$VM_RESULT/node.log"
  echo "--- simulator output"; cat "$VM_RESULT/sim_out.log"
  echo "--- address claims in the simulator's log"; grep 'EEFF' "$VM_RESULT/sim.log" | head -20
}
fail_logs() { show_logs; fail "$@"; }

capture_start bus
start_bg sim_out tidewire-sim -c vcan0 -s /test/node_discovery.scn -l "$VM_RESULT/sim.log"
# candump, then the simulator: the node starts only once the simulator hears vcan0.
wait_can_listeners 2 || fail_logs "the simulator did not open vcan0"
start_bg node testnode -c vcan0 -t 6
wait_bg node 30 || fail_logs "testnode exited with status $?"
sim_sync sim
stop_bg sim_out || fail_logs "the simulator exited with status $?"
capture_sync bus
capture_stop bus || fail "candump did not stop cleanly"

# What the node saw.
node=$VM_RESULT/node.log
grep -qx 'ready 177' "$node" || fail_logs "node did not settle on 177"
[ "$(grep -c '^address-changed' "$node")" = 1 ] || fail_logs "address change not reported exactly once"
grep -qx 'address-changed 178' "$node" || fail_logs "node did not move to 178"

# The simulator's log shows our claim at 177, the contender's at 177, ours at 178.
sim=$VM_RESULT/sim.log
ours=$(grep -o '18EEFFB1#[0-9A-F]*' "$sim" | head -n 1 | cut -d'#' -f2)
[ -n "$ours" ] || fail_logs "no claim for 177 in the simulator log"
grep -o '18EEFFB1#[0-9A-F]*' "$sim" | grep -qv "#$ours\$" || fail_logs "contender's claim for 177 missing"
grep -q "18EEFFB2#$ours" "$sim" || fail_logs "our claim for 178 missing"

# The device list the node printed at the end.
dev() { grep "^device $1 " "$node"; }
has() {  # DEVICE-LINE WHAT TEXT
  case "$1" in *"$3"*) ;; *) fail_logs "device $2 lacks $3";; esac
}
d=$(dev 140) || fail_logs "device 140 unknown"
for want in "unique=301" "mfr=963" "product=200" "model='RO500'" "sw='2.1.0'" "modelver='B'" \
  "serial='RO-0301'" "mfrinfo='Tolvane_RO500'"; do
  has "$d" 140 "$want"
done
echo "$d" | grep -Eq ' tx=[0-9,]*130723,131015,97792( |$)' || fail_logs "device 140 transmit list wrong"
echo "$d" | grep -Eq ' rx=[0-9,]*97792,59904( |$)' || fail_logs "device 140 receive list wrong"
d=$(dev 141) || fail_logs "device 141 unknown"
has "$d" 141 "model='BMS-1'"
d=$(dev 177) || fail_logs "contender unknown at 177"
has "$d" 177 "unique=1 "

# The witness: candump saw on vcan0 exactly the frames the simulator logged.
expect_same_frames "$sim" "$VM_RESULT/bus.log"
log "node_vs_sim PASS: $(wc -l < "$VM_RESULT/frames.sim") frames, the same in both logs"
