#!/bin/bash
# Runs a test in a qemu VM with real SocketCAN (vcan0) and returns its exit status.
#
#   tests/vm/run-vm-test.sh [options] PAYLOAD_DIR RESULT_DIR [TIMEOUT]
#
# PAYLOAD_DIR holds test.sh and whatever it needs; it becomes /test in the VM (symlinks are
# followed, so a payload may link to build outputs). For every dynamic ELF file added, the
# libraries ldd finds for it on this host go into the VM: the system's (those in the host's
# loader cache) at the same paths, all others (a build tree's, wherever it is) in
# /vm/payload-libs, which is on LD_LIBRARY_PATH there. test.sh runs under busybox sh with
# /test as the working directory; it may source /vm/lib.sh. Whatever it writes to
# /tmp/result comes back to RESULT_DIR, plus RESULT_DIR/test.log (its output) and
# RESULT_DIR/vm/ (console, dmesg, verdict, timing).
#
# TIMEOUT (seconds, default 90) bounds the whole VM; the test's own deadline inside the VM is
# TIMEOUT-15 unless --test-timeout says otherwise.
#
# Options:
#   --bin FILE         add FILE as /test/<basename> (with its libraries)
#   --file SRC:DEST    add SRC at the absolute path DEST in the VM (with its libraries); not
#                      under /proc, /sys, /dev, /tmp, /run (mounted over at boot) or /vm
#   --env NAME=VALUE   export NAME=VALUE to test.sh
#   --test-timeout N   the test's deadline inside the VM, in seconds
#   --mem MB           guest memory (default 512)
#   --quiet            do not copy the VM console to stdout (it is always in RESULT_DIR/vm/)
#   --shell            interactive: a shell on the console instead of test.sh (which may be
#                      absent); 'exit N' ends the VM with status N; TIMEOUT defaults to 3600
#
# Exit status: the test's own (0..123), 124 when it hung (deadline in the VM, or the VM
# itself stopped answering), 125 when no verdict came back (kernel panic, crash, setup or
# harness failure), 2 for bad usage.
# Environment: TIDEWIRE_VM_CACHE (kernel and base image cache), TIDEWIRE_VM_KEEP=1 (keep the
# work directory), QEMU (the qemu-system-x86_64 to use), TIDEWIRE_VM_QEMU_ARGS (more qemu
# arguments).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
me=run-vm-test

usage() { sed -n '2,/^set -uo/p' "${BASH_SOURCE[0]}" | sed '$d; s/^# \{0,1\}//' >&2; exit 2; }
say() { echo "$me: $*" >&2; }
harness_fail() { say "HARNESS ERROR: $*"; exit 125; }

bins=() files=() envs=()
test_timeout="" mem=512 quiet=0 shell=0
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) [ $# -ge 2 ] || usage; bins+=("$2"); shift 2 ;;
    --file) [ $# -ge 2 ] || usage; files+=("$2"); shift 2 ;;
    --env) [ $# -ge 2 ] || usage; envs+=("$2"); shift 2 ;;
    --test-timeout) [ $# -ge 2 ] || usage; test_timeout=$2; shift 2 ;;
    --mem) [ $# -ge 2 ] || usage; mem=$2; shift 2 ;;
    --quiet) quiet=1; shift ;;
    --shell) shell=1; shift ;;
    -h|--help) usage ;;
    --) shift; break ;;
    -*) say "unknown option $1"; usage ;;
    *) break ;;
  esac
done
[ $# -ge 2 ] && [ $# -le 3 ] || usage
payload=$1 result=$2 timeout=${3:-90}
[ "$shell" = 1 ] && timeout=${3:-3600}
case "$timeout" in ''|*[!0-9]*) say "TIMEOUT must be whole seconds"; usage ;; esac
[ -z "$test_timeout" ] && test_timeout=$(( timeout > 30 ? timeout - 15 : timeout * 2 / 3 ))
case "$test_timeout" in ''|*[!0-9]*|0) say "--test-timeout must be whole seconds > 0"; usage ;; esac
[ -d "$payload" ] || { say "no payload directory $payload"; exit 2; }
if [ "$shell" = 0 ] && [ $((test_timeout + 8)) -gt "$timeout" ]; then
  say "warning: a test deadline of $test_timeout s leaves the VM too little of its $timeout s to report"
fi

# Missing tools are a failure, never a skip: a VM test that silently does not run proves nothing.
qemu=${QEMU:-qemu-system-x86_64}
command -v "$qemu" >/dev/null || harness_fail "$qemu not found: apt-get install qemu-system-x86"
command -v busybox >/dev/null || harness_fail "busybox not found: apt-get install busybox-static"
for t in readelf timeout flock; do
  command -v "$t" >/dev/null || harness_fail "$t not found"
done
# Often only root's PATH has sbin.
ldconfig=$(PATH=$PATH:/usr/sbin:/sbin command -v ldconfig) || harness_fail "ldconfig not found"

kdir=$("$here/fetch-kernel.sh") || harness_fail "could not get the kernel (fetch-kernel.sh)"
base=$("$here/build-initramfs.sh") || harness_fail "could not build the base image (build-initramfs.sh)"

# RESULT_DIR is emptied first, so a stale result never passes for a new one; to be safe
# that is only done to a directory this script made.
if [ -e "$result" ]; then
  [ -d "$result" ] || harness_fail "$result is not a directory"
  if [ -n "$(ls -A "$result")" ]; then
    [ -e "$result/.vm-result" ] || harness_fail "$result is not empty and not an earlier result dir; refusing to clear it"
    find "$result" -mindepth 1 -delete
  fi
fi
mkdir -p "$result/vm" && : > "$result/.vm-result" || harness_fail "cannot write $result"
result=$(cd "$result" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/tidewire-vm.XXXXXX") || harness_fail "mktemp failed"
if [ "${TIDEWIRE_VM_KEEP:-0}" = 1 ]; then say "work directory kept: $work"
else trap 'rm -rf "$work"' EXIT; fi
ov=$work/overlay
mkdir -p "$ov/test"
chmod 755 "$ov" "$ov/test"

# --- the per-test overlay ---------------------------------------------------------------
# Paths the VM uses itself. /init mounts over these at boot, hiding what the image holds there:
vm_hidden() { case "$1" in /proc|/proc/*|/sys|/sys/*|/dev|/dev/*|/tmp|/tmp/*|/run|/run/*) ;; *) return 1 ;; esac; }
# and these are the payload's and the harness's own:
vm_owned() { case "$1" in /test|/test/*|/vm|/vm/*) ;; *) return 1 ;; esac; }
payload_libs=/vm/payload-libs
declare -A src_of   # VM path -> host path of every file added, for ldd
add_file() {  # host path, VM path
  local src dst=$2
  src=$(readlink -f "$1") && [ -f "$src" ] || harness_fail "no such file: $1"
  install -D -m "$(stat -c %a "$src")" "$src" "$ov$dst" || harness_fail "cannot copy $1"
  src_of[$dst]=$src
}
while IFS= read -r -d '' f; do
  rel=${f#"$payload"/}
  if [ -d "$f" ]; then mkdir -p "$ov/test/$rel"; else add_file "$f" "/test/$rel"; fi
done < <(find -L "$payload" -mindepth 1 -print0)
for b in "${bins[@]+"${bins[@]}"}"; do add_file "$b" "/test/$(basename "$b")"; done
for pair in "${files[@]+"${files[@]}"}"; do
  case "$pair" in *:/*) ;; *) say "--file needs SRC:/ABSOLUTE/DEST, got $pair"; exit 2 ;; esac
  dest=$(realpath -m -s "${pair#*:}")
  if vm_hidden "$dest"; then
    say "--file $pair: /init mounts over /proc, /sys, /dev, /tmp and /run at boot, which would hide it"; exit 2
  fi
  case "$dest" in /vm|/vm/*) say "--file $pair: /vm is the harness's own"; exit 2 ;; esac
  add_file "${pair%%:*}" "$dest"
done
[ -f "$ov/test/test.sh" ] || [ "$shell" = 1 ] || { say "the payload has no test.sh"; exit 2; }

if [ ${#envs[@]} -gt 0 ]; then
  for e in "${envs[@]}"; do
    name=${e%%=*} value=${e#*=}
    case "$name" in ''|*[!A-Za-z0-9_]*|[0-9]*) say "bad --env $e"; exit 2 ;; esac
    [ "$name" != "$e" ] || { say "--env needs NAME=VALUE, got $e"; exit 2; }
    printf "%s='%s'\n" "$name" "${value//\'/\'\\\'\'}"
  done > "$ov/test/.vm-env"
fi

is_elf() { [ "$(head -c 4 "$1" | od -An -tx1 | tr -d ' \n')" = 7f454c46 ]; }
add_lib() {  # host path as ldd names it, VM path
  [ -e "$ov$2" ] && return 0
  install -D -m 755 "$(readlink -f "$1")" "$ov$2" || harness_fail "cannot copy library $1"
}
# Libraries the host's loader cache names (the system's) go to the same path: the cache goes
# along, so the VM resolves them as ldd did here. Every other one (a build tree's, reached
# through RUNPATH, RPATH or LD_LIBRARY_PATH) goes to $payload_libs, which /init puts on
# LD_LIBRARY_PATH: its host path may be anywhere, including under a directory the VM mounts
# over, and it must not land in the image's own directories either.
declare -A cached_lib lib_from
dynamic=0
while IFS= read -r p; do cached_lib[$p]=1; done < <("$ldconfig" -p | sed -n 's/.* => \(\/.*\)$/\1/p')
for vmpath in "${!src_of[@]}"; do
  src=${src_of[$vmpath]}
  is_elf "$src" || continue
  deps=$(ldd "$src" 2>/dev/null) || continue   # static, or not for this machine
  if grep -q 'not found' <<<"$deps"; then
    say "ldd $src:"; grep 'not found' <<<"$deps" >&2
    harness_fail "a library of $src is not found on this host"
  fi
  dynamic=1
  # The program interpreter (and a library named by absolute path) is opened at that very
  # path; it cannot move.
  while read -r fixed; do
    if vm_hidden "$fixed" || vm_owned "$fixed"; then
      harness_fail "$src needs $fixed, at a path the VM uses itself"
    fi
    add_lib "$fixed" "$fixed"
  done < <(awk '/^\t\// { print $1 }' <<<"$deps")
  while read -r name lib; do
    # Found by name in the VM, so one file per name: with two, a binary would get the wrong one.
    real=$(readlink -f "$lib")
    prev=${lib_from[$name]:-}
    if [ -n "$prev" ] && [ "$prev" != "$real" ] && ! cmp -s "$prev" "$real"; then
      harness_fail "the payload needs two different $name ($prev and $real)"
    fi
    lib_from[$name]=$real
    if [ -n "${cached_lib[$lib]:-}" ] && ! vm_hidden "$lib" && ! vm_owned "$lib"; then
      add_lib "$lib" "$lib"
    else
      add_lib "$lib" "$payload_libs/$name"
    fi
  done < <(awk '$2 == "=>" && $3 ~ /^\// { print $1, $3 }' <<<"$deps")
done
# The host's loader cache makes the VM resolve libraries exactly as ldd did here.
if [ "$dynamic" = 1 ] && [ -f /etc/ld.so.cache ]; then
  install -D -m 644 /etc/ld.so.cache "$ov/etc/ld.so.cache"
fi

(cd "$ov" && find . -mindepth 1 | LC_ALL=C sort | busybox cpio -o -H newc -R 0:0 2>/dev/null) > "$work/overlay.cpio" ||
  harness_fail "cpio of the overlay failed"
# The kernel unpacks concatenated archives in order; later files win.
cat "$base" "$work/overlay.cpio" > "$work/initrd.cpio" || harness_fail "cannot write the initrd"

# --- the VM -----------------------------------------------------------------------------
# PVH boot of the uncompressed vmlinux and -nodefaults are what make TCG boot in ~2 s.
tar_out=$work/ttyS1.tar
console=$work/console.raw
cmd=(timeout --foreground -k 5 "$timeout" "$qemu"
     -nodefaults -no-user-config -nographic -no-reboot -m "$mem"
     -serial stdio -serial "file:$tar_out"
     -device isa-debug-exit,iobase=0xf4,iosize=0x04
     -kernel "$kdir/vmlinux" -initrd "$work/initrd.cpio"
     -append "console=ttyS0 quiet panic=-1 vmtest.timeout=$test_timeout vmtest.shell=$shell")
# Extra qemu arguments for experiments, e.g. TIDEWIRE_VM_QEMU_ARGS="-smp 2".
read -r -a extra <<<"${TIDEWIRE_VM_QEMU_ARGS:-}"
cmd+=("${extra[@]+"${extra[@]}"}")
say "booting $(cat "$kdir/release") for $payload (deadline ${test_timeout} s in the VM, ${timeout} s overall)"
start=$(date +%s.%N)
if [ "$shell" = 1 ]; then
  # The terminal is the console; qemu puts it into raw mode and restores it.
  "${cmd[@]}" 2>&1 | tee "$console"
  q=${PIPESTATUS[0]}
elif [ "$quiet" = 1 ]; then
  "${cmd[@]}" < /dev/null > "$console" 2>&1
  q=$?
else
  "${cmd[@]}" < /dev/null 2>&1 | tee "$console"
  q=${PIPESTATUS[0]}
fi
elapsed=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.2f", e - s }')
# Without the \r of the serial line and the terminal escapes SeaBIOS prints.
tr -d '\r' < "$console" | sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g; s/\x1bc//g' > "$result/vm/console.log"

if [ -s "$tar_out" ]; then
  tar -xf "$tar_out" -C "$result" 2>"$work/tar.err" || { say "the results archive is damaged:"; cat "$work/tar.err" >&2; }
fi
echo "qemu_exit=$q wall_seconds=$elapsed" > "$result/vm/host"
verdict=$(cat "$result/vm/verdict" 2>/dev/null || sed -n 's/^VMTEST-RESULT //p' "$result/vm/console.log" | tail -n 1)
reason=$(sed -n 's/.*reason=\([a-z]*\).*/\1/p' <<<"$verdict")

show_tail() { say "last console lines:"; tail -n "${1:-15}" "$result/vm/console.log" | sed 's/^/  | /' >&2; }

case "$q" in
  124|137)
    show_tail 25
    say "HUNG: the VM gave no verdict within $timeout s and was killed (test deadline was $test_timeout s)"
    exit 124 ;;
  0)
    show_tail 25
    say "NO VERDICT: the VM powered off or the kernel panicked before reporting (see $result/vm/console.log)"
    exit 125 ;;
esac
if [ $((q % 2)) = 0 ]; then
  show_tail 25
  say "NO VERDICT: qemu ended with status $q (killed or crashed)"
  exit 125
fi
if [ -z "$verdict" ]; then
  # qemu reports its own errors with status 1, the same as a passing isa-debug-exit.
  show_tail 25
  say "NO VERDICT: qemu ended with status $q but the VM reported nothing; qemu failed to start or the results were lost"
  exit 125
fi
rc=$((q >> 1))
vrc=$(sed -n 's/.*rc=\([0-9]*\).*/\1/p' <<<"$verdict")
[ "$vrc" = "$rc" ] || say "warning: the VM reported rc=$vrc but the exit port gave $rc"
[ -e "$result/vm/verdict" ] || say "warning: the results did not come back over ttyS1"
case "$reason" in
  timeout)
    say "HUNG: test.sh was still running at its deadline of $test_timeout s in the VM and was stopped (${elapsed} s)"
    exit 124 ;;
  setup)
    say "SETUP FAILED in the VM: $(cat "$result/vm/setup-error" 2>/dev/null || echo 'see the console')"
    exit 125 ;;
esac
if [ "$rc" = 0 ]; then
  say "PASS (${elapsed} s; results in $result)"
else
  say "FAIL: test.sh exited with status $rc (${elapsed} s; results in $result)"
fi
exit "$rc"
