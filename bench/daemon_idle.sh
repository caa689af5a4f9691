#!/usr/bin/env bash
# What an idle daemon costs: tidewire at -d 0 in the router sandbox, on a quiet
# bus (two simulated nodes that only claim and answer requests). After ~2 s to
# settle it measures for 10 s the daemon's CPU time (/proc/PID/stat utime+stime
# in clock ticks, and /proc/PID/schedstat in ns on CPU) and its resident memory
# (VmRSS, VmHWM). Prints figures only; nothing here passes or fails on timing.
#
# Usage: bench/daemon_idle.sh [TIDEWIRE [SIMULATOR]]
#        (defaults: build/app/tidewire and build/sim/tidewire-sim of the repository)
set -u
self=$(readlink -f "${BASH_SOURCE[0]}")
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$self")/lib.sh"
SETTLE_S=2
MEASURE_S=10

# ------------------------------------------------------------- inside ----
if [[ ${1:-} == --inside ]]; then
	tw_inside_setup "$2" || exit 1
	tw_start_claimed idle -d 0 >/dev/null || { echo "the daemon made no address claim" >&2; exit 1; }
	sleep "$SETTLE_S"

	# sample: wall-clock ns, CPU ticks (utime+stime), ns on CPU, timeslices
	sample() {
		local ticks sched
		ticks=$(tw_cpu_ticks "$TW_PID") || return 1
		sched=$(cat /proc/"$TW_PID"/schedstat 2>/dev/null || echo "- - -")
		echo "$(date +%s%N) $ticks $sched"
	}
	start=$(sample) || { echo "the daemon ended while settling" >&2; exit 1; }
	sleep "$MEASURE_S"
	end=$(sample) || { echo "the daemon ended while being measured" >&2; exit 1; }
	rss=$(tw_status VmRSS) hwm=$(tw_status VmHWM) anon=$(tw_status RssAnon) file=$(tw_status RssFile)
	tw_stop >/dev/null

	read -r t0 ticks0 ns0 _ slices0 <<<"$start"
	read -r t1 ticks1 ns1 _ slices1 <<<"$end"
	awk -v t0="$t0" -v t1="$t1" -v k0="$ticks0" -v k1="$ticks1" -v n0="$ns0" -v n1="$ns1" \
		-v s0="$slices0" -v s1="$slices1" -v hz="$(getconf CLK_TCK)" -v rss="$rss" -v hwm="$hwm" -v anon="$anon" -v file="$file" '
	BEGIN {
		wall = (t1 - t0) / 1e9
		tickpct = 100 * (k1 - k0) / hz / wall
		if (n0 ~ /^[0-9]+$/) {
			pct = 100 * (n1 - n0) / 1e9 / wall
			src = sprintf("schedstat: %.1f ms on CPU, %d times scheduled (%.0f/s)", (n1 - n0) / 1e6, s1 - s0, (s1 - s0) / wall)
		} else {
			pct = tickpct
			src = "schedstat: not available on this kernel"
		}
		printf "daemon idle: CPU %.2f %% of one core over %.1f s (target < 1 %%); RSS %.1f MB, peak %.1f MB (target < 4 MB)\n",
			pct, wall, rss / 1024, hwm / 1024
		printf "  stat: %d clock ticks (utime+stime, %d per s) = %.2f %%; %s\n", k1 - k0, hz, tickpct, src
		# file-backed pages are mostly shared libraries (libstdc++, libnmea2000.so)
		printf "  RSS: %.1f MB anonymous, %.1f MB file-backed\n", anon / 1024, file / 1024
	}'
	exit 0
fi

# ------------------------------------------------------------ outside ----
bench_outside_init "$@"
cat >"$work/quiet.scn" <<'EOF'
node sensor unique=2001 address=130
node display unique=2002 address=131
echo ready
EOF
tw_sandbox "$work/state" "$work/quiet.scn" -- bash "$self" --inside "$daemon"
