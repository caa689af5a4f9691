#!/usr/bin/env bash
# The daemon when the things around it fail, as the router's user would see it: the
# serial-line CAN adapter unplugged and plugged back, the log folder full or
# read-only, uci failing or hanging, the console device missing or unwritable, a
# flood of frames from 250 sources, a charger that comes back with a new model ID, an
# address fight with a node that never yields. In every case a RO500 charger keeps its AST lines at
# its port, a battery keeps its DCS lines in its log file, no log line that could be
# written is lost or cut, and the daemon never spins (its CPU time from /proc stays
# low; the bounds are generous, they only catch a spin).
#
# (The user's end of a port closed and opened again is the group "reopen" of
# test_daemon_ro500.sh.)
#
# Usage: test_daemon_faults.sh TIDEWIRE SIMULATOR [adapter|logfull|logro|uci|ucihang|console|flood|newmodel|chase]...
#        (no group: all of them)
#
# shellcheck disable=SC1010 # "do" is a word of the simulator's commands
# shellcheck disable=SC2015 # "a && b || fail": fail when either fails
set -u
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# start_served NAME ARGS...: starts the daemon with the log folder and ARGS; waits
# for charger c1's ONLINE line and its answer at /dev/tnt0, and for the battery's
# log file when the folder can be written.
start_served() {
	local name=$1 mark
	shift
	mark=$(tw_port_mark tnt0)
	mkdir -p "$TW_LOGS"
	tw_start "$name" -l "$TW_LOGS" -d 4 "$@"
	tw_await_answered tnt0 1001 "$mark" || return 1
	# The battery is registered (its file open in this daemon: a file left by an
	# earlier run says nothing) once its first status has come.
	[[ ! -w $TW_LOGS ]] || tw_wait 10 bat_open || tw_fail "$name: the battery log file not open within 10 s"
}
# mount_logs OPTIONS: a small tmpfs as the log folder.
mount_logs() {
	mkdir -p "$TW_LOGS" && mount -t tmpfs -o "$1,size=256k" tmpfs "$TW_LOGS" && return
	tw_fail "cannot mount a tmpfs"
	return 1
}

# bat_file: the battery's log file (the simulated BMS "house" at 35).
bat_file() {
	local f
	f=$(compgen -G "$TW_LOGS/BAT-35:*.log" | head -1)
	[[ -n $f ]] && echo "$f"
}
# bat_open: the daemon holds the battery's log file open.
bat_open() {
	local f
	f=$(bat_file) && tw_open_files | grep -qxF "$f"
}
# dcs_lines: how many DCS lines the battery's file has.
dcs_lines() {
	local f n=''
	f=$(bat_file)
	[[ -n $f ]] && n=$(grep -c 'DCS;' "$f")
	echo "${n:-0}"
}
ast_lines() { tw_port_ast tnt0 | wc -l; }
_dcs_reached() { (($(dcs_lines) >= $1)); }
# await_dcs SECONDS N: waits until the battery's file holds N DCS lines.
await_dcs() { tw_wait "$1" _dcs_reached "$2"; }

# serving WHAT SECONDS [MAX_CPU [nofile]]: over SECONDS the daemon stays up, c1's port
# gets an AST line about every second (at least half as many as seconds), the
# battery's file a DCS line every 10 s (when the window is 12 s or more, and the file
# can be written), and the daemon uses less than MAX_CPU percent of a core (default 20).
serving() {
	local what=$1 secs=$2 max=${3:-20} nofile=${4:-} a0 d0 cpu ast dcs
	a0=$(ast_lines)
	d0=$(dcs_lines)
	cpu=$(tw_cpu_percent "$secs")
	ast=$(($(ast_lines) - a0))
	dcs=$(($(dcs_lines) - d0))
	echo "FIGURES $what: $secs s, $ast AST lines at /dev/tnt0, $dcs DCS lines, CPU $cpu %"
	kill -0 "$TW_PID" 2>/dev/null || { tw_fail "$what: the daemon is gone"; return; }
	((ast * 2 >= secs)) || tw_fail "$what: $ast AST lines at /dev/tnt0 in $secs s"
	[[ -n $nofile ]] || ((secs < 12 || dcs >= secs / 10)) || tw_fail "$what: $dcs DCS lines in $secs s"
	tw_below "$cpu" "$max" || tw_fail "$what: the daemon used $cpu % of a core (want under $max %)"
}

# whole_lines FILE: every line of a log file is whole: a UTC stamp, then a status line
# with as many fields as its kind has (DCS 35, AST 22); lines the test wrote start
# with '#'.
whole_lines() {
	awk -F, -v f="$1" '
	/^#/ { next }
	!/^[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9] [A-Z][A-Z][A-Z];/ { print f ": no stamp and tag: " $0; bad = 1; next }
	/ DCS;/ && NF != 35 { print f ": DCS line with " NF " fields: " $0; bad = 1 }
	/ AST;/ && NF != 22 { print f ": AST line with " NF " fields: " $0; bad = 1 }
	END { exit bad }' "$1"
}

# pid_of TEXT: the process of the sandbox whose command line holds TEXT.
pid_of() {
	local f
	for f in /proc/[0-9]*/cmdline; do
		[[ $(tr '\0' ' ' <"$f" 2>/dev/null) == *"$1"* ]] && { f=${f#/proc/} && echo "${f%/cmdline}" && return; }
	done
	return 1
}

# The adapter is unplugged (its tty goes away with the simulator behind it) and
# plugged back a while later: the charger goes OFFLINE, the battery's lines go on,
# the daemon waits without spinning, then opens the link again, claims, and the
# charger comes back ONLINE on the same port.
phase_adapter() {
	local link mark
	tw_read_port tnt0 /dev/tnt0
	start_served adapter || { tw_stop; return; }
	await_dcs 15 1 || tw_fail "adapter: no DCS line before the unplug"
	link=$(pid_of "link=/dev/canlink0") || { tw_fail "adapter: no socat for the CAN link"; tw_stop; return; }
	mark=$(tw_port_mark tnt0)
	kill "$link" "$SANDBOX_SIM_PID"
	tw_port_wait 5 tnt0 "RO500 #1001 OFFLINE" "$mark" || tw_fail "adapter unplugged: no OFFLINE line within 5 s"
	local d0 cpu
	d0=$(dcs_lines)
	cpu=$(tw_cpu_percent 12)
	echo "FIGURES adapter unplugged: 12 s, CPU $cpu %, $(($(dcs_lines) - d0)) DCS lines"
	tw_below "$cpu" 10 || tw_fail "adapter unplugged: the daemon used $cpu % of a core"
	(($(dcs_lines) > d0)) || tw_fail "adapter unplugged: the battery's DCS lines stopped"
	kill -0 "$TW_PID" 2>/dev/null || { tw_fail "adapter unplugged: the daemon is gone"; return; }

	# Plugged back: a new tty pair under the same names, a new adapter behind it.
	rm -f /dev/canlink0 /dev/canlink1
	socat PTY,link=/dev/canlink0,raw,echo=0 PTY,link=/dev/canlink1,raw,echo=0 2>>"$SANDBOX_STATE/socat.log" &
	tw_wait 5 test -e /dev/canlink1 || { tw_fail "adapter: the new link did not appear"; tw_stop; return; }
	TW_LOG=$SANDBOX_STATE/bus2.log TW_CTL=$SANDBOX_STATE/sim2.ctl
	"$TW_SIM_BIN" -c /dev/canlink1 -s "$TW_SCENARIO" -l "$TW_LOG" --control "$TW_CTL" >"$SANDBOX_STATE/sim2.out" 2>&1 &
	TW_FROM=0
	tw_await_claim || tw_fail "adapter plugged back: the daemon did not claim again"
	mark=$(tw_port_mark tnt0)
	tw_await_answered tnt0 1001 "$mark"
	serving "adapter plugged back" 12
	tw_stop
	whole_lines "$(bat_file)" || tw_fail "adapter: a cut line in the battery's log"
}

# The log folder fills up (a small tmpfs, filled by another file) and is freed again:
# the ports go on meanwhile, no line is left cut in a file, and once there is room the
# lines come again at their pace.
phase_logfull() {
	local bat ro size pad d0 r0
	mount_logs rw || return
	tw_read_port tnt0 /dev/tnt0
	start_served logfull || { tw_stop; return; }
	await_dcs 15 1 || tw_fail "logfull: no DCS line before the folder filled"
	bat=$(bat_file)
	ro=$TW_LOGS/RO500-1001:RO500.log
	# The battery's next line must cross the end of the file's last page, where tmpfs
	# takes only a part of it: a line of the test's own ('#') brings the file there.
	size=$(stat -c %s "$bat")
	pad=$(((4096 - 40 - size % 4096 + 4096) % 4096))
	((pad >= 2)) && printf '#%*s\n' $((pad - 2)) '' | tr ' ' . >>"$bat"
	dd if=/dev/zero of="$TW_LOGS/filler" bs=4k 2>/dev/null
	d0=$(dcs_lines)
	r0=$(wc -l <"$ro" 2>/dev/null || echo 0)
	serving "log folder full" 22 20 nofile
	rm -f "$TW_LOGS/filler"
	# Room again: a DCS line within one period, and the charger's next log lines.
	await_dcs 12 $((d0 + 1)) || tw_fail "log folder freed: no DCS line within 12 s"
	# shellcheck disable=SC2317 # called through tw_wait
	_ro_grew() { (($(wc -l <"$ro") > r0)); }
	tw_wait 12 _ro_grew || tw_fail "log folder freed: no new line in $ro within 12 s"
	tw_stop
	whole_lines "$bat" || tw_fail "logfull: a cut line in the battery's log"
	whole_lines "$ro" || tw_fail "logfull: a cut line in the charger's log"
}

# The log folder is read-only when the daemon starts (a stick mounted later, say):
# the ports and batteries are served all the same, and once the folder is writable
# the log files appear and get their lines.
phase_logro() {
	mount_logs ro || return
	tw_read_port tnt0 /dev/tnt0
	start_served logro || { tw_stop; return; }
	serving "log folder read-only" 12 20 nofile
	tw_expect "files in the read-only folder" "" "$(ls -A "$TW_LOGS")"
	mount -o remount,rw "$TW_LOGS" || { tw_fail "logro: cannot make the folder writable"; tw_stop; return; }
	await_dcs 15 1 || tw_fail "log folder writable again: no DCS line within 15 s"
	# shellcheck disable=SC2317
	_ro_lines() { [[ -s $TW_LOGS/RO500-1001:RO500.log ]]; }
	tw_wait 15 _ro_lines || tw_fail "log folder writable again: no line in the charger's log within 15 s"
	tw_stop
}

# uci fails for every call (a stand-in that says so and exits 1): the daemon takes its
# default address, a second charger gets a port of its own rather than the first
# one's, a move to another address is retried at the hold's pace, not in a loop.
phase_uci() {
	local bad=$SANDBOX_STATE/baduci calls
	mkdir -p "$bad"
	printf '#!/bin/sh\necho "$*" >>%q\necho "uci: I/O error" >&2\nexit 1\n' "$SANDBOX_STATE/baduci.log" >"$bad/uci"
	chmod +x "$bad/uci"
	tw_read_port tnt0 /dev/tnt0
	tw_read_port tnt2 /dev/tnt2
	PATH=$bad:$PATH start_served uci || { tw_stop; return; }
	tw_await_claim && tw_expect "uci failing: address" 177 "$TW_ADDR"
	tw_sim node c2 behaviour=ro500 unique=1002 address=0x43
	tw_sim do c2 pace 10
	tw_port_wait 15 tnt2 "RO500 #1002 ONLINE" || tw_fail "uci failing: no 'RO500 #1002 ONLINE' at /dev/tnt2"
	tw_expect "uci failing: c2's ONLINE lines at /dev/tnt0" 0 "$(tw_port_count tnt0 "RO500 #1002 ONLINE")"
	# A rival takes 177: the daemon moves, and its store keeps failing.
	calls=$(wc -l <"$SANDBOX_STATE/baduci.log")
	tw_sim claim rival 177
	serving "uci failing, address moved" 21
	calls=$(($(wc -l <"$SANDBOX_STATE/baduci.log") - calls))
	echo "FIGURES uci failing: $calls uci calls in 21 s after the move"
	((calls <= 10)) || tw_fail "uci failing: $calls uci calls in 21 s"
	tw_stop
}

# uci hangs when the daemon stores a moved CAN address (a stand-in that sleeps for
# that set and runs the sandbox's uci otherwise, so that the charger has its port):
# each try is ended at 3 s, with what it started, and the console says so; the port
# and the battery's file go on meanwhile.
phase_ucihang() {
	local hang=$SANDBOX_STATE/hanguci addr mark gap
	mkdir -p "$hang" && : >"$hang/pids"
	printf '#!/bin/sh\ncase "$*" in *canaddress=*) echo $$ >>%q; exec sleep infinity ;; esac\nexec %q "$@"\n' \
		"$hang/pids" "$(command -v uci)" >"$hang/uci"
	chmod +x "$hang/uci"
	tw_read_port tnt0 /dev/tnt0
	PATH=$hang:$PATH start_served ucihang || { tw_stop; return; }
	mark=$(tw_port_mark tnt0)
	tw_sim claim rival 177
	serving "uci hanging on the address store" 21
	addr=$(tw_console | sed -n 's/.*Resettign my CAN address to: //p' | tail -1)
	tw_has_console "Command timed out after 3000 ms, ended: uci -q set tidewire.@can[0].canaddress=${addr:-?}" ||
		tw_fail "ucihang: no time-out on the console for the store of '$addr': $(tw_console | grep -i 'timed out' | head -3)"
	# Each try ends within 3 s and the next comes after the 5 s hold: a moment with
	# none running comes soon. A daemon that waits for ever is freed, to be stopped.
	# shellcheck disable=SC2317 # called through tw_wait
	_none_hung() { local p; while read -r p; do ! kill -0 "$p" 2>/dev/null || return 1; done <"$hang/pids"; }
	tw_wait 4 _none_hung || { tw_fail "ucihang: a hung uci ran on past 4 s"; xargs kill <"$hang/pids" 2>/dev/null; }
	tw_stop
	gap=$(tw_port_ast tnt0 "$mark" | awk 'NR > 1 && $2 - t > m { m = $2 - t } { t = $2 } END { printf "%.1f", m }')
	echo "FIGURES uci hanging: $(wc -l <"$hang/pids") stores of the address tried; at /dev/tnt0 $(tw_port_count tnt0 "RO500 #1001 OFFLINE" "$mark") OFFLINE lines," \
		"AST lines at most $gap s apart"
	# The store runs beside the loop: the AST line of each second comes all the while.
	tw_below "$gap" 1.5 || tw_fail "ucihang: AST lines $gap s apart while uci hung on the store"
	# The loop held up by a store judges no charger dead.
	tw_expect "ucihang: OFFLINE lines at /dev/tnt0 while uci hung" 0 "$(tw_port_count tnt0 "RO500 #1001 OFFLINE" "$mark")"
}

# The console device (-L) is missing, full, or a pty nobody reads, at the highest
# debug level: none of it holds the daemon up. Each in a sandbox of its own.
console_served() { # console_served DEV
	tw_read_port tnt0 /dev/tnt0
	start_served console -L "$1" -d 9 || { tw_stop; return; }
	serving "console $1" 12 40
	tw_stop
}
phase_console_missing() { console_served /nonexistent/console; }
phase_console_full() { console_served /dev/full; }
phase_console_pty() { console_served /dev/tnt5; }

# Frames from 250 sources the daemon does not know, about 2000 a second (a full
# 250 kbit/s bus): DC source statuses and TERMINAL text to the daemon. The charger
# and the battery are served all the while; the CPU goes down again afterwards.
phase_flood() {
	local a n=0 cpu
	tw_read_port tnt0 /dev/tnt0
	start_served flood || { tw_stop; return; }
	await_dcs 15 1 || tw_fail "flood: no DCS line before the flood"
	{
		for ((a = 0; a < 254 && n < 250; a++)); do
			case $a in 35 | 66 | 130 | 177) continue ;; esac
			n=$((n + 1))
			echo "node f$a mode=send address=$a"
			echo "every 250 send f$a 1FFFDh raw=0178060194A53577"
			echo "every 250 send f$a 17E00h raw=4153543B2C312C32 dest=177"
		done
	} >"$TW_CTL"
	serving "flood from $n sources" 22 70
	for ((a = 0; a < 254; a++)); do echo "remove f$a"; done >"$TW_CTL" 2>/dev/null
	sleep 1
	cpu=$(tw_cpu_percent 5)
	echo "FIGURES after the flood: CPU $cpu %"
	tw_below "$cpu" 10 || tw_fail "after the flood: the daemon used $cpu % of a core"
	tw_stop
}

# raw_product MODEL: product information (126996) of a RO500 with this model ID, as
# hex for the simulator's raw=.
raw_product() {
	local f s=''
	for f in "$1" RODE2.1.5 A 1001; do
		s+=$(printf '%-32s' "$f" | head -c 32 | od -An -tx1 | tr -d ' \n')
	done
	printf '3408C800%s0101' "$s"
}

# A charger announces a new model ID: while it is online nothing changes; when it
# comes back as the new model it keeps its port, its uci entry is renamed and it gets
# a log file under the new name; a hostile model ID stays in the log folder.
phase_newmodel() {
	local mark
	tw_read_port tnt0 /dev/tnt0
	start_served newmodel || { tw_stop; return; }
	tw_sim send c1 126996 raw="$(raw_product RO500-X2)"
	serving "new model ID announced" 6
	tw_expect "new model ID, online: uci tty assignment" "1001:1:RO500" "$(uci -q get 'tidewire.@can[0].ttyassignment')"
	for model in RO500-X2 "../../x y'z"; do
		mark=$(tw_port_mark tnt0)
		tw_sim remove c1
		tw_port_wait 5 tnt0 "RO500 #1001 OFFLINE" "$mark" || tw_fail "c1 removed: no OFFLINE line"
		tw_sim node c1 behaviour=ro500 unique=1001 address=0x42 "model=\"$model\""
		tw_sim do c1 pace 10
		tw_await_answered tnt0 1001 "$mark" || tw_fail "model $model: c1 not ONLINE again at /dev/tnt0"
	done
	tw_expect "uci tty assignment after the renames" "1001:1:.._.._x_y_z" "$(uci -q get 'tidewire.@can[0].ttyassignment')"
	serving "after the new model IDs" 12
	tw_stop
	# The log names keep the blank and the quote; only the '/'s go.
	tw_expect "log files" "BAT-35:2046:471:310:LFP200:B.log|RO500-1001:.._.._x y'z.log|RO500-1001:RO500-X2.log|RO500-1001:RO500.log" \
		"$(ls "$TW_LOGS" | sort | paste -sd'|')"
}

# commits: uci commits made so far; stored: the CAN address in uci.
commits() { grep -c '^commit' "$SANDBOX_STATE/uci.log" 2>/dev/null || true; }
stored() { uci -q get 'tidewire.@can[0].canaddress'; }

# A node that takes every address the daemon claims, for 25 s: the ports and the
# battery are served all the while, flash is written a handful of times at most and
# the daemon's frames stay few. Once the chase is over an address stands again, it
# is the one stored, and a typed line reaches the charger again.
phase_chase() {
	local lm mark held commits0 frames moves
	tw_read_port tnt0 /dev/tnt0
	start_served chase || { tw_stop; return; }
	tw_expect "before the chase: stored address" 36 "$(stored)"
	commits0=$(commits)
	mark=$(tw_log_lines "$TW_LOG")
	tw_sim do thief start
	tw_sim send probe 59904 Destination=255 RequestedPGN=60928 # the daemon answers: the chase begins
	serving "address fight" 25
	tw_sim do thief stop
	frames=$(tw_daemon_claims_after "$mark" | wc -l)
	moves=$(tw_console | grep -c '^Resettign my CAN address to:')
	echo "FIGURES address fight 25 s: $moves moves, $frames claim frames from the daemon, $(($(commits) - commits0)) uci commits"
	((frames <= 60)) || tw_fail "chase: $frames claims from the daemon in 25 s (want at most 60)"
	(($(commits) - commits0 <= 3)) || tw_fail "chase: $(($(commits) - commits0)) uci commits in 25 s"
	tw_daemon_claims_after "$mark" | grep -q '^18EEFFFE ' || tw_fail "chase: the daemon never said it cannot claim"
	# An address stands again within a minute (a daemon that found none left tries
	# again after a while) and the hold time, and it is stored.
	lm=$(tw_log_lines "$TW_LOG")
	held=''
	# shellcheck disable=SC2317 # called through tw_wait
	_held() {
		# The daemon's latest claim, not a "cannot claim": an address it may use now
		# (an earlier one may be where the chaser sits).
		held=$(tw_daemon_claims | awk 'END { print $2 }')
		[[ -n $held && $held != 254 && $(stored) == "$held" ]] &&
			tw_frames_from "$TW_LOG" "$lm" "$held" | grep -qv '^60928 '
	}
	tw_wait 75 _held || { tw_fail "after the chase: no address stood and was stored within 75 s (held '$held', stored '$(stored)')"; tw_stop; return; }
	lm=$(tw_log_lines "$TW_LOG")
	mark=$(tw_port_mark tnt0)
	printf 'hello\n' >/dev/tnt0
	# shellcheck disable=SC2317
	_hello() { tw_frames_from "$TW_LOG" "$lm" "$held" | grep -q '^97792 68656C6C6F0AFFFF'; }
	tw_wait 10 _hello || tw_fail "after the chase: 'hello' typed at /dev/tnt0 did not reach the bus"
	tw_port_wait 10 tnt0 "AOK;" "$mark" || tw_fail "after the chase: c1's answer to 'hello' did not reach /dev/tnt0"
	tw_stop
	tw_expect "after the stop: stored address" "$held" "$(stored)"
}

# ============================================================== outside ====

outside_chase() { tw_sandbox_phase chase "$TW_SCENARIO" --config "$(tw_config_address 36)"; }
outside_console() {
	local p
	for p in missing full pty; do tw_sandbox_phase_beside "console_$p" "$TW_SCENARIO"; done
}
TW_SCENARIO=$TW_HERE/scenarios/faults.scn
tw_main "the daemon through faults around it" adapter logfull logro uci ucihang console flood newmodel chase -- "$@"
