# shellcheck shell=bash disable=SC2034 # the package lists are read by the sourcing script
# Shared by scripts/test, scripts/demo and scripts/cross-check.

# Installs the Debian packages that are missing (nothing when all are there).
ensure_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What building and testing need.
BUILD_PACKAGES=(cmake make g++ libgtest-dev libmosquitto-dev)
SANDBOX_PACKAGES=(socat busybox-static iproute2 util-linux procps python3 tmux picocom minicom screen mosquitto mosquitto-clients curl openssl)
# A charger's port on the LAN, as the OpenWrt package serves it.
SANDBOX_PACKAGES+=(ser2net)
VM_PACKAGES=(qemu-system-x86 busybox-static can-utils xz-utils binutils socat)
# The fuzz targets: clang and its libFuzzer, ASan and UBSan runtimes.
FUZZ_PACKAGES=(clang libclang-rt-dev)
# The cross-built checks: a big-endian MIPS compiler, qemu-user to run its programs,
# GoogleTest's sources to build the test runner for that CPU.
CROSS_PACKAGES=(g++-mips-linux-gnu qemu-user-static googletest)

# Configures and builds into DIR with any extra cmake arguments: everything, or only
# the targets named in BUILD_TARGETS (blank-separated).
# The compiler's chatter goes to DIR/build.log; it is shown only when the build fails.
build_tree() {
  local dir=$1
  shift
  local targets=()
  read -r -a targets <<<"${BUILD_TARGETS:-}"
  ((${#targets[@]} == 0)) || targets=(--target "${targets[@]}")
  mkdir -p "$dir"
  if ! { cmake -S "$REPO" -B "$dir" "$@" && cmake --build "$dir" -j "$(nproc)" "${targets[@]}"; } \
    >"$dir/build.log" 2>&1; then
    tail -50 "$dir/build.log"
    echo "build failed; the whole log is in $dir/build.log"
    return 1
  fi
}

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
