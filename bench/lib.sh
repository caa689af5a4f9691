# shellcheck shell=bash
# What the benchmarks share: the driver of the integration tests (the sandbox, the
# simulator, the daemon, readings from /proc) and the outside part's start. Sourced by
# bench/*.sh.
# shellcheck source-path=SCRIPTDIR source=../tests/integration/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/../tests/integration/lib.sh"

# bench_outside_init [TIDEWIRE [SIMULATOR]]: exits 77 unless root; sets daemon and sim
# (default: the build tree's; TW_SIM_BIN too) and work (a new directory, removed at
# exit unless BENCH_KEEP is set).
# shellcheck disable=SC2034 # daemon, sim and work are read by the benchmarks
bench_outside_init() {
	local f
	tw_need_root
	daemon=$(readlink -f "${1:-$TW_REPO/build/app/tidewire}")
	sim=$(readlink -f "${2:-$TW_REPO/build/sim/tidewire-sim}")
	for f in "$daemon" "$sim"; do
		[[ -x $f ]] || { echo "not found: $f (give the paths of tidewire and tidewire-sim)" >&2; exit 2; }
	done
	TW_SIM_BIN=$sim
	TW_KEEP_WORK=${BENCH_KEEP:-} tw_make_work
	work=$TW_WORK
}

# bench_mem: the daemon's resident memory now and at its peak.
bench_mem() { awk -v r="$(tw_status VmRSS)" -v h="$(tw_status VmHWM)" 'BEGIN { printf "VmRSS %.2f MB, VmHWM %.2f MB", r / 1024, h / 1024 }'; }
