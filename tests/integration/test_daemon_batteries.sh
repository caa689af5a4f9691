#!/usr/bin/env bash
# Battery logging as a user of the router sees it: the real daemon in the router
# sandbox, the simulator on the CAN link, battery log files in a folder of the
# sandbox's state, the console. Groups:
#   log      a battery's statuses, its file and its "DCS;" lines every 10 s, value by
#            value, not-available values; a simulated battery monitor with two banks
#   identity a sender the device list does not know registers nothing until it is
#            known; another node at the address gets a file of its own; a model ID
#            with '/' keeps its file in the log folder
#   console  without -l: no file, the console lines by debug level
#
# Usage: test_daemon_batteries.sh TIDEWIRE SIMULATOR [log|identity|console]...
#        (no group: all of them)
set -u
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# dcs FILE [INSTANCE]: the file's DCS lines (of one instance), stamps removed.
dcs() { sed -n 's/^[0-9-]\{10\} [0-9:]\{8\} //p' "$1" 2>/dev/null | awk -F, -v i="${2:-}" 'i == "" || $2 == i'; }
# stamps FILE [INSTANCE]: the UTC stamps of those lines in seconds since 1970.
stamps() {
	local line
	awk -F, -v i="${2:-}" 'i == "" || $2 == i' "$1" 2>/dev/null | cut -c1-19 | while read -r line; do
		date -u -d "$line" +%s
	done
}
# lines_at_least FILE N [INSTANCE]
lines_at_least() { (($(dcs "$1" "${3:-}" | wc -l) >= $2)); }

# check_line WHAT EXPECTED ACTUAL: a DCS line compared field by field, each field
# named in the message.
check_line() {
	local what=$1 want=$2 got=$3 i
	local -a names=(tag instance devPri - Vdc Adc - Temp SOC TR - SOH CapRem RelCap Ripple - DesCM
		DesVolt DesAmp BatType - Vdc5 dVdT - HVls HVld LVls LVld - PwrOnOff ChrgOnOff ChrgDet ResvStat
		BatAHCap DCPower)
	[[ $want == "$got" ]] && return
	local -a w g
	IFS=, read -r -a w <<<"$want"
	IFS=, read -r -a g <<<"$got"
	for ((i = 0; i < ${#names[@]} || i < ${#g[@]}; i++)); do
		[[ ${w[i]-} == "${g[i]-}" ]] || tw_fail "$what: field $i (${names[i]-extra}): expected '${w[i]-}', got '${g[i]-}'"
	done
	[[ ${#g[@]} == "${#w[@]}" ]] || tw_fail "$what: expected '$want', got '$got'"
}

# expected_dcs LOG SRC INSTANCE: the DCS line the daemon should write for what SRC
# last sent for INSTANCE, decoded from the candump log with the daemon's
# conversions and formats. A field sent as not available that never had a value
# shows the initial 0.
expected_dcs() {
	awk -v src="$2" -v inst="$3" "$_TW_AWK_FRAMES"'
	function u16(i) { return byte(DATA, i) + 256 * byte(DATA, i + 1) }
	function u32(i) { return u16(i) + 65536 * u16(i + 2) }
	function pair(b, s) { return int(b / 2 ^ s) % 4 == 1 }
	function g2(raw, na, v) { return raw == na ? "0" : sprintf("%.2g", v) }
	frame() && ID % 256 == src && byte(DATA, 0) == inst { last[pgn_of(ID)] = DATA }
	END {
		DATA = last[131069]; prio = byte(DATA, 1); s1 = g2(u16(2), 65535, u16(2) / 20) "," g2(u32(4), 4294967295, (u32(4) - 2000000000) / 1000)
		DATA = last[131068]; s2 = g2(u16(2), 65535, u16(2) * 0.03125 - 273) "," byte(DATA, 4) "," u16(5)
		DATA = last[131067]; s3 = byte(DATA, 2) "," u16(3) "," byte(DATA, 5) "," g2(u16(6), 65535, u16(6) / 1000)
		DATA = last[130761]; s4 = byte(DATA, 2) "," sprintf("%.2g", u16(3) / 20) "," sprintf("%g", (u16(5) - 32000) / 20) "," byte(DATA, 7) % 16
		DATA = last[130760]; s5 = g2(u32(2), 4294967295, u32(2) / 1000) "," g2(u16(6), 65535, (u16(6) - 32000) / 1000)
		DATA = last[130759]; b = byte(DATA, 2); s6 = pair(b, 0) "," pair(b, 2) "," pair(b, 4) "," pair(b, 6)
		DATA = last[130725]; b = byte(DATA, 2); s11 = pair(b, 0) "," pair(b, 2) "," pair(b, 4) "," pair(b, 6) "," u16(3) "," u16(5)
		printf "DCS;,%d,%d, ,%s, ,%s, ,%s, ,%s, ,%s, ,%s, ,%s\n", inst, prio, s1, s2, s3, s4, s5, s6, s11
	}' "$1"
}

# A battery at 35 (manufacturer 135, unique number 471, product code 0, model ID X1,
# no model version) sends every status once with known values; the daemon, in a
# time zone of +5:30, logs them to BAT-35:135:471:X1.log. Then not-available values,
# and a second instance from the same address, which gets a record and a file of its
# own. Beside it a simulated monitor of a house and a starter battery.
phase_log() {
	local logs=$TW_LOGS file t_reg first second houseFile bankFile i want h1 h2
	mkdir -p "$logs"
	file=$logs/BAT-35:135:471:X1.log
	houseFile=$logs/BAT-36:2046:900:310:LFP200:B.log
	TZ=XST-5:30 tw_start_settled log -d 4 -l "$logs" || { tw_stop; return; }
	tw_sim node house behaviour=battery unique=900 address=36
	tw_sim "do" house hold on
	tw_sim "do" house instances 1,2
	tw_await_known 35

	tw_sim send bat 1FFFDh Instance=1 DevPri=120 Vdc=265 Adc=1999995500 # 13.25 V, -4.5 A
	tw_await_console 5 "tBatteries::Add: Opened logfile("
	t_reg=$(date +%s)
	tw_sim send bat 1FFFCh Instance=1 DevPri=120 Temp=9536 SOC=175 TR=600 # 25 C, 87.5 %
	tw_sim send bat 1FFFBh Instance=1 DevPri=120 SOH=190 CapRem=150 CapRemPer=166 Ripple=120
	tw_sim send bat 1FEC9h Instance=1 DevPri=120 DesCM=2 DesVolt=288 DesAmp=35000 BatType=3 # 14.4 V, 150 A
	tw_sim send bat 1FEC8h Instance=1 DevPri=120 Vdc=13250 dVdT=32500 # 13.25 V, 0.5 V/s
	tw_sim send bat 1FEC7h Instance=1 DevPri=120 HVls=on HVld=off LVls=off LVld=off
	tw_sim send bat 1FEA5h Instance=1 DevPri=120 PwrOnOff=on ChrgOnOff=on ChrgDet=off ResvStat=off BatAHCap=200 DCPower=60
	tw_has_console "tBatteries::Add: Found new Battery at CANAddr=35/1/120/135/471" ||
		tw_fail "log: no 'Found new Battery' line for 35"
	if tw_has_console "tBatteries::Add: Opened logfile(-1)" || ! tw_has_console " $file"; then
		tw_fail "log: the console does not say $file was opened: $(tw_console | grep 'Opened logfile')"
	fi

	tw_wait 14 lines_at_least "$file" 1 || { tw_fail "log: no DCS line in $file within 14 s of the registration"; tw_stop; return; }
	check_line "log: first line" \
		"DCS;,1,120, ,13,-4.5, ,25,175,600, ,190,150,166,0.12, ,2,14,150,3, ,13,0.5, ,1,0,0,0, ,1,1,0,0,200,60" \
		"$(dcs "$file" | head -1)"
	first=$(stamps "$file" | head -1)
	# Stamped in UTC (not the daemon's +5:30), about 10 s after the registration.
	((first - t_reg >= 9 && first - t_reg <= 11)) ||
		tw_fail "log: first line stamped $first, $((first - t_reg)) s after the registration at $t_reg (expected 10)"

	# Not available: volts of statuses 1 and 5, temperature, ripple and the rate keep
	# their values; state of charge, time remaining and the desired values show what came.
	tw_sim send bat 1FFFDh Instance=1 DevPri=120 Vdc=na Adc=2000150000 # 150 A
	tw_sim send bat 1FFFCh Instance=1 DevPri=120 Temp=na SOC=na TR=na
	tw_sim send bat 1FFFBh Instance=1 DevPri=120 SOH=180 CapRem=140 CapRemPer=162 Ripple=na
	tw_sim send bat 1FEC9h Instance=1 DevPri=120 DesCM=6 DesVolt=na DesAmp=31900 BatType=2 # -5 A
	tw_sim send bat 1FEC8h Instance=1 DevPri=120 Vdc=na dVdT=na
	tw_sim send bat 1FEC7h Instance=1 DevPri=120 HVls=off HVld=off LVls=off LVld=off
	tw_sim send bat 1FEA5h Instance=1 DevPri=120 PwrOnOff=off ChrgOnOff=off ChrgDet=off ResvStat=off BatAHCap=na DCPower=0
	tw_wait 14 lines_at_least "$file" 2 1 || { tw_fail "log: no second DCS line within 14 s"; tw_stop; return; }
	check_line "log: second line" \
		"DCS;,1,120, ,13,1.5e+02, ,25,255,65535, ,180,140,162,0.12, ,6,nan,-5,2, ,13,0.5, ,0,0,0,0, ,0,0,0,0,65535,0" \
		"$(dcs "$file" 1 | sed -n 2p)"
	second=$(stamps "$file" 1 | sed -n 2p)
	((second - first >= 10 && second - first <= 12)) ||
		tw_fail "log: second line $((second - first)) s after the first (expected 10)"

	# A second instance from the same address (a starter battery): a record and a
	# file of its own, and the first instance's line keeps its own values.
	tw_sim send bat 1FFFDh Instance=2 DevPri=100 Vdc=254 Adc=2000000500 # 12.7 V, 0.5 A
	tw_wait 14 lines_at_least "$file" 3 || tw_fail "log: no third DCS line within 14 s"
	check_line "log: third line, after instance 2" \
		"DCS;,1,120, ,13,1.5e+02, ,25,255,65535, ,180,140,162,0.12, ,6,nan,-5,2, ,13,0.5, ,0,0,0,0, ,0,0,0,0,65535,0" \
		"$(dcs "$file" | sed -n 3p)"
	tw_has_console "Found new Battery at CANAddr=35/2/100/135/471" || tw_fail "log: instance 2 was not registered apart"
	tw_wait 14 lines_at_least "$logs/BAT-35.2:135:471:X1.log" 1 || tw_fail "log: no DCS line of instance 2 in BAT-35.2:135:471:X1.log"
	check_line "log: instance 2's line" \
		"DCS;,2,100, ,13,0.5, ,0,0,0, ,0,0,0,0, ,0,0,0,0, ,0,0, ,0,0,0,0, ,0,0,0,0,0,0" \
		"$(dcs "$logs/BAT-35.2:135:471:X1.log" | head -1)"

	# The simulated monitor (registered about 2 s after the battery above, when it
	# starts to report): each bank's file shows what it sent for that bank alone.
	for i in 1 2; do
		bankFile=$houseFile
		((i == 1)) || bankFile=$logs/BAT-36.$i:2046:900:310:LFP200:B.log
		tw_wait 6 lines_at_least "$bankFile" 2 || tw_fail "log: fewer than 2 lines of bank $i in $bankFile: $(ls "$logs")"
		tw_expect "log: lines of other banks in $bankFile" "" "$(dcs "$bankFile" | awk -F, -v i="$i" '$2 != i')"
		want=$(expected_dcs "$TW_LOG" 36 "$i")
		check_line "log: house bank $i" "$want" "$(dcs "$bankFile" "$i" | tail -1)"
	done
	h1=$(stamps "$houseFile" 1 | head -1)
	h2=$(stamps "$houseFile" 1 | sed -n 2p)
	((h2 - h1 >= 10 && h2 - h1 <= 12)) || tw_fail "log: house bank 1 lines $((h2 - h1)) s apart (expected 10)"
	tw_stop
}

# A node that sends without claiming its address (so the device list cannot know
# it) registers nothing; once a node there has claimed it, its next message
# registers it. Then another node takes that address, and a node whose model ID
# and version hold '/' and "..".
phase_identity() {
	local logs=$TW_LOGS old new mark
	mkdir -p "$logs"
	tw_start_settled identity -d 4 -l "$logs" || { tw_stop; return; }
	tw_sim send ghost 1FFFDh Instance=1 DevPri=120 Vdc=265 Adc=2000000000
	sleep 1
	tw_sim send ghost 1FFFDh Instance=1 DevPri=120 Vdc=265 Adc=2000000000
	sleep 1
	tw_has_console "Found new Battery" && tw_fail "identity: a node the device list does not know was registered"
	[[ -z $(ls "$logs") ]] || tw_fail "identity: files for an unknown node: $(ls "$logs")"

	tw_sim remove ghost
	tw_sim node known unique=472 mfr=135 product=5 model=G1 modelver=A address=40
	tw_await_known 40
	tw_sim send known 1FFFDh Instance=1 DevPri=120 Vdc=265 Adc=2000000000
	tw_await_console 5 "tBatteries::Add: Found new Battery at CANAddr=40/1/120/135/472"
	old=$logs/BAT-40:135:472:5:G1:A.log
	[[ -e $old ]] || tw_fail "identity: no $old: $(ls "$logs")"

	# Another node at 40: the old file gets nothing of it.
	tw_sim remove known
	mark=$(tw_log_lines "$TW_LOG")
	tw_sim node other unique=999 mfr=135 model=H2 address=40
	tw_await_known 40 "$mark"
	tw_sim send other 1FFFDh Instance=1 DevPri=120 Vdc=240 Adc=2000003000 # 12 V, 3 A
	tw_await_console 5 "tBatteries::Add: Found new Battery at CANAddr=40/1/120/135/999"
	tw_has_console "tBatteries::Add: Battery 135:472 no longer at CANAddr=40" ||
		tw_fail "identity: the console does not say the old battery left 40"
	new=$logs/BAT-40:135:999:1:H2:1.log

	# Names from the bus stay in the log folder.
	mark=$(tw_log_lines "$TW_LOG")
	tw_sim node slash unique=473 mfr=135 model=../../esc modelver=a/.. address=41
	tw_await_known 41 "$mark"
	tw_sim send slash 1FFFDh Instance=1 DevPri=120 Vdc=265 Adc=2000000000
	tw_await_console 5 "CANAddr=41/1/120/135/473"
	[[ -e "$logs/BAT-41:135:473:1:.._.._esc:a_...log" ]] || tw_fail "identity: no BAT-41:135:473:1:.._.._esc:a_...log: $(ls "$logs")"
	[[ -z $(find "$SANDBOX_STATE" -name '*esc*' ! -path "$logs/*") ]] ||
		tw_fail "identity: a file outside the log folder: $(find "$SANDBOX_STATE" -name '*esc*')"

	tw_wait 14 lines_at_least "$new" 1 || tw_fail "identity: no DCS line in $new"
	check_line "identity: the new node's line" "DCS;,1,120, ,12,3, ,0,0,0, ,0,0,0,0, ,0,0,0,0, ,0,0, ,0,0,0,0, ,0,0,0,0,0,0" \
		"$(dcs "$new" | head -1)"
	[[ -z $(dcs "$old") ]] || tw_fail "identity: the old node's file got lines: $(cat "$old")"
	tw_stop
}

# bat_status NAME LEVEL: the daemon at debug level LEVEL without -l; once it knows
# the battery (13.25 V, -4.5 A), the battery's first status.
bat_status() {
	tw_start_settled "$1" -d "$2" || return
	tw_await_known 35
	tw_sim send bat 1FFFDh Instance=1 DevPri=120 Vdc=265 Adc=1999995500
}

# Without -l: no file at any level; "Found new Battery" from debug level 4, never
# "Opened logfile"; the DCS line on the console from level 8.
phase_console() {
	bat_status quiet3 3 || { tw_stop; return; }
	sleep 1
	tw_has_console "Battery" && tw_fail "console: battery lines at debug level 3: $(tw_console | grep Battery)"
	tw_stop

	bat_status verbose8 8 || { tw_stop; return; }
	tw_await_console 5 "tBatteries::Add: Found new Battery at CANAddr=35/1/120/135/471"
	tw_has_console "Opened logfile" && tw_fail "console: 'Opened logfile' without -l"
	tw_open_files | grep -q BAT- && tw_fail "console: the daemon holds $(tw_open_files | grep BAT-) without -l"
	tw_await_console 14 "tBattery::poll:DCS;,1,120, ,13,-4.5, ,0,0,0, ,"
	tw_stop
	[[ -z $(find "$SANDBOX_STATE" "$PWD" -maxdepth 3 -name 'BAT-35:*' 2>/dev/null) ]] ||
		tw_fail "console: a battery file without -l: $(find "$SANDBOX_STATE" "$PWD" -maxdepth 3 -name 'BAT-35:*')"

	bat_status verbose4 4 || { tw_stop; return; }
	tw_await_console 5 "tBatteries::Add: Found new Battery at CANAddr=35/1/120/135/471"
	tw_has_console "Opened logfile" && tw_fail "console: 'Opened logfile' without -l at level 4"
	tw_stop
}

# ============================================================== outside ====

TW_SCENARIO=$TW_HERE/scenarios/quiet_bus.scn
# The example battery of the log file names: no product code, no model version.
BAT='node bat unique=471 mfr=135 product=0 model=X1 modelver="" address=35'
outside_log() { tw_sandbox_phase log "$(tw_scenario log "$TW_SCENARIO" "$BAT")"; }
outside_console() { tw_sandbox_phase console "$(tw_scenario console "$TW_SCENARIO" "$BAT")"; }
outside_identity() { tw_sandbox_phase identity "$(tw_scenario identity "$TW_SCENARIO" 'node ghost mode=send address=40')"; }
tw_main "battery logging" log identity console -- "$@"
