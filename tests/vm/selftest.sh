#!/bin/bash
# Checks the VM harness's verdicts, the ones a broken test must never turn into a pass:
# a test's exit status comes back as is, a test past its deadline in the VM reports a hang
# with its results, a kernel panic and a VM that stops answering report no verdict / a hang.
# Also checks --env quoting, lib.sh's background handling, the CAN interface helpers, and that
# a program's own library reaches the VM from a host directory the VM mounts over.
#
#   tests/vm/selftest.sh RESULT_DIR CANTEST
#
# CANTEST: a dynamic program linked to the build tree's libnmea2000.so (vm_cantest).
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=${1:?usage: selftest.sh RESULT_DIR CANTEST}
cantest=${2:?usage: selftest.sh RESULT_DIR CANTEST}
mkdir -p "$out"
payloads=$(mktemp -d "${TMPDIR:-/tmp}/tidewire-vm-selftest.XXXXXX")
# /tmp itself, whatever TMPDIR says: the VM mounts a fresh /tmp over it.
libdir=$(mktemp -d /tmp/tidewire-vm-libs.XXXXXX)
trap 'rm -rf "$payloads" "$libdir"' EXIT
failures=0 passes=0

# check NAME EXPECTED_STATUS TIMEOUT [OPTIONS]: runs the payload $payloads/NAME.
check() {
  local name=$1 want=$2 limit=$3; shift 3
  "$here/run-vm-test.sh" --quiet "$@" "$payloads/$name" "$out/$name" "$limit" > "$out/$name.out" 2>&1
  local got=$?
  if [ "$got" = "$want" ]; then
    echo "ok: $name -> $got"
    passes=$((passes + 1))
  else
    echo "FAILED: $name -> $got, expected $want"; sed 's/^/  | /' "$out/$name.out"
    failures=$((failures + 1))
    return 1
  fi
}
expect() {  # CONDITION-DESCRIPTION CMD...
  local what=$1; shift
  if "$@"; then passes=$((passes + 1)); else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
payload() { mkdir -p "$payloads/$1"; cat > "$payloads/$1/test.sh"; }

# 1. Exit status passes through; --env arrives intact; background programs are stopped at
#    exit with their logs complete; vcan0 survives down/up and delete/add.
payload status <<'T'
. /vm/lib.sh
printf '%s\n' "$GREETING" > "$VM_RESULT/greeting"
start_bg ticker sh -c 'trap "echo got TERM; exit 0" TERM; echo started; while :; do sleep 0.05; done'
wait_for_log ticker started || exit 10
can_if_down || exit 11
cansend vcan0 18EEFF23#01 2>/dev/null && exit 12      # a down interface refuses frames
can_if_up || exit 13
cansend vcan0 18EEFF23#01 || exit 14
can_if_del || exit 15
[ -e /sys/class/net/vcan0 ] && exit 16
can_if_add || exit 17
cansend vcan0 18EEFF23#01 || exit 18
load_module can-bcm || exit 19
[ -d /sys/module/can_bcm ] || exit 20
exit 5
T
greeting="it's \"quoted\" \$HOME and spaces"
check status 5 60 --env "GREETING=$greeting" && {
  expect "--env value arrives verbatim" [ "$(cat "$out/status/greeting")" = "$greeting" ]
  expect "background program got TERM at exit" grep -q '^got TERM' "$out/status/ticker.log"
  expect "verdict says reason=test" grep -qx 'rc=5 reason=test' "$out/status/vm/verdict"
}

# 2. Deadline inside the VM: the test is stopped, the results still come back.
payload deadline <<'T'
. /vm/lib.sh
start_bg sleeper sleep 1000
echo before-the-deadline > "$VM_RESULT/marker"
sleep 1000
T
check deadline 124 30 --test-timeout 3 && {
  expect "results came back after the deadline" [ -s "$out/deadline/marker" ]
  expect "verdict says reason=timeout" grep -q 'reason=timeout' "$out/deadline/vm/verdict"
}

# 3. Kernel panic: no verdict, never a pass.
payload panic <<'T'
echo c > /proc/sysrq-trigger
T
check panic 125 60 && expect "the panic is in the console log" grep -q 'Kernel panic' "$out/panic/vm/console.log"

# 4. A VM that stops answering (halted CPU): qemu is killed at the overall limit.
payload halt <<'T'
halt -f
T
check halt 124 10 --test-timeout 2

# 5. A build-tree library whose host path the VM hides (as with a checkout under /tmp) still
#    reaches the program; extra files land where --file puts them.
lib=$(ldd "$cantest" | awk '$1 == "libnmea2000.so" { print $3 }')
cp "$lib" "$libdir/"
payload library <<'T'
# Without arguments it prints its usage and exits with 2, once the loader has found its library.
cantest > "$VM_RESULT/cantest.out" 2>&1
[ $? = 2 ] || exit 10
grep -q '^usage: cantest' "$VM_RESULT/cantest.out" || exit 11
[ -e "$HOSTLIB" ] && exit 12                  # the fresh /tmp hides the host path
[ -f /vm/payload-libs/libnmea2000.so ] || exit 13
[ -f /opt/extra/lib.sh ] || exit 14
exit 0
T
# The host's loader takes LD_LIBRARY_PATH before the build RUNPATH, so ldd now names the copy.
expect "the host resolves libnmea2000.so under /tmp" \
  grep -q "libnmea2000.so => $libdir/libnmea2000.so" <(LD_LIBRARY_PATH=$libdir ldd "$cantest")
LD_LIBRARY_PATH=$libdir check library 0 60 --bin "$cantest" --env "HOSTLIB=$libdir/libnmea2000.so" \
  --file "$here/lib.sh:/opt/extra/lib.sh"

# 6. --file into a directory the VM mounts over or keeps for itself: refused before any boot.
payload refused <<'T'
exit 0
T
for dest in /tmp/x /run/x /dev/shm/x /proc/x /sys/x /opt/../tmp/x /vm/lib.sh; do
  echo "--file to $dest"
  check refused 2 30 --file "$here/lib.sh:$dest"
done

echo "$passes passed, $failures failed"
[ "$failures" = 0 ]
