#!/usr/bin/env bash
# A node built on the bus library and the bus simulator, two processes joined by a
# pty pair (the serial-line CAN link). The node claims 177, a simulated node with a lower
# NAME takes 177 from it, the node moves and learns the simulated devices.
# Usage: test_node_vs_sim.sh TESTNODE SIMULATOR
set -u
testnode=$1
sim=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$here/lib.sh"
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- node output"; cat "$work/node.out"; echo "--- sim log (claims)"; grep -i 'EEFF' "$work/sim.log" | head -20; exit 1; }

socat pty,raw,echo=0,link="$work/node" pty,raw,echo=0,link="$work/sim" 2>/dev/null &
pids+=($!)
tw_wait 5 test -e "$work/node" -a -e "$work/sim" || fail "socat made no pty pair"

"$sim" -c "$work/sim" -s "$here/scenarios/node_discovery.scn" -l "$work/sim.log" >"$work/sim.out" 2>&1 &
pids+=($!)
sleep 0.3
"$testnode" -c "$work/node" -t 6 >"$work/node.out" 2>&1 || fail "testnode exited with $?"

grep -qx 'ready 177' "$work/node.out" || fail "node did not settle on 177"
[ "$(grep -c '^address-changed' "$work/node.out")" = 1 ] || fail "address change not reported exactly once"
grep -qx 'address-changed 178' "$work/node.out" || fail "node did not move to 178"

# The simulator's log shows our claim at 177, the contender's at 177, ours at 178.
ours=$(grep -o '18EEFFB1#[0-9A-F]*' "$work/sim.log" | head -1 | cut -d'#' -f2)
[ -n "$ours" ] || fail "no claim for 177 in the simulator log"
grep -o '18EEFFB1#[0-9A-F]*' "$work/sim.log" | grep -qv "#$ours\$" || fail "contender's claim for 177 missing"
grep -q "18EEFFB2#$ours" "$work/sim.log" || fail "our claim for 178 missing"

dev() { grep "^device $1 " "$work/node.out"; }
d=$(dev 140) || fail "device 140 unknown"
for want in "unique=301" "mfr=963" "product=200" "model='RO500'" "sw='2.1.0'" "modelver='B'" \
  "serial='RO-0301'" "mfrinfo='Tolvane_RO500'"; do
  [[ "$d" == *"$want"* ]] || fail "device 140 lacks $want"
done
[[ "$d" =~ tx=[0-9,]*130723,131015,97792 ]] || fail "device 140 transmit list wrong"
[[ "$d" =~ rx=[0-9,]*97792,59904 ]] || fail "device 140 receive list wrong"
d=$(dev 141) || fail "device 141 unknown"
[[ "$d" == *"model='BMS-1'"* ]] || fail "device 141 product information missing"
d=$(dev 177) || fail "contender unknown at 177"
[[ "$d" == *"unique=1 "* ]] || fail "wrong device at 177"
echo "PASS"
