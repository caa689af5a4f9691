#!/usr/bin/env bash
# What MQTT publishing costs: tidewire at -d 0 with -l in the router sandbox, on a bus
# of 8 RO500 chargers (heartbeat every 500 ms, charger status every 5 s) and 64 battery
# monitors (every DC source status once a second, values drifting as the banks
# discharge), with a mosquitto inside the sandbox's network (10.77.0.1) and a
# subscriber there counting what arrives. Three 10 s windows, one after another:
#
#   (a) the same bus without -m, for reference
#   (b) with -m, once every discovery config and state is retained: CPU and wake-ups
#       of both the loop and the connection's thread, messages a second at the
#       broker, memory (VmRSS, VmHWM); and how long after the start the broker had
#       everything
#   (c) the same while every device's state changes every second (each charger's
#       and each bank's current alternates): 72 state messages a second, the most
#       the publisher sends for these devices
#   (d) the broker stopped: the connection's thread backing off, nothing queued
#
# With MQTT_BEFORE naming another build of tidewire (an older one, say), each of (b) to
# (d) runs for it first, then for TIDEWIRE, in the same sandbox on the same bus: before
# and after figures of one run.
#
# CPU is /proc/PID/task/*/schedstat (ns on CPU, every thread), wake-ups are the
# threads' voluntary context switches. Prints figures only; nothing here passes or
# fails on timing.
#
# Usage: [MQTT_BEFORE=OLD_TIDEWIRE] bench/mqtt.sh [TIDEWIRE [SIMULATOR]]
#        (defaults: build/app/tidewire and build/sim/tidewire-sim of the repository)
set -u
self=$(readlink -f "${BASH_SOURCE[0]}")
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$self")/lib.sh"
CHARGERS=8
BATTERIES=64
SETTLE_S=2
MEASURE_S=10
BROKER=10.77.0.1

# ------------------------------------------------------------- inside ----
if [[ ${1:-} == --inside ]]; then
	tw_inside_setup "$2" || exit 1
	S=$SANDBOX_STATE
	logs=$TW_LOGS
	mkdir -p "$logs"
	broken() { echo "SETUP: $*" >&2; exit 1; }
	: >"$S/sub.txt"

	# sample: wall-clock ns, ns on CPU and voluntary context switches of every thread
	sample() {
		local t ns=0 vol=0
		[[ -d /proc/$TW_PID ]] || return 1
		for t in /proc/"$TW_PID"/task/*; do
			ns=$((ns + $(cut -d' ' -f1 "$t/schedstat"))) || return 1
			vol=$((vol + $(awk '$1 == "voluntary_ctxt_switches:" { print $2 }' "$t/status"))) || return 1
		done
		echo "$(date +%s%N) $ns $vol $(wc -l <"$S/sub.txt")"
	}
	# measure LABEL: one window.
	measure() {
		local start end
		start=$(sample) || broken "the daemon ended"
		sleep "$MEASURE_S"
		end=$(sample) || broken "the daemon ended"
		read -r t0 n0 v0 m0 <<<"$start"
		read -r t1 n1 v1 m1 <<<"$end"
		awk -v label="$1" -v t0="$t0" -v t1="$t1" -v n0="$n0" -v n1="$n1" -v v0="$v0" -v v1="$v1" -v m="$((m1 - m0))" \
			-v threads="$(find /proc/"$TW_PID"/task -mindepth 1 -maxdepth 1 | wc -l)" -v rss="$(tw_status VmRSS)" -v hwm="$(tw_status VmHWM)" '
		BEGIN {
			wall = (t1 - t0) / 1e9
			printf "%s: CPU %.2f %% of one core over %.1f s, threads: %d; RSS %.1f MB, peak %.1f MB\n",
				label, 100 * (n1 - n0) / 1e9 / wall, wall, threads, rss / 1024, hwm / 1024
			printf "  wake-ups: %.1f/s (voluntary context switches, all threads); at the broker: %.1f messages/s\n",
				(v1 - v0) / wall, m / wall
		}'
	}
	# everything: the broker has each device's 16 sensor configs and its state.
	# shellcheck disable=SC2317 # called through tw_wait
	everything() {
		local snap
		snap=$(mosquitto_sub -h "$BROKER" -t '#' -F '%t' --retained-only -W 2 2>/dev/null)
		(($(grep -c '^homeassistant/sensor/.*/config$' <<<"$snap") == 16 * (CHARGERS + BATTERIES) &&
			$(grep -c '/state$' <<<"$snap") == CHARGERS + BATTERIES))
	}
	# shellcheck disable=SC2317 # called through tw_wait
	all_logs() { (($(find "$logs" -name 'BAT-*' | wc -l) >= BATTERIES && $(find "$logs" -name 'RO500-*' | wc -l) >= CHARGERS)); }

	tw_start_claimed plain -d 0 -l "$logs" >/dev/null || broken "the daemon made no address claim"
	tw_wait 30 all_logs || broken "not every device has its log file after 30 s"
	sleep "$SETTLE_S"
	measure "(a) $CHARGERS chargers and $BATTERIES batteries, no MQTT"
	tw_stop >/dev/null

	# publishing LABEL RUN: the daemon TW_DAEMON started with MQTT to a new broker, and
	# everything retained.
	# shellcheck disable=SC2317 # called through each
	publishing() {
		local start
		tw_broker_start >/dev/null || broken "mosquitto did not start"
		mosquitto_sub -h "$BROKER" -t '#' -F '%t' >"$S/sub.txt" 2>&1 &
		sub=$!
		start=$(date +%s%N)
		tw_start_claimed "$2" -d 0 -l "$logs" -m "$BROKER" >/dev/null || broken "the daemon made no address claim"
		tw_wait 60 everything || broken "the broker does not have every config and state after 60 s"
		echo "$1 (b) every sensor config ($((16 * (CHARGERS + BATTERIES)))) and state ($((CHARGERS + BATTERIES))) retained $(awk -v s="$start" -v e="$(date +%s%N)" 'BEGIN { printf "%.1f", (e - s) / 1e9 }') s after the start (the last look takes 2 s)"
		sleep "$SETTLE_S"
	}
	# shellcheck disable=SC2317 # called through each
	stopped() {
		tw_stop >/dev/null
		kill "$sub" 2>/dev/null
		wait "$sub" 2>/dev/null
	}
	# each COMMAND: COMMAND LABEL for the older daemon (MQTT_BEFORE) if there is one,
	# then for TW_DAEMON.
	after=$TW_DAEMON
	# shellcheck disable=SC2317 # called through each
	each() {
		if [[ -n ${MQTT_BEFORE:-} ]]; then
			TW_DAEMON=$MQTT_BEFORE
			"$1" before
			TW_DAEMON=$after
		fi
		"$1" after
	}
	# shellcheck disable=SC2317 # called through each
	still() {
		publishing "$1" "still-$1"
		measure "$1 (b) the same with MQTT, publishing"
		tw_broker_stop
		stopped
	}
	# shellcheck disable=SC2317 # called through each
	changing() {
		publishing "$1" "changing-$1"
		measure "$1 (c) the same, every state changing every second"
		tw_broker_stop
		sleep "$SETTLE_S"
		measure "$1 (d) the same, the broker stopped"
		stopped
	}
	each still
	for ((b = 0; b < BATTERIES; b++)); do
		printf 'every 2000 do b%d set amps=5\nafter 1000 every 2000 do b%d set amps=6\n' "$b" "$b"
	done >"$TW_CTL"
	for ((i = 1; i <= CHARGERS; i++)); do
		printf 'every 2000 do c%d output amps=5\nafter 1000 every 2000 do c%d output amps=6\n' "$i" "$i"
	done >"$TW_CTL"
	each changing
	exit 0
fi

# ------------------------------------------------------------ outside ----
bench_outside_init "$@"
if ! command -v mosquitto >/dev/null || ! command -v mosquitto_sub >/dev/null; then
	echo "needs mosquitto and mosquitto_sub (apt-get install mosquitto mosquitto-clients)" >&2
	exit 2
fi
{
	for ((i = 1; i <= CHARGERS; i++)); do
		printf 'at %d node c%d behaviour=ro500 unique=%d address=0x%02X\n' $(((i - 1) * 60)) "$i" $((1000 + i)) $((0x41 + i))
		printf 'at %d every 5000 do c%d status\n' $(((i - 1) * 600)) "$i"
	done
	for ((b = 0; b < BATTERIES; b++)); do
		echo "node b$b behaviour=battery unique=$((3000 + b)) address=$((10 + b))"
		echo "do b$b period all 1000"
	done
	echo "at 500 echo ready"
} >"$work/mqtt.scn"
echo "mqtt bench: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
[[ -z ${MQTT_BEFORE:-} ]] || MQTT_BEFORE=$(readlink -f "$MQTT_BEFORE")
MQTT_BEFORE=${MQTT_BEFORE:-} tw_sandbox "$work/state" "$work/mqtt.scn" -- bash "$self" --inside "$daemon"
