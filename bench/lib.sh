# shellcheck shell=bash
# What the benchmarks share: the outside part's start (root, the programs, a work
# directory) and readings of the daemon from /proc. Sourced by bench/*.sh.

# bench_outside_init [TIDEWIRE [SIMULATOR]]: exits 77 unless root; sets daemon and sim
# (default: the build tree's) and work (a new directory, removed at exit unless
# BENCH_KEEP is set).
bench_outside_init() {
	if ((EUID != 0)); then
		echo "SKIP: the router sandbox needs root"
		exit 77
	fi
	local lib_repo f
	lib_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
	daemon=$(readlink -f "${1:-$lib_repo/build/app/tidewire}")
	sim=$(readlink -f "${2:-$lib_repo/build/sim/tidewire-sim}")
	for f in "$daemon" "$sim"; do
		[[ -x $f ]] || { echo "not found: $f (give the paths of tidewire and tidewire-sim)" >&2; exit 2; }
	done
	work=$(mktemp -d)
	if [[ -n ${BENCH_KEEP:-} ]]; then
		echo "keeping the benchmark's files in $work"
	else
		# shellcheck disable=SC2064 # the directory is known now
		trap "rm -rf '$work'" EXIT
	fi
}

# bench_status PID KEY: one field of /proc/PID/status (kB for VmRSS and VmHWM, a
# count for voluntary_ctxt_switches and nonvoluntary_ctxt_switches).
bench_status() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }

# bench_ticks PID: the process's CPU time (utime + stime) in clock ticks.
bench_ticks() {
	local stat
	stat=$(<"/proc/$1/stat") || return 1
	stat=${stat##*) } # comm may hold blanks; the fields after it do not
	local -a f
	read -r -a f <<<"$stat"
	echo $((f[11] + f[12]))
}
