#!/usr/bin/env bash
# The daemon on a hostile or broken bus, as a user of the router would see it: a node
# that chases three of its addresses, a bus with no address left, a device with its
# own NAME, a serial-line adapter that resets behind its back, and a huge model file.
# The real daemon runs in the router sandbox against the simulator; the checks read
# the simulator's candump log, the console, the uci store and /proc.
#
# Usage: test_daemon_hostile.sh TIDEWIRE SIMULATOR [chase|fullbus|twin|adapter|bigmodel]...
#        (no group: all of them)
#
# shellcheck disable=SC1010 # "do" is a word of the simulator's commands
set -u
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# The daemon's NAME in the sandbox (unique number 204, manufacturer 277, function
# 150, class 30, marine, arbitrary address capable).
DAEMON_NAME=0xC03C960022A000CC

stored() { uci -q get 'tidewire.@can[0].canaddress'; }

# A chaser that takes three addresses and stops: three moves, one store of the
# address that stands. (A chaser that never stops is the group "chase" of
# test_daemon_faults.sh.)
phase_chase() {
	local mark
	tw_start_settled shortchase -d 1 || { tw_stop; return; }
	mark=$(tw_log_lines "$TW_LOG")
	tw_sim do thief start 3
	tw_sim send probe 59904 Destination=255 RequestedPGN=60928
	# shellcheck disable=SC2317
	_settled_at_38() { [[ $(stored) == 38 ]]; }
	tw_wait 15 _settled_at_38 || tw_fail "short chase: stored '$(stored)', expected 38"
	tw_expect "short chase: addresses claimed (the answer, then three moves)" "35 36 37 38" "$(tw_daemon_claims_after "$mark" | awk '{ print $2 }' | xargs)"
	tw_expect "short chase: console" $'Resettign my CAN address to: 36\nResettign my CAN address to: 37\nResettign my CAN address to: 38' \
		"$(tw_console | grep '^Resettign')"
	tw_stop
}

# Every address defended by a lower NAME: "cannot claim" on the bus and the console;
# once the defenders go quiet the daemon comes back within a minute.
phase_fullbus() {
	local a mark claimed
	tw_start fullbus -d 1
	# shellcheck disable=SC2317
	_cannot() { tw_daemon_claims | grep -q '^18EEFFFE '; }
	tw_wait 10 _cannot || tw_fail "full bus: no cannot-claim (18EEFFFE) from the daemon within 10 s"
	tw_await_console 5 "No CAN address left to claim"
	mark=$(tw_log_lines "$TW_LOG")
	for ((a = 0; a < 254; a++)); do printf 'silent d%d\n' "$a"; done >"$TW_CTL"
	# shellcheck disable=SC2317
	_claims_again() { tw_daemon_claims_after "$mark" | awk '$2 < 254' | grep -q .; }
	if tw_wait 65 _claims_again; then
		claimed=$(tw_daemon_claims_after "$mark" | awk '$2 < 254 { print $2; exit }')
		tw_expect "full bus, defenders quiet: address claimed" 177 "$claimed"
	else
		tw_fail "full bus: no claim of a real address within 65 s of the defenders going quiet"
	fi
	tw_stop
	grep -q '=254' "$SANDBOX_STATE/uci.log" 2>/dev/null && tw_fail "full bus: 254 was stored"
}

# Another device with the daemon's own NAME takes 177: the daemon leaves it, and a
# request to 177 gets one answer.
phase_twin() {
	local mark answers
	tw_start_settled twin -d 1 || { tw_stop; return; }
	tw_expect "twin: first address" 177 "$TW_ADDR"
	mark=$(tw_log_lines "$TW_LOG")
	tw_sim node twin name=$DAEMON_NAME address=177 model=Twin
	# shellcheck disable=SC2317
	_left() { tw_daemon_claims_after "$mark" | awk '$2 != 177' | grep -q .; }
	tw_wait 5 _left || tw_fail "twin: the daemon did not leave 177"
	tw_await_console 5 "uses this node's NAME"
	sleep 1
	mark=$(tw_log_lines "$TW_LOG")
	tw_sim send probe 59904 Destination=177 RequestedPGN=126996
	sleep 1
	# First frames (frame counter 0) of product information from 177.
	answers=$(tw_frames_from "$TW_LOG" "$mark" 177 | awk "$_TW_AWK_FRAMES"'$1 == 126996 && hex(substr($2, 1, 2)) % 32 == 0' | wc -l)
	tw_expect "twin: answers to a request to 177" 1 "$answers"
	tw_stop
}

# The adapter loses power but its tty stays: the daemon opens the channel again and
# claims again within a few seconds.
phase_adapter() {
	local mark
	tw_start_settled adapter -d 1 || { tw_stop; return; }
	sleep 1
	mark=$(tw_log_lines "$TW_LOG")
	tw_sim adapter reset
	# shellcheck disable=SC2317
	_back() { awk -v m="$mark" 'NR > m && /^# link ready/ { ok = 1 } END { exit !ok }' "$TW_LOG" &&
		[[ -n $(tw_daemon_claims_after "$mark") ]]; }
	tw_wait 8 _back || tw_fail "adapter reset: no open sequence and claim within 8 s"
	tw_stop
}

# A 40 MB model file: the daemon still claims, and it costs no more memory than a
# model file of one line (compared with the same daemon, so that a build with
# sanitizers, which needs more of its own, is judged fairly).
phase_bigmodel() {
	local big small
	tw_start_settled bigmodel -d 1 || { tw_stop; return; }
	big=$(tw_status VmHWM)
	tw_stop
	echo "Tolvane TW-1" >/etc/openwrt_model
	tw_start_settled smallmodel -d 1 || { tw_stop; return; }
	small=$(tw_status VmHWM)
	tw_stop
	echo "FIGURES 40 MB model file: peak resident memory $big kB ($small kB with a one-line model file)"
	((big - small < 2048)) || tw_fail "40 MB model file: peak resident memory $big kB, $((big - small)) kB more than with a one-line file"
}

# ============================================================== outside ====

TW_SCENARIO=$TW_HERE/scenarios/quiet_bus.scn
outside_chase() {
	local config scn
	config=$(tw_config_address 35)
	scn=$(tw_scenario chase "$TW_SCENARIO" "node thief behaviour=chaser aac=0 address=100" "do thief stop")
	tw_sandbox_phase chase "$scn" --config "$config"
}
outside_fullbus() {
	local a
	{
		for ((a = 0; a < 254; a++)); do echo "node d$a aac=0 address=$a unique=$((a + 1))"; done
		echo "echo ready"
	} >"$TW_WORK/fullbus.scn"
	tw_sandbox_phase fullbus "$TW_WORK/fullbus.scn"
}
outside_bigmodel() {
	head -c $((40 * 1024 * 1024)) /dev/zero | tr '\0' 'M' >"$TW_WORK/model40M"
	tw_sandbox_phase bigmodel "$TW_SCENARIO" --model-file "$TW_WORK/model40M"
}
tw_main "daemon on a hostile bus" chase fullbus twin adapter bigmodel -- "$@"
