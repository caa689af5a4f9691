#!/usr/bin/env bash
# What the daemon's main job costs: tidewire at -d 0 in the router sandbox, bridging
# simulated RO500 chargers to /dev/tnt ports, over the serial-line (LAWICEL) link.
# Three sandboxes, one after another:
#
#   pair   two RO500s (heartbeat only), their two ports open at the user's end
#          (a) idle: wake-ups per second and CPU while nobody types
#          (b) bus to port: a TERMINAL text from a charger (its time in the
#              simulator's candump log) to its line at the user's end of the pair
#          (c) port to bus: a line typed at the user's end to its first TERMINAL
#              frame in the log, less the daemon's 50 ms pacing
#          and, for reference, one socat pty-pair hop (unused pair 7)
#          (f) port to bus as (c), at one port, while chargers come and go (a new one
#              every 2 s): each new charger's port is read from and stored in uci,
#              by commands beside the loop
#   slowuci the same two RO500s with a uci whose every commit takes 2 s (flash that
#          is slow, a lock held): (a) and (f) again
#   eight  (d) eight RO500s at their usual rates (heartbeat 500 ms, charger status
#              every 5 s), all eight ports open and reading their AST lines
#   flood  (e) a full bus of frames the daemon only receives (single-frame PGNs
#              outside its table, from two nodes); the rate achieved is read back
#              from the log
#
# Times of day come from one clock (CLOCK_REALTIME, µs): the log's and
# build/bench/tty_stamp's. CPU is /proc/PID/schedstat (ns on CPU), wake-ups are
# voluntary context switches (each is one sleep in poll()), memory VmRSS and VmHWM.
# The machine may be shared: under each figure a line says how busy it was (CPU
# pressure from /proc/pressure/cpu, the daemon's wait for a CPU from schedstat), since
# latency tails grow with it.
# The chargers' heartbeats are started out of step with each other, as real devices
# are. Prints figures with their targets; nothing here passes or fails on timing. Exit
# status is non-zero only when the set-up breaks (no sandbox, no claim, no port).
#
# Usage: bench/ro500.sh [TIDEWIRE [SIMULATOR [TTY_STAMP]]]
#        (defaults: build/app/tidewire, build/sim/tidewire-sim, build/bench/tty_stamp)
#        BENCH_KEEP=1 keeps each run's logs and time stamps and names their directory.
set -u
self=$(readlink -f "${BASH_SOURCE[0]}")
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$self")/lib.sh"
SETTLE_S=2
MEASURE_S=10          # each CPU and wake-up window
BUS_LINES=300         # (b) texts injected, one every BUS_INTERVAL_MS
BUS_INTERVAL_MS=40
TYPED_LINES=100       # (c) lines typed at each of the two ports, one every TYPED_INTERVAL_MS
TYPED_INTERVAL_MS=150 # a line and the charger's echo and AOK take 3 paced messages
CHURN_S=12            # (f) a new charger every 2 s for this long
HOP_LINES=200
PACING_MS=50 # the daemon's gap before a queued line's first TERMINAL frame

# ------------------------------------------------------------- inside ----
if [[ ${1:-} == --inside ]]; then
	phase=$2 daemon=$3 stamp=$4 chargers=$5
	S=$SANDBOX_STATE
	uci_path=$PATH
	if [[ $phase == slowuci ]]; then
		mkdir -p "$S/slowuci"
		printf '#!/bin/sh\ncase " $* " in *" commit "*) sleep 2 ;; esac\nexec %q "$@"\n' "$(command -v uci)" >"$S/slowuci/uci"
		chmod +x "$S/slowuci/uci"
		uci_path=$S/slowuci:$PATH
	fi
	pids=()
	# shellcheck disable=SC2317 # run by the EXIT trap
	cleanup() {
		local p
		for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
	}
	trap cleanup EXIT
	broken() { echo "SETUP: $phase: $*" >&2; exit 1; }

	tw_inside_setup "$daemon" || broken "the simulator did not start"

	# The user's ends of the chargers' pairs (even ends, 0, 2, ...), plus pair 7 for the hop.
	ports=()
	for ((i = 0; i < chargers; i++)); do ports+=("/dev/tnt$((2 * i))"); done
	if [[ $phase != eight && $phase != flood ]]; then ports+=(/dev/tnt14); fi
	if ((${#ports[@]} > 0)); then
		"$stamp" read "${ports[@]}" >"$S/ports.txt" 2>"$S/stamp.err" &
		pids+=($!)
	fi

	PATH=$uci_path tw_start_settled bench -d 0 >/dev/null || broken "the daemon's claim did not stand"
	pids+=("$TW_PID")

	# Every charger online on its port and done answering its first "$RAS:@".
	# shellcheck disable=SC2317 # called through tw_wait
	_ready() {
		local n
		n=$(awk '$3 == "AOK;" && !($2 in seen) { seen[$2] = 1; n++ } END { print n + 0 }' "$S/ports.txt")
		((n >= chargers))
	}
	if ((chargers > 0)); then
		tw_wait 30 _ready || broken "only $(awk '$3 == "RO500" && $5 == "ONLINE"' "$S/ports.txt" | wc -l) of $chargers chargers came online"
	fi
	sleep "$SETTLE_S"

	# sample: wall-clock µs, CPU ticks, ns on CPU, ns waiting for a CPU, time slices,
	# voluntary and involuntary switches, and the machine's CPU pressure (µs during
	# which some task waited for a CPU; - without PSI).
	sample() {
		local ticks sched vol invol psi
		ticks=$(tw_cpu_ticks "$TW_PID") || return 1
		sched=$(cat "/proc/$TW_PID/schedstat" 2>/dev/null) || sched="- - -"
		vol=$(tw_status voluntary_ctxt_switches)
		invol=$(tw_status nonvoluntary_ctxt_switches)
		psi=$(awk '$1 == "some" { sub(/total=/, "", $5); print $5 }' /proc/pressure/cpu 2>/dev/null)
		echo "${EPOCHREALTIME/./} $ticks $sched $vol $invol ${psi:--}"
	}
	# window A B: "<wall s> <CPU %> <wake-ups/s> <involuntary/s> <from µs> <to µs>
	# <µs waited for a CPU per time slice> <CPU pressure %>" between two samples.
	window() {
		awk -v a="$1" -v b="$2" -v hz="$(getconf CLK_TCK)" 'BEGIN {
			split(a, x, " "); split(b, y, " ")
			wall = (y[1] - x[1]) / 1e6
			sched = x[3] ~ /^[0-9]+$/
			cpu = sched ? (y[3] - x[3]) / 1e9 : (y[2] - x[2]) / hz
			slices = y[5] - x[5]
			rq = (sched && slices > 0) ? sprintf("%.0f", (y[4] - x[4]) / 1e3 / slices) : "-"
			psi = x[8] ~ /^[0-9]+$/ ? sprintf("%.0f", 100 * (y[8] - x[8]) / 1e6 / wall) : "-"
			printf "%.3f %.4f %.2f %.2f %s %s %s %s\n", wall, 100 * cpu / wall,
				(y[6] - x[6]) / wall, (y[7] - x[7]) / wall, x[1], y[1], rq, psi
		}'
	}
	# measure LABEL SECONDS: one window of SECONDS (see window).
	measure() {
		local a b
		a=$(sample) || broken "the daemon ended before $1"
		sleep "$2"
		b=$(sample) || broken "the daemon ended during $1"
		window "$a" "$b"
	}
	# load RQ PSI: how busy the machine was, for judging the figures above it.
	load() { echo "    machine: CPU pressure $2 % (share of the time some task waited for a CPU); the daemon waited $1 µs for a CPU per time slice"; }
	# Frames in the log as "µs ID DATA" (µs as an integer).
	frames() {
		awk 'substr($1, 1, 1) == "(" {
			t = substr($1, 2, length($1) - 2); sub(/\./, "", t)
			n = index($3, "#"); print t, substr($3, 1, n - 1), substr($3, n + 1)
		}' "$TW_LOG"
	}
	# stats FILE: "n median p99 max" of the numbers (ms) in FILE, nearest rank.
	stats() {
		sort -g "$1" | awk '{ v[++n] = $1 } END {
			if (n == 0) { print 0, "-", "-", "-"; exit }
			m = int((n + 1) / 2); p = int(0.99 * n); if (p < 0.99 * n) p++
			printf "%d %.2f %.2f %.2f\n", n, v[m], v[p], v[n]
		}'
	}
	# TERMINAL frames (PGN 17E00h, any priority) from SRC, texts read as
	# "PREFIX<4 digits>": prints "µs PREFIX<digits>" for the first frame of each.
	terminal_texts() { # terminal_texts SRC PREFIXES
		frames | awk -v src="$1" -v prefixes="$2" '
		function hex(s,   i, v) {
			v = 0
			for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789ABCDEF", substr(s, i, 1)) - 1
			return v
		}
		{
			if (substr($2, 3, 2) != "7E" || hex(substr($2, 1, 2)) % 4 != 1 || hex(substr($2, 7, 2)) != src) next
			text = ""
			for (i = 0; i < 5; i++) text = text sprintf("%c", hex(substr($3, 2 * i + 1, 2)))
			if (index(prefixes, substr(text, 1, 1)) == 0 || text !~ /^.[0-9][0-9][0-9][0-9]$/) next
			if (!(text in seen)) { seen[text] = 1; print $1, text }
		}'
	}

	# typed_latency SENT PREFIXES TYPED...: "ms" lines, each typed line (the n-th file's
	# lines read as the n-th letter of PREFIXES) to its first frame, less the pacing.
	typed_latency() {
		awk -v pacing="$PACING_MS" -v prefixes="$2" 'FNR == 1 { file++ }
			file == 1 { bus[$2] = $1; next }
			{ key = substr(prefixes, file - 1, 1) sprintf("%04d", $2)
			  if (key in bus) printf "%.3f\n", (bus[key] - $1) / 1000 - pacing }' "$1" "${@:3}"
	}
	idle() {
		read -r wall cpu wake invol _ _ rq psi <<<"$(measure idle "$MEASURE_S")"
		echo "(a) idle, 2 RO500s, 2 ports open: $wake wake-ups/s (target < 10; involuntary switches $invol/s)"
		echo "(a) idle, 2 RO500s, 2 ports open: CPU $cpu % of one core over $wall s (target < 0.1 %)"
		load "$rq" "$psi"
	}
	# (f): lines typed at /dev/tnt0 while a new charger comes every 2 s and goes after 1 s.
	churn() {
		local k lines=$((CHURN_S * 1000 / TYPED_INTERVAL_MS)) n med p99 max
		(
			for ((k = 1; k <= CHURN_S / 2; k++)); do
				echo "node churn$k behaviour=ro500 unique=$((2000 + k)) address=$((0x50 + k))" >"$TW_CTL"
				sleep 1
				echo "remove churn$k" >"$TW_CTL"
				sleep 1
			done
		) &
		local churner=$!
		"$stamp" write /dev/tnt0 "$TYPED_INTERVAL_MS" "$lines" R $'\n' >"$S/churn0.txt" || broken "could not type at /dev/tnt0"
		wait "$churner"
		sleep 1
		terminal_texts "$TW_ADDR" R >"$S/churn_sent.txt"
		typed_latency "$S/churn_sent.txt" R "$S/churn0.txt" >"$S/churn_latency.txt"
		read -r n med p99 max <<<"$(stats "$S/churn_latency.txt")"
		((n > 0)) || broken "(f): no typed line reached the bus"
		echo "(f) $1: port to bus while a new charger comes every 2 s (its port read and stored in uci): median $med ms, p99 $p99 ms, max $max ms over $n of $lines lines; $(uci -q get 'tidewire.@can[0].ttyassignment' | wc -w) chargers in the port table"
	}

	case $phase in
	slowuci)
		idle
		churn "every uci commit 2 s"
		;;
	pair)
		idle
		echo "    memory after (a): $(bench_mem)"

		# (b): charger1 sends B0001..; each ends in a line feed, so the daemon writes it at once.
		a=$(sample) || broken "the daemon ended before (b)"
		"$stamp" write "$TW_CTL" "$BUS_INTERVAL_MS" "$BUS_LINES" \
			"send charger1 17E00h Destination=$TW_ADDR Chars=\"B" $'\\n"\n' >"$S/inject.txt" ||
			broken "could not send the TERMINAL texts"
		b=$(sample) || broken "the daemon ended during (b)"
		sleep 1
		terminal_texts 66 B >"$S/bus_sent.txt" # 66 = 0x42, charger1
		awk 'NR == FNR { sent[$2] = $1; next }
			$3 ~ /^B[0-9][0-9][0-9][0-9]$/ && ($3 in sent) && !($3 in done) {
				done[$3] = 1; printf "%.3f\n", ($1 - sent[$3]) / 1000 }' \
			"$S/bus_sent.txt" "$S/ports.txt" >"$S/bus_latency.txt"
		read -r n med p99 max <<<"$(stats "$S/bus_latency.txt")"
		((n > 0)) || broken "(b): no TERMINAL text reached a port ($(wc -l <"$S/bus_sent.txt") logged)"
		echo "(b) bus to port, TERMINAL text to its line at the user's end: median $med ms, p99 $p99 ms, max $max ms over $n of $BUS_LINES texts (target p99 < 5 ms)"
		read -r wall _ _ _ _ _ rq psi <<<"$(window "$a" "$b")"
		load "$rq" "$psi"

		# (c): lines typed at both ports at once; the first frame of each in the log.
		a=$(sample) || broken "the daemon ended before (c)"
		"$stamp" write /dev/tnt0 "$TYPED_INTERVAL_MS" "$TYPED_LINES" P $'\n' >"$S/typed0.txt" &
		t0=$!
		"$stamp" write /dev/tnt2 "$TYPED_INTERVAL_MS" "$TYPED_LINES" Q $'\n' >"$S/typed2.txt" &
		t2=$!
		if ! wait "$t0" || ! wait "$t2"; then broken "could not type at the ports"; fi
		b=$(sample) || broken "the daemon ended during (c)"
		sleep 1
		terminal_texts "$TW_ADDR" PQ >"$S/typed_sent.txt"
		typed_latency "$S/typed_sent.txt" PQ "$S/typed0.txt" "$S/typed2.txt" >"$S/typed_latency.txt"
		read -r n med p99 max <<<"$(stats "$S/typed_latency.txt")"
		((n > 0)) || broken "(c): no typed line reached the bus"
		echo "(c) port to bus, typed line to its first TERMINAL frame less the ${PACING_MS} ms pacing: median $med ms, p99 $p99 ms, max $max ms over $n of $((2 * TYPED_LINES)) lines (target p99 < 5 ms)"
		read -r wall _ _ _ _ _ rq psi <<<"$(window "$a" "$b")"
		load "$rq" "$psi"

		# Reference: one socat hop of a pty pair, part of both paths above (twice each).
		"$stamp" write /dev/tnt15 10 "$HOP_LINES" H $'\n' >"$S/hop.txt" || broken "could not write to /dev/tnt15"
		sleep 0.5
		idx=$((${#ports[@]} - 1))
		awk -v idx="$idx" 'NR == FNR { w[sprintf("H%04d", $2)] = $1; next }
			$2 == idx && ($3 in w) { printf "%.3f\n", ($1 - w[$3]) / 1000 }' \
			"$S/hop.txt" "$S/ports.txt" >"$S/hop_latency.txt"
		read -r n med p99 max <<<"$(stats "$S/hop_latency.txt")"
		echo "    reference, one sandbox pty-pair hop (socat): median $med ms, p99 $p99 ms over $n lines; (b) and (c) each cross two"
		echo "    memory after (c): $(bench_mem)"
		churn "quick uci"
		;;
	eight)
		read -r wall cpu wake invol from to rq psi <<<"$(measure eight "$MEASURE_S")"
		ast=$(awk -v a="$from" -v b="$to" '$1 >= a && $1 < b && substr($3, 1, 4) == "AST;"' "$S/ports.txt" | wc -l)
		rx=$(frames | awk -v a="$from" -v b="$to" -v me="$(printf %02X "$TW_ADDR")" '$1 >= a && $1 < b && substr($2, 7, 2) != me' | wc -l)
		echo "(d) 8 RO500s at their usual rates, 8 ports open: CPU $cpu % of one core over $wall s (target < 1 %)"
		awk -v w="$wall" -v wake="$wake" -v ast="$ast" -v rx="$rx" 'BEGIN {
			printf "    %s wake-ups/s; %.1f AST lines/s on the ports; %.1f frames/s received\n", wake, ast / w, rx / w }'
		load "$rq" "$psi"
		echo "    memory with 8 RO500s: $(bench_mem)"
		;;
	flood)
		read -r wall cpu wake invol from to rq psi <<<"$(measure flood "$MEASURE_S")"
		rx=$(frames | awk -v a="$from" -v b="$to" -v me="$(printf %02X "$TW_ADDR")" '$1 >= a && $1 < b && substr($2, 7, 2) != me' | wc -l)
		((rx > 0)) || broken "(e): no frames on the bus"
		awk -v w="$wall" -v cpu="$cpu" -v rx="$rx" -v wake="$wake" 'BEGIN {
			rate = rx / w
			printf "(e) full bus, %.0f frames/s received over the serial-line link: CPU %.2f %% of one core over %.1f s (target < 1 %%), %.2f µs per frame\n",
				rate, cpu, w, cpu / 100 / rate * 1e6
			printf "    at 1900 frames/s that is %.2f %% of one core; %s wake-ups/s (one per %.1f frames)\n",
				cpu / rate * 1900, wake, rate / wake
		}'
		load "$rq" "$psi"
		echo "    memory on the full bus: $(bench_mem)"
		;;
	esac
	tw_stop >/dev/null
	((TW_FAILURES == 0)) || broken "the daemon did not stop cleanly"
	exit 0
fi

# ------------------------------------------------------------ outside ----
bench_outside_init "${1:-}" "${2:-}"
stamp=$(readlink -f "${3:-$TW_REPO/build/bench/tty_stamp}")
[[ -x $stamp ]] || { echo "not found: $stamp (give the path of tty_stamp)" >&2; exit 2; }

# A charger's heartbeat starts once its claim stands, so staggered creation puts the
# chargers' heartbeats out of step.
{
	echo "node charger1 behaviour=ro500 unique=1001 address=0x42 serial=RO-1001"
	echo "at 250 node charger2 behaviour=ro500 unique=1002 address=0x43 serial=RO-1002"
	echo "echo ready"
} >"$work/pair.scn"
{
	for i in 1 2 3 4 5 6 7 8; do
		printf 'at %d node charger%d behaviour=ro500 unique=%d address=0x%02X serial=RO-%d\n' \
			$(((i - 1) * 60)) "$i" $((1000 + i)) $((0x41 + i)) $((1000 + i))
		printf 'at %d every 5000 do charger%d status\n' $(((i - 1) * 600)) "$i"
	done
	echo "at 500 echo ready"
} >"$work/eight.scn"
# Two nodes, each sending a single-frame PGN that no handler of the daemon takes
# (vessel heading, rudder) every millisecond: the simulator's loop makes about 990 a
# second of each, a full 250 kbit/s bus.
cat >"$work/flood.scn" <<'EOF'
node flood1 unique=3001 address=0x60
node flood2 unique=3002 address=0x61
every 1 send flood1 127250 raw=00102700000000FD
every 1 send flood2 127245 raw=FF7FFF7F0000FFFF
echo ready
EOF

echo "ro500 bench: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
rc=0
run() { # run PHASE CHARGERS
	tw_sandbox "$work/$1" "$work/$1.scn" -- bash "$self" --inside "$1" "$daemon" "$stamp" "$2" || {
		echo "SETUP: the $1 run failed (BENCH_KEEP=1 keeps its state for a look)" >&2
		rc=1
	}
}
cp "$work/pair.scn" "$work/slowuci.scn"
run pair 2
run slowuci 2
run eight 8
run flood 0
echo "ro500 bench: load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
exit "$rc"
