#!/usr/bin/env bash
# RO500 chargers as the router's user sees them: each charger gets a virtual serial
# port that announces it, shows its answers and a status line about once a second,
# carries typed lines to it, reports its faults, says when it goes offline, keeps
# its number across restarts and writes a log file. The real daemon runs in the
# router sandbox against the simulator's RO500 model; the test is the user at
# /dev/tnt0 (and /dev/tnt2) and reads the ports, the log files, the uci store and
# the simulator's candump log.
#
# Usage: test_daemon_ro500.sh TIDEWIRE SIMULATOR [online|chunks|offline|ports|faults|logfile|reopen]...
#        (no group: all of them)
#
# shellcheck disable=SC1010 # "do" is a word of the simulator's commands
# shellcheck disable=SC2015 # "a && b || fail": fail when either fails
# shellcheck disable=SC2016 # '$RAS:@' is the charger's own text
set -u
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# TERMINAL (17E00h) at priority 7 from the daemon (177, 0xB1) to charger c1 (0x42)
# and to charger c2 (0x43); "$RAS:@" in it, the unused bytes 0xFF.
TO_C1=1D7E42B1
TO_C2=1D7E43B1
RAS=245241533A40FFFF

# c1's answer to "$RAS:@" as the port shows it: the echo, the status lines, AOK.
ANSWER="\$RAS:@
$TW_RO500_LINES
AOK;"

# =============================================================== inside ====

# last_heartbeat_before SECONDS: time of c1's last CHARGER_STATUS_2 (1FEA3h,
# priority 6) logged before SECONDS.
last_heartbeat_before() {
	tw_frames_id "$TW_LOG" 0 19FEA342 | awk -v t="$1" '$1 < t { last = $1 } END { print last }'
}

# check_offline_delay WHAT AFTER: the port shows "RO500 #1001 OFFLINE" after AFTER
# within 5 s, and no sooner than 1500 ms after c1's last heartbeat on the bus.
# The port's times are taken later than the daemon writes, the log's when the
# simulator sends, so only the daemon's whole milliseconds can make it shorter.
check_offline_delay() {
	local what=$1 from=$2 at delay
	OFFLINE_AT=''
	if ! tw_port_wait 5 tnt0 "RO500 #1001 OFFLINE" "$from"; then
		tw_fail "$what: no 'RO500 #1001 OFFLINE' at /dev/tnt0 within 5 s"
		return 1
	fi
	read -r OFFLINE_AT at < <(tw_port_find tnt0 "RO500 #1001 OFFLINE" "$from")
	delay=$(awk -v a="$at" -v h="$(last_heartbeat_before "$at")" 'BEGIN { printf "%.3f", a - h }')
	awk -v d="$delay" 'BEGIN { exit !(d >= 1.499 && d < 3) }' ||
		tw_fail "$what: OFFLINE came $delay s after the last heartbeat (want 1.5 s, and less than 3 s)"
}

# processed_by_now ID AFTER: waits until c1's frame ID, logged after line AFTER,
# has surely been handled: an AST line reaches the port 0.3 s after it or later.
processed_by_now() {
	# shellcheck disable=SC2317 # called through tw_wait
	_frame_then_tick() {
		local t
		t=$(tw_frames_id "$TW_LOG" "$2" "$1" | tail -1 | cut -d' ' -f1)
		[[ -n $t ]] && tw_port_ast tnt0 | awk -v t="$t" '$2 > t + 0.3 { found = 1 } END { exit !found }'
	}
	tw_wait 5 _frame_then_tick "$1" "$2" || tw_fail "$TW_RUN: no $1 from c1 on the bus, or no AST line after it"
}

# A charger appears: ONLINE, the status request on the bus, the answer at the port,
# then an AST line about once a second that charger status 2 and charger status
# refresh; the uci table names its port. (DC source status messages refresh fields
# 2, 4 to 10 as well; the daemon has no handlers for them yet, so they are left out.)
phase_online() {
	local n mark stamps
	tw_read_port tnt0 /dev/tnt0
	tw_start_claimed online -d 4 || { tw_stop; return; }
	tw_expect "the daemon's address" 177 "$TW_ADDR"
	tw_await_answered tnt0 1001 || { tw_stop; return; }
	tw_await_frame 1 "$TW_FROM" "$TO_C1" "$RAS" || tw_fail "no TERMINAL '\$RAS:@' to c1 ($TO_C1#$RAS) on the bus"
	tw_expect "/dev/tnt0 up to the end of the answer" "RO500 #1001 ONLINE
$ANSWER" "$(tw_port tnt0 | head -n "$TW_AOK_AT")"

	# The charger's line says 40 in field 11; its heartbeat carries the byte 0x50,
	# 40 C with RV-C's 40-degree offset: the field stays 40.
	tw_port_wait 5 tnt0 "AST;,100.50, ,13.20,4.5,-2.0,60, ,14.40,30,432,21, ,25,40, ,1800, ,13.95,7,8,90" "$TW_AOK_AT" ||
		tw_fail "no AST line with the heartbeat's values after the answer: $(tw_port tnt0 "$TW_AOK_AT" | head -3)"

	# About once a second: 6 lines in a row, 0.8 to 1.25 s apart on average. Each
	# gap alone may be off by a late read of the port, which the next gap makes up.
	tw_port_wait_ast 10 tnt0 "$TW_AOK_AT" 6 || tw_fail "fewer than 6 AST lines within 10 s of the answer"
	stamps=$(tw_port_ast tnt0 "$TW_AOK_AT" | head -6 | cut -d' ' -f2 | xargs)
	awk -v s="$stamps" 'BEGIN {
		n = split(s, t, " "); if (n < 6) exit 1
		for (i = 2; i <= n; i++) if (t[i] - t[i-1] < 0.4 || t[i] - t[i-1] > 2) exit 1
		exit !((t[n] - t[1]) / (n - 1) >= 0.8 && (t[n] - t[1]) / (n - 1) <= 1.25)
	}' || tw_fail "AST lines not about a second apart; arrival times: $stamps"

	tw_expect "uci tty assignment" "1001:1:RO500" "$(uci -q get 'tidewire.@can[0].ttyassignment')"

	# Charger status 2 (the heartbeat): 12.60 V, -3.5 A, 25 C, on the bus
	# Vdc 252, Adc 31930, Temp 65. Fields 13, 3 and 11.
	mark=$(tw_port_mark tnt0)
	tw_sim do c1 output volts=12.60 amps=-3.5 temp=25
	tw_wait 5 tw_port_has_ast tnt0 "$mark" 13=12.60 3=-3.5 11=25 ||
		tw_fail "charger status 2: no AST line with 13=12.60 3=-3.5 11=25 within 5 s: $(tw_port_ast tnt0 "$mark" | tail -1)"

	# Charger status: 14.10 V, 12.5 A, 40 % (80 on the bus, half-percent steps),
	# charge state 5 (shown as 38). Fields 13, 3, 16 and 9. The heartbeat goes on
	# without voltage and current (not available), so that it does not overwrite them.
	tw_sim every 250 send c1 1FEA3h ChrgInst=1 DCInst=1 DevPri=80 Temp=65
	tw_sim do c1 heartbeat off
	sleep 0.6
	mark=$(tw_port_mark tnt0)
	tw_sim do c1 status volts=14.10 amps=12.5 percent=40 state=5
	tw_wait 5 tw_port_has_ast tnt0 "$mark" 13=14.10 3=12.5 16=80 9=38 11=25 ||
		tw_fail "charger status: no AST line with 13=14.10 3=12.5 16=80 9=38 11=25 within 5 s: $(tw_port_ast tnt0 "$mark" | tail -1)"
	n=$(tw_port_count tnt0 "RO500 #1001 OFFLINE")
	tw_expect "OFFLINE lines while the heartbeat went on" 0 "$n"
	tw_stop
}

# frame_gaps_ok TIMES...: every time 50 ms after the one before, less what the
# measurement takes off: the daemon counts whole milliseconds (up to 1 ms less in
# real time) and the log's times are when the simulator read each frame, so a
# frame read late shortens the gap after it. 45 ms still fails any sending that
# is not paced. Prints the shortest gap.
frame_gaps_ok() {
	awk -v s="$*" 'BEGIN {
		n = split(s, t, " "); min = 1
		for (i = 2; i <= n; i++) if (t[i] - t[i-1] < min) min = t[i] - t[i-1]
		if (n > 1) printf "FIGURES shortest gap between TERMINAL messages in the log: %.1f ms\n", min * 1000
		exit min < 0.045
	}'
}

# typed WHAT TEXT FRAMES...: TEXT and a line feed typed at /dev/tnt0 go to c1 as
# exactly these TERMINAL messages, at least 50 ms apart.
typed() {
	local what=$1 text=$2 mark got times
	shift 2
	mark=$(tw_log_lines "$TW_LOG")
	printf '%s\n' "$text" >/dev/tnt0
	# shellcheck disable=SC2317 # called through tw_wait
	_sent() { (($(tw_frames_id "$TW_LOG" "$mark" "$TO_C1" | wc -l) >= $#)); }
	tw_wait 5 _sent "$@" || true
	sleep 0.3 # nothing more may follow
	got=$(tw_frames_id "$TW_LOG" "$mark" "$TO_C1" | cut -d' ' -f2 | xargs)
	tw_expect "$what: TERMINAL messages to c1" "$*" "$got"
	times=$(tw_frames_id "$TW_LOG" "$mark" "$TO_C1" | cut -d' ' -f1 | xargs)
	frame_gaps_ok "$times" || tw_fail "$what: messages not 50 ms apart; times: $times"
}

# Typed lines go to the charger in pieces of 8 characters, 50 ms apart.
phase_chunks() {
	local mark
	tw_read_port tnt0 /dev/tnt0
	tw_start_claimed chunks -d 4 && tw_await_answered tnt0 1001 || { tw_stop; return; }
	mark=$(tw_port_mark tnt0)
	# 20 characters and a line feed: 8, 8 and 5 ("QRST\n").
	typed "a 20-character line" ABCDEFGHIJKLMNOPQRST 4142434445464748 494A4B4C4D4E4F50 515253540AFFFFFF
	# The charger's echo and answer come back to the port.
	tw_port_wait 5 tnt0 "ABCDEFGHIJKLMNOPQRST" "$mark" && tw_port_wait 5 tnt0 "AOK;" "$mark" ||
		tw_fail "the charger's echo of the typed line and its AOK did not reach /dev/tnt0"
	# 15 characters and a line feed: 8, 8, and a message with no characters.
	typed "a 15-character line" abcdefghijklmno 6162636465666768 696A6B6C6D6E6F0A FFFFFFFFFFFFFFFF
	# A command ends at its "@": the line feed typed after it stays behind.
	typed "a typed status request" '$RAS:@' "$RAS"
	tw_stop
}

# The heartbeat stops, or the charger goes quiet: OFFLINE 1500 ms after its last
# heartbeat; when it is back, ONLINE on the same port and a new status request. A
# charger without a heartbeat that still answers on the bus stays OFFLINE meanwhile:
# one line, and no TERMINAL text to it.
phase_offline() {
	local mark online t lm
	tw_read_port tnt0 /dev/tnt0
	tw_start_claimed offline -d 4 && tw_await_answered tnt0 1001 || { tw_stop; return; }

	mark=$(tw_port_mark tnt0)
	lm=$(tw_log_lines "$TW_LOG")
	tw_sim do c1 heartbeat off
	check_offline_delay "heartbeat off" "$mark"
	sleep 10
	tw_expect "heartbeat off for 10 s: lines about c1" "RO500 #1001 OFFLINE" "$(tw_port tnt0 "$mark" | grep 'RO500 #')"
	# TERMINAL is PGN 97792 (17E00h); c1 is the only node the daemon could send it to.
	tw_expect "heartbeat off for 10 s: TERMINAL frames from the daemon" "" \
		"$(tw_frames_from "$TW_LOG" "$lm" "$TW_ADDR" | grep '^97792 ')"
	tw_frames_from "$TW_LOG" "$lm" 66 | grep -q '^60928 ' || tw_fail "heartbeat off: c1 (66) claimed no address on the bus"
	t=$EPOCHREALTIME
	tw_sim do c1 heartbeat on
	if [[ -n $OFFLINE_AT ]] && tw_port_wait 10 tnt0 "RO500 #1001 ONLINE" "$OFFLINE_AT"; then
		tw_wait 3 ras_after "$t" || tw_fail "heartbeat back: no '\$RAS:@' to c1 after the heartbeat came back"
		# The last ONLINE stands: no OFFLINE after it, AST lines again.
		online=$(tw_port tnt0 | grep -n 'RO500 #1001 ' | tail -1 | cut -d: -f1)
		tw_port_wait_ast 8 tnt0 "$online" 3 || tw_fail "heartbeat back: fewer than 3 AST lines after ONLINE"
		tw_expect "heartbeat back: OFFLINE lines after the last ONLINE" 0 "$(tw_port_count tnt0 "RO500 #1001 OFFLINE" "$online")"
	else
		tw_fail "heartbeat back: no new 'RO500 #1001 ONLINE' at /dev/tnt0 within 10 s"
	fi

	mark=$(tw_port_mark tnt0)
	tw_sim silent c1
	check_offline_delay "silent" "$mark"
	sleep 2.5
	tw_expect "silent: ONLINE lines while the charger is quiet" 0 "$(tw_port_count tnt0 "RO500 #1001 ONLINE" "$mark")"
	t=$EPOCHREALTIME
	mark=$(tw_port_mark tnt0)
	tw_sim resume c1
	if tw_await_answered tnt0 1001 "$mark"; then
		ras_after "$t" || tw_fail "resumed: no '\$RAS:@' to c1 after the resume"
		tw_port_wait_ast 5 tnt0 "$TW_AOK_AT" 1 || tw_fail "resumed: no AST line after the answer"
	fi
	tw_stop
}
# ras_after SECONDS: a "$RAS:@" to c1 was logged after that time.
ras_after() { tw_frames_id "$TW_LOG" 0 "$TO_C1" | awk -v t="$1" -v r="$RAS" '$1 > t && $2 == r { f = 1 } END { exit !f }'; }

# A second charger gets the next pair; after a restart, with the second one found
# first, both keep their ports.
phase_ports() {
	local m0 m2
	tw_read_port tnt0 /dev/tnt0
	tw_read_port tnt2 /dev/tnt2
	tw_start_claimed ports -d 4 && tw_await_answered tnt0 1001 || { tw_stop; return; }
	tw_sim node c2 behaviour=ro500 unique=1002 address=0x43
	tw_sim do c2 pace 10
	tw_await_answered tnt2 1002 && tw_await_frame 1 "$TW_FROM" "$TO_C2" "$RAS" ||
		tw_fail "c2: no '\$RAS:@' to c2 ($TO_C2#$RAS) on the bus"
	tw_expect "uci tty assignment" "1001:1:RO500 1002:3:RO500" "$(uci -q get 'tidewire.@can[0].ttyassignment')"
	tw_stop

	m0=$(tw_port_mark tnt0)
	m2=$(tw_port_mark tnt2)
	tw_sim silent c1
	sleep 0.2
	tw_start_claimed ports-restart -d 4 || { tw_stop; return; }
	tw_await_answered tnt2 1002 "$m2"
	tw_sim resume c1
	tw_await_answered tnt0 1001 "$m0"
	tw_expect "after the restart: uci tty assignment" "1001:1:RO500 1002:3:RO500" "$(uci -q get 'tidewire.@can[0].ttyassignment')"
	tw_expect "c2's ONLINE lines at /dev/tnt0" 0 "$(tw_port_count tnt0 "RO500 #1002 ONLINE")"
	tw_expect "c1's ONLINE lines at /dev/tnt2" 0 "$(tw_port_count tnt2 "RO500 #1001 ONLINE")"
	tw_stop
}

# A lit fault: one FLT line per transition. A changed configuration: a new status
# request.
phase_faults() {
	local mark lm
	tw_read_port tnt0 /dev/tnt0
	tw_start_claimed faults -d 4 && tw_await_answered tnt0 1001 || { tw_stop; return; }
	mark=$(tw_port_mark tnt0)
	tw_sim do c1 fault 300 3 yellow
	tw_port_wait 5 tnt0 "FLT;,300,-99" "$mark" || tw_fail "fault: no 'FLT;,300,-99' at /dev/tnt0 within 5 s"
	lm=$(tw_log_lines "$TW_LOG")
	tw_sim do c1 diag # the same message again
	processed_by_now 19FECA42 "$lm"
	tw_expect "fault: FLT lines after the same message again" 1 "$(tw_port_count tnt0 "FLT;,300,-99" "$mark")"
	tw_sim do c1 fault 300 3 yellow # raised again: its count goes up by one
	# shellcheck disable=SC2317 # called through tw_wait
	_second() { (($(tw_port_count tnt0 "FLT;,300,-99" "$mark") >= 2)); }
	tw_wait 5 _second || tw_fail "fault raised again: no second 'FLT;,300,-99' within 5 s"
	lm=$(tw_log_lines "$TW_LOG")
	tw_sim do c1 clear
	processed_by_now 19FECA42 "$lm"
	tw_expect "fault: FLT lines after both lamps went off" 2 "$(tw_port_count tnt0 "FLT;,300,-99" "$mark")"

	# The first configuration is only taken note of; a changed one asks again.
	lm=$(tw_log_lines "$TW_LOG")
	tw_sim do c1 config
	processed_by_now 19FFC642 "$lm"
	[[ -z $(tw_frames_id "$TW_LOG" "$lm" "$TO_C1") ]] || tw_fail "first configuration: the daemon sent TERMINAL text to c1"
	lm=$(tw_log_lines "$TW_LOG")
	tw_sim do c1 configure battery=3
	tw_await_frame 5 "$lm" "$TO_C1" "$RAS" || tw_fail "changed configuration: no '\$RAS:@' to c1 within 5 s"
	tw_stop
}

# log_stamp_ok WHAT LINE BEFORE AFTER: LINE starts with a UTC time stamp
# "YYYY-MM-DD HH:MM:SS " between BEFORE and AFTER (date -u's own text).
log_stamp_ok() {
	local stamp=${2:0:19}
	[[ ${2:0:20} =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}:[0-9]{2}\ $ ]] ||
		{ tw_fail "$1: no time stamp at the start of '$2'"; return; }
	[[ ! $stamp < $3 && ! $stamp > $4 ]] || tw_fail "$1: stamp '$stamp' is not between 'date -u' $3 and $4"
}

# _log_lines_reached FILE N: FILE has N lines or more.
_log_lines_reached() { (($(tw_log_lines "$1") >= $2)); }

# Without -l no log file; with -l the file gets the AST line and one rotating
# line every ninth tick, stamped in UTC, and nothing during the first eight. With
# -r 200 the ninth tick's two lines (about 160 bytes) fit, the eighteenth's do not:
# they start a new file under the name, the full one kept as NAME.1.
phase_logfile() {
	local nolog=$TW_OUT/nolog logs=$TW_OUT/logs file before after ast9 ast18 mark lines
	tw_read_port tnt0 /dev/tnt0
	mkdir -p "$nolog" "$logs"
	cd "$nolog" || return
	tw_start_claimed nolog -d 4
	cd - >/dev/null || return
	tw_await_answered tnt0 1001 && { tw_port_wait_ast 5 tnt0 "$TW_AOK_AT" 1 || tw_fail "without -l: no AST line"; }
	tw_stop
	tw_expect "without -l: files in the daemon's working directory" "" "$(ls -A "$nolog")"

	# A time zone far from UTC, so that a local time stamp would show.
	mark=$(tw_port_mark tnt0)
	export TZ=TWT-5:45
	tw_start_claimed logged -d 4 -l "$logs" -r 200 || { tw_stop; return; }
	unset TZ
	tw_await_answered tnt0 1001 "$mark" || { tw_stop; return; }
	file=$logs/RO500-1001:RO500.log
	tw_expect "files in the log directory" "RO500-1001:RO500.log" "$(ls -A "$logs")"
	tw_port_wait_ast 15 tnt0 "$TW_AOK_AT" 8 || { tw_fail "fewer than 8 AST lines"; tw_stop; return; }
	tw_expect "log file after eight ticks" "0" "$(wc -c <"$file")"
	before=$(date -u '+%F %T')
	tw_port_wait_ast 3 tnt0 "$TW_AOK_AT" 9 && tw_wait 2 _log_lines_reached "$file" 2 ||
		{ tw_fail "ninth tick: no AST line at the port or no lines in the log file"; tw_stop; return; }
	after=$(date -u '+%F %T')
	ast9=$(tw_port_ast tnt0 "$TW_AOK_AT" | sed -n 9p | cut -d' ' -f3-)
	# The rotating line is the charger's own, its "\r\n" kept.
	mapfile -t lines < <(tr -d '\r' <"$file")
	tw_expect "log file after the ninth tick" "$ast9
CPE;,2,14.40,13.60,13.20,30,240" "$(printf '%s\n' "${lines[@]}" | cut -c21-)"
	log_stamp_ok "ninth tick, AST line" "${lines[0]}" "$before" "$after"
	log_stamp_ok "ninth tick, CPE line" "${lines[1]:-}" "$before" "$after"
	tw_expect "ninth tick: the CPE line at the port right after the AST line" "CPE;,2,14.40,13.60,13.20,30,240" \
		"$(tw_port tnt0 "$(tw_port_ast tnt0 "$TW_AOK_AT" | sed -n 9p | cut -d' ' -f1)" | head -1)"

	tw_port_wait_ast 12 tnt0 "$TW_AOK_AT" 18 && tw_wait 2 test -e "$file.1" && tw_wait 2 _log_lines_reached "$file" 2 ||
		{ tw_fail "eighteenth tick: no AST line at the port or no new lines in the log file"; tw_stop; return; }
	sleep 0.2
	ast18=$(tw_port_ast tnt0 "$TW_AOK_AT" | sed -n 18p | cut -d' ' -f3-)
	tw_expect "log files after the eighteenth tick" "RO500-1001:RO500.log RO500-1001:RO500.log.1" "$(cd "$logs" && echo *)"
	tw_expect "RO500-1001:RO500.log.1 after the eighteenth tick" "$ast9
CPE;,2,14.40,13.60,13.20,30,240" "$(tr -d '\r' <"$file.1" | cut -c21-)"
	tw_expect "log file after the eighteenth tick" "$ast18
NPC;,1,230,50,16" "$(tr -d '\r' <"$file" | cut -c21-)"
	echo "FIGURES log size limit 200 bytes: NAME.1 $(wc -c <"$file.1") bytes, NAME $(wc -c <"$file") bytes"
	tw_stop
}

# cpu_idle WHAT SECONDS: the daemon uses less than 5 % of a core over SECONDS.
cpu_idle() {
	local cpu
	cpu=$(tw_cpu_percent "$2")
	echo "FIGURES $1: CPU $cpu % over $2 s"
	tw_below "$cpu" 5 || tw_fail "$1: the daemon used $cpu % of a core over $2 s (want under 5 %)"
}

# The user closes /dev/tnt0 and opens it again: the daemon stays idle, the pair
# survives, and the port works again.
phase_reopen() {
	local lm mark pair i fd
	tw_read_port tnt0 /dev/tnt0
	tw_start_claimed reopen -d 4 && tw_await_answered tnt0 1001 || { tw_stop; return; }
	tw_port_wait_ast 5 tnt0 "$TW_AOK_AT" 2 || tw_fail "no AST lines before the port was closed"
	pair=$(readlink /dev/tnt0 /dev/tnt1 | xargs)
	kill "$TW_READER_PID"
	wait "$TW_READER_PID" 2>/dev/null
	# A few more quick opens and closes, as programs that probe a port make.
	for ((i = 0; i < 5; i++)); do
		exec {fd}<>/dev/tnt0
		exec {fd}>&-
		sleep 0.1
	done
	cpu_idle "port closed" 4
	tw_expect "the /dev/tnt0 pair after the closes" "$pair" "$(readlink /dev/tnt0 /dev/tnt1 | xargs)"

	tw_read_port tnt0-again /dev/tnt0
	sleep 0.3 # what the port kept while closed arrives first
	mark=$(tw_port_mark tnt0-again)
	lm=$(tw_log_lines "$TW_LOG")
	printf 'hello\n' >/dev/tnt0
	tw_await_frame 5 "$lm" "$TO_C1" 68656C6C6F0AFFFF || tw_fail "reopened: 'hello' typed at /dev/tnt0 did not reach c1"
	if tw_port_wait 5 tnt0-again "AOK;" "$mark"; then
		read -r i _ < <(tw_port_find tnt0-again "AOK;" "$mark")
		tw_port_wait_ast 5 tnt0-again "$i" 2 || tw_fail "reopened: no AST lines after the answer to 'hello'"
	else
		tw_fail "reopened: c1's answer to 'hello' did not reach /dev/tnt0"
	fi
	cpu_idle "port open again" 3
	tw_stop
}

TW_SCENARIO=$TW_HERE/scenarios/ro500.scn
tw_main "RO500 chargers at their ports" online chunks offline ports faults logfile reopen -- "$@"
