#!/bin/sh
# Real SocketCAN in the VM: candump -L witnesses a CMake-built program (cantest, linked against
# the build tree's libnmea2000.so) and cansend exchanging extended frames on vcan0.
# Needs: cantest in /test (run-vm-test.sh --bin .../cantest).
. /vm/lib.sh

[ -x /test/cantest ] || fail "no /test/cantest in the payload"

capture_start bus
start_bg cantest /test/cantest vcan0 18EEFF23#0102030405060708 18FF0142#DEADBEEF
wait_for_log cantest READY || fail "cantest did not get ready (see cantest.log)"
cansend vcan0 18FF0142#DEADBEEF || fail "cansend to cantest"
wait_bg cantest || fail "cantest failed (see cantest.log)"

# A few more extended frames of different lengths, including an empty one.
cat > /tmp/more <<'FRAMES'
0CF00400#FF7D7D0000000000
18FECA00#00FF
1CFF0080#
15FD0A01#0102030405060708
FRAMES
while read -r frame; do cansend vcan0 "$frame" || fail "cansend $frame"; done < /tmp/more
capture_stop bus || fail "candump did not stop cleanly"

{
  echo "vcan0 18EEFF23#0102030405060708"
  echo "vcan0 18FF0142#DEADBEEF"
  sed 's/^/vcan0 /' /tmp/more
} > /tmp/expected
capture_frames bus > "$VM_RESULT/bus.frames"
expect_same /tmp/expected "$VM_RESULT/bus.frames" "the candump capture"
# candump -L lines are "(seconds.microseconds) IFACE ID#DATA".
if grep -v '^([0-9]*\.[0-9]\{6\}) vcan0 [0-9A-F]\{8\}#[0-9A-F]*$' "$VM_RESULT/bus.log"; then
  fail "malformed lines in the capture"
fi
expect_grep '^cantest: PASS' "$VM_RESULT/cantest.log"
log "smoke PASS: $(wc -l < "$VM_RESULT/bus.log") frames captured"
