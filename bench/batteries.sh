#!/usr/bin/env bash
# What battery logging costs: tidewire at -d 0 with -l in the router sandbox, on a bus
# of 64 simulated battery monitors (behaviour battery), each sending all seven DC
# source statuses once a second (448 messages a second). Once every battery has its
# log file it measures for 10 s the daemon's CPU time (/proc/PID/stat utime+stime in
# clock ticks, and /proc/PID/schedstat in ns on CPU), its wake-ups (context switches
# from /proc/PID/status: each voluntary one is a return from poll()) and its resident
# memory (VmRSS, VmHWM). Then the monitors fall silent and it measures again: only the
# 64 DCS lines every 10 s are left. Prints figures only; nothing here passes or fails
# on timing.
#
# Usage: bench/batteries.sh [TIDEWIRE [SIMULATOR]]
#        (defaults: build/app/tidewire and build/sim/tidewire-sim of the repository)
set -u
self=$(readlink -f "${BASH_SOURCE[0]}")
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$self")/lib.sh"
BATTERIES=64
SETTLE_S=2
MEASURE_S=10

# ------------------------------------------------------------- inside ----
if [[ ${1:-} == --inside ]]; then
	tw_inside_setup "$2" || exit 1
	logs=$TW_LOGS
	mkdir -p "$logs"
	tw_start_claimed batteries -d 0 -l "$logs" >/dev/null || { echo "the daemon made no address claim" >&2; exit 1; }
	# shellcheck disable=SC2317 # called through tw_wait
	_all_files() { (($(find "$logs" -name 'BAT-*' | wc -l) >= BATTERIES)); }
	tw_wait 30 _all_files || { echo "only $(find "$logs" -name 'BAT-*' | wc -l) of $BATTERIES battery files after 30 s" >&2; exit 1; }
	sleep "$SETTLE_S"

	# sample: wall-clock ns, CPU ticks (utime+stime), ns on CPU, voluntary and
	# involuntary context switches
	sample() {
		local ticks sched
		ticks=$(tw_cpu_ticks "$TW_PID") || return 1
		sched=$(cut -d' ' -f1 /proc/"$TW_PID"/schedstat 2>/dev/null || echo -)
		echo "$(date +%s%N) $ticks $sched $(tw_status voluntary_ctxt_switches) $(tw_status nonvoluntary_ctxt_switches)"
	}
	lines() { cat "$logs"/BAT-* | wc -l; }
	frames() { grep -c '^(' "$TW_LOG"; }

	# measure LABEL: one 10 s window.
	measure() {
		local start end l0 l1 f0 f1
		l0=$(lines) f0=$(frames)
		start=$(sample) || { echo "the daemon ended" >&2; exit 1; }
		sleep "$MEASURE_S"
		end=$(sample) || { echo "the daemon ended" >&2; exit 1; }
		l1=$(lines) f1=$(frames)
		read -r t0 k0 n0 v0 i0 <<<"$start"
		read -r t1 k1 n1 v1 i1 <<<"$end"
		awk -v label="$1" -v t0="$t0" -v t1="$t1" -v k0="$k0" -v k1="$k1" -v n0="$n0" -v n1="$n1" \
			-v v0="$v0" -v v1="$v1" -v i0="$i0" -v i1="$i1" -v l="$((l1 - l0))" -v fr="$((f1 - f0))" -v hz="$(getconf CLK_TCK)" \
			-v rss="$(tw_status VmRSS)" -v hwm="$(tw_status VmHWM)" '
		BEGIN {
			wall = (t1 - t0) / 1e9
			tickpct = 100 * (k1 - k0) / hz / wall
			pct = n0 ~ /^[0-9]+$/ ? 100 * (n1 - n0) / 1e9 / wall : tickpct
			printf "%s: CPU %.2f %% of one core over %.1f s (target < 1 %%); RSS %.1f MB, peak %.1f MB (target < 4 MB)\n",
				label, pct, wall, rss / 1024, hwm / 1024
			printf "  bus: %.0f frames/s\n", fr / wall
			printf "  wake-ups: %.1f/s (voluntary context switches), %.1f/s involuntary; %d DCS lines written (%.1f/s)\n",
				(v1 - v0) / wall, (i1 - i0) / wall, l, l / wall
			printf "  stat: %d clock ticks (utime+stime, %d per s) = %.2f %%\n", k1 - k0, hz, tickpct
		}'
	}

	measure "$BATTERIES batteries, 7 statuses a second each"
	for ((b = 0; b < BATTERIES; b++)); do printf 'silent b%d\n' "$b"; done >"$TW_CTL"
	sleep "$SETTLE_S"
	measure "$BATTERIES batteries registered, bus silent (DCS lines only)"
	tw_stop >/dev/null
	exit 0
fi

# ------------------------------------------------------------ outside ----
bench_outside_init "$@"
{
	for ((b = 0; b < BATTERIES; b++)); do
		echo "node b$b behaviour=battery unique=$((3000 + b)) address=$((10 + b))"
		echo "do b$b period all 1000"
	done
	echo "echo ready"
} >"$work/batteries.scn"
tw_sandbox "$work/state" "$work/batteries.scn" -- bash "$self" --inside "$daemon"
