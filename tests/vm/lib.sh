# Helpers for a VM test's test.sh (busybox sh). In the VM this file is /vm/lib.sh:
#
#   . /vm/lib.sh
#   capture_start bus                      # candump -L vcan0 > $VM_RESULT/bus.log, once it listens
#   start_bg daemon /test/tidewire -c vcan0
#   wait_for_log daemon 'address claimed' 20
#   /test/driver vcan0 || fail "driver failed"
#   stop_bg daemon || fail "daemon exited with $?"
#   capture_stop bus
#
# Everything under $VM_RESULT (/tmp/result) is sent back to the host. Background programs
# started here are stopped when test.sh exits, so their logs are complete.
# Waits take a deadline in whole seconds; they are guards against a hang, not measurements.

VM_RESULT=${VM_RESULT:-/tmp/result}
VM_CAN_IF=${VM_CAN_IF:-vcan0}
mkdir -p "$VM_RESULT"
_vm_bg=""
_vm_at_exit=""

# Milliseconds since boot.
vm_ms() {
  read -r _vm_up _vm_rest < /proc/uptime
  _vm_frac=${_vm_up#*.}
  echo $(( ${_vm_up%.*} * 1000 + ${_vm_frac#0} * 10 ))
}

log() {
  _vm_t=$(vm_ms)
  printf '[%d.%03d] %s\n' $((_vm_t / 1000)) $((_vm_t % 1000)) "$*"
}

fail() { log "FAIL: $*"; exit 1; }

# at_exit CMD: run CMD (a string) when test.sh exits, before the background programs stop.
at_exit() { _vm_at_exit="$_vm_at_exit
$1"; }

# wait_for SECONDS CMD [ARGS]: true once CMD succeeds; false (with a message) at the deadline.
wait_for() {
  _vm_end=$(( $(vm_ms) + $1 * 1000 )); shift
  while :; do
    "$@" && return 0
    if [ "$(vm_ms)" -ge "$_vm_end" ]; then log "gave up waiting for: $*"; return 1; fi
    sleep 0.05
  done
}

wait_for_file() { wait_for "${2:-10}" test -e "$1"; }

# wait_for_log NAME PATTERN [SECONDS]: PATTERN (grep basic regex) appears in $VM_RESULT/NAME.log.
wait_for_log() { wait_for "${3:-10}" grep -q -- "$2" "$VM_RESULT/$1.log"; }

_vm_name_ok() {
  case "$1" in ''|*[!A-Za-z0-9_]*) fail "bad background name '$1' (letters, digits, _)";; esac
}

# start_bg NAME CMD [ARGS]: runs CMD in the background, output to $VM_RESULT/NAME.log.
start_bg() {
  _vm_name_ok "$1"
  _vm_n=$1; shift
  "$@" > "$VM_RESULT/$_vm_n.log" 2>&1 < /dev/null &
  eval "_vm_pid_$_vm_n=$!"
  _vm_bg="$_vm_n $_vm_bg"
  log "started $_vm_n (pid $!): $*"
}

bg_pid() { _vm_name_ok "$1"; eval "echo \${_vm_pid_$1:-}"; }

_vm_alive() { [ -d "/proc/$1" ] && ! grep -q '^State:.*Z' "/proc/$1/status" 2>/dev/null; }

# is_running NAME: the background program is still running.
is_running() {
  _vm_p=$(bg_pid "$1")
  [ -n "$_vm_p" ] && _vm_alive "$_vm_p"
}

# Collects a background program's exit status; 127 if it was never started or already collected.
_vm_reap() {
  _vm_p=$(bg_pid "$1")
  [ -n "$_vm_p" ] || return 127
  wait "$_vm_p"
  _vm_rc=$?
  eval "_vm_pid_$1="
  echo "$_vm_rc" > "$VM_RESULT/$1.status"
  return "$_vm_rc"
}

# wait_bg NAME [SECONDS]: waits for a background program to end by itself; returns its exit
# status, or 124 after killing it at the deadline (default 30 s).
wait_bg() {
  if ! wait_for "${2:-30}" _vm_not_running "$1"; then
    log "$1 still running at the deadline, killing it"
    kill -KILL "$(bg_pid "$1")" 2>/dev/null
    _vm_reap "$1"
    return 124
  fi
  _vm_reap "$1"
  _vm_rc=$?
  log "$1 ended with status $_vm_rc"
  return "$_vm_rc"
}
_vm_not_running() { ! is_running "$1"; }

# stop_bg NAME [SIGNAL]: signals a background program (TERM by default), waits up to 10 s
# (then KILL) and returns its exit status (143 for an unhandled TERM).
stop_bg() {
  _vm_p=$(bg_pid "$1")
  [ -n "$_vm_p" ] || { log "stop_bg: $1 is not a running background program"; return 127; }
  kill -"${2:-TERM}" "$_vm_p" 2>/dev/null
  if ! wait_for 10 _vm_not_running "$1"; then
    log "$1 ignored SIG${2:-TERM}, killing it"
    kill -KILL "$_vm_p" 2>/dev/null
  fi
  _vm_reap "$1"
  _vm_rc=$?
  log "stopped $1: status $_vm_rc"
  return "$_vm_rc"
}

# can_listeners [IFACE]: the number of CAN receivers (sockets' filters) bound to IFACE.
can_listeners() {
  cat /proc/net/can/rcvlist_* 2>/dev/null | awk -v d="${1:-$VM_CAN_IF}" '$1 == d { n++ } END { print n + 0 }'
}
_vm_listeners_at_least() { [ "$(can_listeners "$2")" -ge "$1" ]; }

# wait_can_listeners COUNT [IFACE] [SECONDS]: at least COUNT receivers are bound to IFACE,
# i.e. programs that opened their CAN socket will see every frame sent from now on.
wait_can_listeners() { wait_for "${3:-10}" _vm_listeners_at_least "$1" "${2:-$VM_CAN_IF}"; }

# capture_start NAME [IFACE] [CANDUMP ARGS]: candump -L IFACE into $VM_RESULT/NAME.log; returns
# once candump's socket is bound, so no frame sent afterwards is missed.
capture_start() {
  _vm_c=$1 _vm_if=${2:-$VM_CAN_IF}
  shift; if [ $# -gt 0 ]; then shift; fi
  _vm_before=$(can_listeners "$_vm_if")
  start_bg "$_vm_c" candump -L "$@" "$_vm_if"
  wait_can_listeners $((_vm_before + 1)) "$_vm_if" || fail "candump on $_vm_if did not start"
}

# capture_stop NAME: stops candump (TERM, which it handles: the log ends complete).
capture_stop() { stop_bg "$1"; }

# capture_frames NAME: the captured frames without timestamps, e.g. "vcan0 18EEFF23#0102".
capture_frames() { awk '{ print $2, $3 }' "$VM_RESULT/$1.log"; }

# expect_same EXPECTED_FILE ACTUAL_FILE [WHAT]: fails with a diff when they differ.
expect_same() {
  if ! diff -u "$1" "$2" > "$VM_RESULT/.diff" 2>&1; then
    cat "$VM_RESULT/.diff"
    fail "${3:-$2} differs from what was expected"
  fi
  rm -f "$VM_RESULT/.diff"
}

# expect_grep PATTERN FILE: fails unless FILE has a line matching PATTERN.
expect_grep() { grep -q -- "$1" "$2" || fail "no line matching '$1' in $2"; }

# CAN interfaces, for down/up and delete/re-add tests.
can_if_add() { ip link add dev "${1:-$VM_CAN_IF}" type vcan && ip link set up "${1:-$VM_CAN_IF}"; }
can_if_del() { ip link del dev "${1:-$VM_CAN_IF}"; }
can_if_up() { ip link set "${1:-$VM_CAN_IF}" up; }
can_if_down() { ip link set "${1:-$VM_CAN_IF}" down; }

# load_module NAME: insmod a module from /modules (can-bcm, can-gw, can-isotp, can-j1939, vxcan)
# after its dependencies; already loaded modules are skipped.
load_module() {
  [ -d "/sys/module/$(echo "$1" | tr - _)" ] && return 0
  for _vm_d in $(awk -v m="$1" '$1 == m { $1 = ""; print }' /modules/deps); do
    load_module "$_vm_d" || return 1
  done
  insmod "/modules/$1.ko"
}

# save FILE...: copies files into the results.
save() { cp -a "$@" "$VM_RESULT/"; }

_vm_cleanup() {
  _vm_status=$?
  trap - EXIT
  eval "$_vm_at_exit"
  for _vm_n in $_vm_bg; do
    is_running "$_vm_n" && stop_bg "$_vm_n"
  done
  exit "$_vm_status"
}
trap _vm_cleanup EXIT
# The in-VM deadline sends TERM; exit through the EXIT trap so the cleanup still runs.
trap 'exit 143' TERM INT
