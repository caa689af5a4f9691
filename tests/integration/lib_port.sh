# shellcheck shell=bash disable=SC2016 # awk programs stay in single quotes
# A user at a port: what a virtual serial port shows, line by line with the time
# each line came. Sourced by lib.sh.
#
# shellcheck disable=SC2034 # TW_* results are read by the sourcing script

# tw_read_port NAME DEV: reads DEV in the background, as a user's terminal
# program would, and appends each line to $TW_OUT/NAME.port as "SECONDS LINE":
# the wall-clock time it arrived (comparable with the candump log's times) and
# the line without its line end ("\n", and a "\r" before it). Sets
# TW_READER_PID; killing that process closes the port.
_tw_stamp_lines() {
	local line
	while IFS= read -r line; do
		printf '%s %s\n' "$EPOCHREALTIME" "${line%$'\r'}"
	done
}
tw_read_port() {
	_tw_stamp_lines <"$2" >>"$TW_OUT/$1.port" &
	TW_READER_PID=$!
}

# tw_port_mark NAME: the number of lines the port has shown so far; the AFTER of
# the helpers below.
tw_port_mark() { tw_log_lines "$TW_OUT/$1.port"; }

# tw_port NAME [AFTER]: the lines shown after line AFTER, without their times.
tw_port() { awk -v from="${2:-0}" 'NR > from { sub(/^[^ ]* /, ""); print }' "$TW_OUT/$1.port" 2>/dev/null; }

# tw_port_count NAME LINE [AFTER]: how often exactly LINE was shown after AFTER.
tw_port_count() { tw_port "$1" "${3:-0}" | grep -cxF -- "$2"; }

# tw_port_find NAME LINE [AFTER]: "NUMBER SECONDS" of the first line after AFTER
# that is exactly LINE; status 1 when there is none.
tw_port_find() {
	awk -v from="${3:-0}" -v want="$2" '
	NR > from { t = $1; sub(/^[^ ]* /, ""); if ($0 == want) { print NR, t; found = 1; exit } }
	END { exit !found }' "$TW_OUT/$1.port" 2>/dev/null
}
_tw_port_has() { tw_port_find "$@" >/dev/null; }

# tw_port_wait SECONDS NAME LINE [AFTER]: waits until the port shows exactly LINE
# after AFTER.
tw_port_wait() { local s=$1; shift; tw_wait "$s" _tw_port_has "$@"; }

# tw_port_ast NAME [AFTER]: "NUMBER SECONDS LINE" of every AST line after AFTER.
tw_port_ast() {
	awk -v from="${2:-0}" 'NR > from { t = $1; sub(/^[^ ]* /, ""); if (substr($0, 1, 4) == "AST;") print NR, t, $0 }' \
		"$TW_OUT/$1.port" 2>/dev/null
}
_tw_ast_count_reached() { (($(tw_port_ast "$1" "$2" | wc -l) >= $3)); }
# tw_port_wait_ast SECONDS NAME AFTER COUNT: waits for COUNT AST lines after AFTER.
tw_port_wait_ast() { local s=$1; shift; tw_wait "$s" _tw_ast_count_reached "$@"; }

# tw_port_has_ast NAME AFTER FIELD=VALUE...: true when one AST line after AFTER
# shows every given field with exactly that text (13=12.60 3=-3.5). Fields count
# from 1 without the line's blank ones (", ,"):
# AST;,F1, ,F2,F3,F4,F5, ,F6,F7,F8,F9, ,F10,F11, ,F12, ,F13,F14,F15,F16
tw_port_has_ast() {
	local name=$1 from=$2
	shift 2
	tw_port_ast "$name" "$from" | awk -v want="$*" '
	{
		line = $0; sub(/^[^ ]* [^ ]* /, "", line)
		n = split(line, f, ","); m = 0
		for (i = 2; i <= n; i++) if (f[i] != " ") v[++m] = f[i]
		k = split(want, w, " "); ok = 1
		for (j = 1; j <= k; j++) { split(w[j], kv, "="); if (v[kv[1]] != kv[2]) ok = 0 }
		if (ok) { found = 1; exit }
	}
	END { exit !found }'
}

# tw_await_answered PORT UNIQUE [AFTER]: waits for "RO500 #UNIQUE ONLINE" at the
# port after line AFTER and then for the end of the charger's answer to the
# daemon's status request ("AOK;"); sets TW_AOK_AT to that line's number.
tw_await_answered() {
	local port=$1 unique=$2 from=${3:-0} online
	TW_AOK_AT=''
	if ! tw_port_wait 15 "$port" "RO500 #$unique ONLINE" "$from"; then
		tw_fail "$TW_RUN: no 'RO500 #$unique ONLINE' at the $port port within 15 s"
		return 1
	fi
	read -r online _ < <(tw_port_find "$port" "RO500 #$unique ONLINE" "$from")
	if ! tw_port_wait 10 "$port" "AOK;" "$online"; then
		tw_fail "$TW_RUN: the answer to the status request never reached the $port port: $(tw_port "$port" "$from" | head -20)"
		return 1
	fi
	read -r TW_AOK_AT _ < <(tw_port_find "$port" "AOK;" "$online")
}

# The simulated RO500's status lines, its answer to "$RAS:@" (sim/README.md), with its
# defaults and without line ends.
TW_RO500_LINES='AST;,100.50, ,13.20,4.5,-2.0,60, ,14.40,30,432,21, ,25,40, ,1800, ,13.95,7,8,90
CPE;,2,14.40,13.60,13.20,30,240
NPC;,1,230,50,16
CST;,3,14.40,4.5,40
SCV;,14.40,13.95,13.60
SST;,1,0,0
ENG;,0,0
FLT;,0,0'
