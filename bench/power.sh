#!/usr/bin/env bash
# What forwarding the power traffic costs: tidewire at -d 0 in the router sandbox on a
# full 250 kbit/s bus over the serial-line (LAWICEL) link, about 1,900 frames a
# second: half of them engine and battery status frames (127488, 127508) that the
# daemon forwards, half a PGN it only receives (127250). Daemons one after the
# other in the same sandbox and on the same bus: with -p and two broadcast interfaces
# (eth0, whose other end rtr-peer is moved into a namespace of its own to be the LAN,
# and eth1; nobody listens, as on a router whose listeners are elsewhere), the same
# with -P (the lines with time and "R") instead, with both, and without either. For
# each: CPU over 10 s
# (/proc/PID/schedstat, ns on CPU), frames received (from the simulator's log),
# microseconds per frame, wake-ups (voluntary switches), RAW lines sent, and resident
# memory (VmRSS, VmHWM). Prints figures with their targets; nothing passes or fails on
# timing. Exit status is non-zero only when the set-up breaks.
#
# Usage: bench/power.sh [TIDEWIRE [SIMULATOR]]
#        (defaults: build/app/tidewire and build/sim/tidewire-sim)
set -u
self=$(readlink -f "${BASH_SOURCE[0]}")
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$self")/lib.sh"
SETTLE_S=2
MEASURE_S=10
PORT=10110

# ------------------------------------------------------------- inside ----
if [[ ${1:-} == --inside ]]; then
	broken() { echo "SETUP: $*" >&2; exit 1; }
	tw_inside_setup "$2" || broken "the simulator did not start"
	# Exactly two broadcast interfaces, as on a router with a LAN and a second network:
	# rtr-peer, the other end of eth0, moves into a namespace of its own (made here,
	# inside the sandbox), where it plays the LAN that eth0's broadcasts reach.
	unshare -n sleep 3600 &
	lan=$!
	trap 'kill $lan 2>/dev/null' EXIT
	sleep 0.2
	ip link set rtr-peer netns "$lan" || broken "rtr-peer could not move"
	nsenter -t "$lan" -n sh -c 'ip addr add 10.77.0.1/24 brd + dev rtr-peer && ip link set rtr-peer up && ip link set lo up' ||
		broken "rtr-peer not up in its namespace"
	ip link add link eth0 name eth1 type macvlan mode bridge 2>/dev/null ||
		ip link add eth1 type veth peer name eth1-peer || broken "no second interface"
	{ ip addr add 10.78.0.2/24 brd + dev eth1 && ip link set eth1 up; } || broken "eth1 not up"

	sample() { # wall µs, ns on CPU, voluntary switches, UDP datagrams sent so far
		local sched vol udp
		sched=$(cut -d' ' -f1 "/proc/$TW_PID/schedstat") || return 1
		vol=$(tw_status voluntary_ctxt_switches)
		udp=$(awk '$1 == "Udp:" && $2 ~ /^[0-9]+$/ { print $5 }' /proc/net/snmp)
		echo "${EPOCHREALTIME/./} $sched $vol $udp"
	}
	# Frames on the bus from the simulated nodes between two wall-clock times (µs).
	frames_between() {
		awk -v a="$1" -v b="$2" -v me="$(printf %02X "$TW_ADDR")" 'substr($1, 1, 1) == "(" {
			t = substr($1, 2, length($1) - 2); sub(/\./, "", t)
			n = index($3, "#"); id = substr($3, 1, n - 1)
			if (t >= a && t < b && substr(id, 7, 2) != me) print substr(id, 3, 4)
		}' "$TW_LOG" | awk '{ all++ } $1 == "F200" || $1 == "F214" { fwd++ } END { print all + 0, fwd + 0 }'
	}
	measure() { # measure LABEL ARGS...: one daemon, one window
		local label=$1 a b
		shift
		tw_start_settled "$label" -d 0 "$@" >/dev/null || broken "$label: the claim did not stand"
		sleep "$SETTLE_S"
		a=$(sample) || broken "$label: the daemon ended"
		sleep "$MEASURE_S"
		b=$(sample) || broken "$label: the daemon ended"
		read -r t0 c0 v0 u0 <<<"$a"
		read -r t1 c1 v1 u1 <<<"$b"
		read -r rx fwd <<<"$(frames_between "$t0" "$t1")"
		awk -v label="$label" -v w="$((t1 - t0))" -v cpu="$((c1 - c0))" -v rx="$rx" -v fwd="$fwd" \
			-v wake="$((v1 - v0))" -v udp="$((u1 - u0))" -v target="$TARGET" 'BEGIN {
			s = w / 1e6; pct = 100 * cpu / 1e9 / s
			printf "%s: %.0f frames/s received (%.0f/s forwarded kinds), CPU %.2f %% of one core over %.1f s (target < %s %%), %.2f µs per frame; %.0f wake-ups/s; %.0f UDP datagrams/s sent\n",
				label, rx / s, fwd / s, pct, s, target, cpu / 1e3 / (rx > 0 ? rx : 1), wake / s, udp / s
			printf "    at 1900 frames/s that is %.2f %% of one core\n", pct / (rx / s) * 1900
		}'
		echo "    memory: $(bench_mem) (target VmRSS < 4 MB)"
		tw_stop >/dev/null
		((TW_FAILURES == 0)) || broken "$label: the daemon did not stop cleanly"
	}
	TARGET=3 measure "with -p $PORT, two broadcast interfaces (eth0, eth1)" -p "$PORT"
	TARGET=3 measure "with -P $((PORT + 1)) instead" -P "$((PORT + 1))"
	TARGET=3 measure "with both -p $PORT and -P $((PORT + 1))" -p "$PORT" -P "$((PORT + 1))"
	TARGET=1 measure "without -p or -P"
	exit 0
fi

# ------------------------------------------------------------ outside ----
bench_outside_init "$@"
# Each "every 1" line makes about 990 frames a second; the two forwarded kinds take
# turns (every 2 ms each).
cat >"$work/power.scn" <<'EOF2'
node flood1 unique=3001 address=0x60
node eng unique=3002 address=0x61
node bat unique=3003 address=0x62
every 1 send flood1 127250 raw=00102700000000FD
every 2 send eng 127488 raw=00920CFFFF7FFFFF
every 2 send bat 127508 raw=00330AEDFF0271FF
echo ready
EOF2
echo "power bench: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
tw_sandbox "$work/state" "$work/power.scn" -- bash "$self" --inside "$daemon"
rc=$?
echo "power bench: load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
exit "$rc"
