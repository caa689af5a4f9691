# Helpers for VM tests that run tidewire-sim on vcan0 next to candump (busybox sh; sourced
# after /vm/lib.sh). Payloads link this file in, so it is /test/simbus.sh in the VM.
#
# Syncing with the programs: a frame sent now is read by a program after every frame sent
# before it (one interface, one queue per socket), so "the marker is in its log" means
# "it has read everything up to here". Markers are proprietary single frames from the null
# address (PGN 65280, source 254) that no node answers:
#   18FF00FE#5359xxxx  sync marker for the simulator: seen by candump and the simulator
#   18FF01FE#4355xxxx  sync marker for candump alone, sent after the simulator stopped;
#                      frames_of drops them
_sb_seq=0

# _sb_sync NAME ID PREFIX [IF]: sends a marker and waits until $VM_RESULT/NAME.log has it;
# the marker frame is left in $sync_marker.
_sb_sync() {
  _sb_seq=$((_sb_seq + 1))
  sync_marker=$(printf '%s#%s%04X' "$2" "$3" "$_sb_seq")
  cansend "${4:-$VM_CAN_IF}" "$sync_marker" || fail "cansend $sync_marker"
  wait_for_log "$1" " $sync_marker\$" 20 ||
    fail "$1 never logged the marker $sync_marker: it stopped reading ${4:-$VM_CAN_IF}"
}

# sim_sync SIMLOG [IF]: the simulator has read everything sent so far and logged (and sent)
# what its nodes answered to it. Also a point in both logs to look for frames after.
sim_sync() { _sb_sync "$1" 18FF00FE 5359 "$2"; }

# capture_sync CAPTURE [IF]: candump has read and written everything sent so far. Only once
# the simulator is stopped (the simulator would log this marker too).
capture_sync() { _sb_sync "$1" 18FF01FE 4355 "$2"; }

# frames_of FILE: the frames of a candump -L style log as "IF ID#DATA", sorted, without
# comments and without candump-only markers.
frames_of() {
  grep '^(' "$1" | awk '$3 !~ /^18FF01FE#/ { print $2, $3 }' | LC_ALL=C sort
}

# expect_same_frames SIMLOG CAPTURE: the two logs hold the same multiset of frames.
expect_same_frames() {
  frames_of "$1" > "$VM_RESULT/frames.sim"
  frames_of "$2" > "$VM_RESULT/frames.candump"
  rm -f "$VM_RESULT/frames.only-sim" "$VM_RESULT/frames.only-candump"
  # Counted per distinct frame: a frame twice in one log and once in the other is a difference.
  awk -v only_sim="$VM_RESULT/frames.only-sim" -v only_dump="$VM_RESULT/frames.only-candump" '
    FILENAME == ARGV[1] { n[$0]++; next }
    { n[$0]-- }
    END {
      for (f in n) {
        for (i = n[f]; i > 0; i--) print f > only_sim
        for (i = n[f]; i < 0; i++) print f > only_dump
      }
    }' "$VM_RESULT/frames.sim" "$VM_RESULT/frames.candump"
  touch "$VM_RESULT/frames.only-sim" "$VM_RESULT/frames.only-candump"
  _sb_s=$(wc -l < "$VM_RESULT/frames.only-sim")
  _sb_c=$(wc -l < "$VM_RESULT/frames.only-candump")
  if [ "$_sb_s" != 0 ] || [ "$_sb_c" != 0 ]; then
    echo "--- frames in the simulator's log ($1) but not in candump's capture ($2), first 20:"
    head -n 20 "$VM_RESULT/frames.only-sim"
    echo "--- frames in candump's capture but not in the simulator's log, first 20:"
    head -n 20 "$VM_RESULT/frames.only-candump"
    fail "the simulator's log and candump's capture differ: $_sb_s frame(s) only in the simulator's log, $_sb_c only in candump's (of $(wc -l < "$VM_RESULT/frames.sim") / $(wc -l < "$VM_RESULT/frames.candump"))"
  fi
}

# in_order FILE AFTER REGEX...: after the frame AFTER (exact ID#DATA), FILE (candump -L
# style) has frames matching each REGEX (awk ERE on ID#DATA, anchored), one after another.
in_order() {
  _sb_f=$1 _sb_after=$2; shift 2
  grep '^(' "$_sb_f" | awk -v after="$_sb_after" -v want="$*" '
    BEGIN { n = split(want, re, " "); i = after == "" ? 1 : 0 }
    i == 0 { if ($3 == after) i = 1; next }
    i <= n && $3 ~ ("^" re[i] "$") { i++ }
    END { exit !(i > n) }'
}
