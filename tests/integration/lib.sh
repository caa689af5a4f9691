# shellcheck shell=bash disable=SC2016 # awk programs stay in single quotes
# Helpers for tests that run the daemon in the router sandbox against the bus
# simulator. Sourced by bash scripts, inside and outside the sandbox.
#
# shellcheck disable=SC2034 # TW_* results are read by the sourcing script
#
# Inside a sandbox the daemon helpers use:
#   TW_DAEMON  path of tidewire
#   TW_LOG     the simulator's candump log
#   TW_CTL     the simulator's control FIFO
#   TW_OUT     directory for each run's standard output and error
#   TW_SIM_MFR manufacturer code every simulated node keeps, so that any claim
#              with another code is the daemon's (default 2046, the simulator's)

TW_FAILURES=0
tw_fail() {
	echo "FAIL: $*"
	TW_FAILURES=$((TW_FAILURES + 1))
}
tw_expect() { # tw_expect WHAT EXPECTED ACTUAL
	[[ $2 == "$3" ]] || tw_fail "$1: expected '$2', got '$3'"
}

# tw_wait SECONDS COMMAND...: runs COMMAND every 20 ms until it succeeds.
# Status 1 when the time is up, so a fault fails a check instead of hanging.
tw_wait() {
	local tries=$(($1 * 50))
	shift
	until "$@"; do
		((tries-- > 0)) || return 1
		sleep 0.02
	done
}
tw_has_text() { grep -qF -- "$2" "$1" 2>/dev/null; } # tw_has_text FILE TEXT

# --------------------------------------------------------- candump -L log --

# awk functions for frames; plain POSIX awk (mawk has no bit operations).
_TW_AWK_FRAMES='
function hex(s,   i, v) {
	v = 0; s = toupper(s)
	for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789ABCDEF", substr(s, i, 1)) - 1
	return v
}
function byte(d, i) { return hex(substr(d, 2 * i + 1, 2)) }   # i counts from 0
function pgn_of(id,   p) {   # PDU1 PGNs carry the destination in their low byte
	p = int(id / 256) % 262144
	if (int(p / 256) % 256 < 240) p -= p % 256
	return p
}
# Sets ID and DATA (hex text) from a log line; 0 for comment lines.
function frame(   n) {
	if (substr($0, 1, 1) != "(") return 0
	n = index($3, "#"); ID = hex(substr($3, 1, n - 1)); DATA = substr($3, n + 1)
	return 1
}
'

# tw_log_lines LOG: number of lines in the log now, a mark for "after".
tw_log_lines() { if [[ -e $1 ]]; then wc -l <"$1"; else echo 0; fi; }

# tw_claims LOG AFTER_LINE: one line per address claim (PGN 60928) logged after
# the line: "ID SRC unique=N mfr=N function=N class=N industry=N aac=N", ID as
# the log writes it (18EEFF23).
tw_claims() {
	awk -v from="$2" "$_TW_AWK_FRAMES"'
	NR > from && frame() && pgn_of(ID) == 60928 && length(DATA) == 16 {
		low = byte(DATA, 0) + byte(DATA, 1) * 256 + byte(DATA, 2) * 65536 + byte(DATA, 3) * 16777216
		b7 = byte(DATA, 7)
		printf "%s %d unique=%d mfr=%d function=%d class=%d industry=%d aac=%d\n", substr($3, 1, index($3, "#") - 1), ID % 256,
			low % 2097152, int(low / 2097152), byte(DATA, 5), int(byte(DATA, 6) / 2),
			int(b7 / 16) % 8, int(b7 / 128)
	}' "$1"
}

# tw_frames_from LOG AFTER_LINE SRC: "PGN DATA" of every frame from source SRC.
tw_frames_from() {
	awk -v from="$2" -v src="$3" "$_TW_AWK_FRAMES"'
	NR > from && frame() && ID % 256 == src { print pgn_of(ID), DATA }' "$1"
}

# tw_product LOG AFTER_LINE SRC: reassembles the last complete Product
# Information fast packet (PGN 126996) from SRC and prints its fields, one
# "key=value" a line: n2kver product model sw modelver serial cert len. Texts end
# at their first 0xFF or 0x00 pad byte; bytes outside printable ASCII show as
# \xHH. Status 1 when no complete message was logged.
tw_product() {
	awk -v from="$2" -v src="$3" "$_TW_AWK_FRAMES"'
	function text(p, off,   i, b, s) {
		s = ""
		for (i = 0; i < 32; i++) {
			b = byte(p, off + i)
			if (b == 255 || b == 0) break
			s = s ((b >= 32 && b < 127) ? sprintf("%c", b) : sprintf("\\x%02X", b))
		}
		return s
	}
	NR > from && frame() && ID % 256 == src && pgn_of(ID) == 126996 {
		b0 = byte(DATA, 0); seq = int(b0 / 32); counter = b0 % 32
		if (counter == 0) {
			cur = seq; want = byte(DATA, 1); got = substr(DATA, 5); next_counter = 1
		} else if (want > 0 && seq == cur && counter == next_counter) {
			got = got substr(DATA, 3); next_counter++
		} else {
			want = 0   # a lost or foreign frame: this message is incomplete
		}
		if (want > 0 && length(got) >= 2 * want) { done = substr(got, 1, 2 * want); want = 0 }
	}
	END {
		if (done == "") exit 1
		printf "length=%d\n", length(done) / 2
		printf "n2kver=%d\nproduct=%d\n", byte(done, 0) + 256 * byte(done, 1), byte(done, 2) + 256 * byte(done, 3)
		printf "model=%s\nsw=%s\nmodelver=%s\nserial=%s\n", text(done, 4), text(done, 36), text(done, 68), text(done, 100)
		printf "cert=%d\nlen=%d\n", byte(done, 132), byte(done, 133)
	}' "$1"
}

# ------------------------------------------- the daemon inside a sandbox --

# tw_sim COMMAND...: hands one command to the simulator through its FIFO.
tw_sim() { timeout 5 bash -c 'printf "%s\n" "$1" >"$2"' _ "$*" "$TW_CTL" || tw_fail "simulator FIFO: could not send '$*'"; }

# tw_start NAME ARGS...: starts the daemon with ARGS; its standard output goes
# to $TW_OUT/NAME.out, its standard error to NAME.err. Sets TW_RUN (NAME),
# TW_PID and TW_FROM (the log's length before the start).
tw_start() {
	TW_RUN=$1
	shift
	TW_FROM=$(tw_log_lines "$TW_LOG")
	"$TW_DAEMON" "$@" >"$TW_OUT/$TW_RUN.out" 2>"$TW_OUT/$TW_RUN.err" </dev/null &
	TW_PID=$!
}

# tw_stop: stops the running daemon with SIGTERM; a daemon that already ended
# (crashed or exited) is a failure.
tw_stop() {
	local rc
	if ! kill -0 "$TW_PID" 2>/dev/null; then
		wait "$TW_PID"
		rc=$?
		tw_fail "$TW_RUN: the daemon ended by itself with status $rc; its stderr: $(head -c 500 "$TW_OUT/$TW_RUN.err")"
		return
	fi
	kill -TERM "$TW_PID"
	wait "$TW_PID"
	rc=$?
	((rc == 143)) || tw_fail "$TW_RUN: SIGTERM ended the daemon with status $rc, not 143"
}

# tw_daemon_claims: the claims the current run made (see tw_claims).
tw_daemon_claims() { tw_claims "$TW_LOG" "$TW_FROM" | awk -v sim="mfr=${TW_SIM_MFR:-2046}" '$4 != sim'; }
_tw_claimed() { [[ -n $(tw_daemon_claims) ]]; }

# tw_await_claim: waits for the current run's first address claim. Sets
# TW_CLAIM_ID (its frame id), TW_ADDR (its source address) and TW_NAME (the
# NAME fields).
tw_await_claim() {
	TW_CLAIM_ID='' TW_ADDR='' TW_NAME=''
	if ! tw_wait 5 _tw_claimed; then
		tw_fail "$TW_RUN: no address claim from the daemon (manufacturer code other than the simulated nodes' ${TW_SIM_MFR:-2046}) within 5 s"
		return 1
	fi
	read -r TW_CLAIM_ID TW_ADDR TW_NAME < <(tw_daemon_claims | head -1)
}

# tw_await_settled ADDR: waits until the daemon sends something other than an
# address claim from ADDR, which it does only once its claim has stood.
_tw_settled() { tw_frames_from "$TW_LOG" "$TW_FROM" "$1" | grep -qv '^60928 '; }
tw_await_settled() {
	tw_wait 5 _tw_settled "$1" || { tw_fail "$TW_RUN: the daemon never went on past its claim of $1"; return 1; }
}

# tw_ask_product NODE ADDR: NODE (a simulated node) asks ADDR for its product
# information; waits for the answer and leaves its fields in TW_PRODUCT.
_tw_product() { TW_PRODUCT=$(tw_product "$TW_LOG" "$1" "$2"); }
tw_ask_product() {
	local mark
	mark=$(tw_log_lines "$TW_LOG")
	tw_sim send "$1" 59904 Destination="$2" RequestedPGN=126996
	tw_wait 5 _tw_product "$mark" "$2" || { tw_fail "$TW_RUN: no product information from $2 within 5 s"; TW_PRODUCT=; return 1; }
}
# tw_field KEY: one field of TW_PRODUCT.
tw_field() { sed -n "s/^$1=//p" <<<"$TW_PRODUCT"; }

# tw_console FILE: the file's text with carriage returns removed, since the
# library's println ends lines with "\r\n" and StreamPrintf with "\n".
tw_console() { tr -d '\r' <"$1"; }

# tw_frames_id LOG AFTER_LINE ID: "SECONDS DATA" of every frame logged after the
# line whose identifier is exactly ID, as the log writes it (1D7E42B1): the
# simulator's wall-clock time of the frame and its data in hex.
tw_frames_id() {
	awk -v from="$2" -v id="$3" '
	NR > from && substr($1, 1, 1) == "(" {
		n = index($3, "#")
		if (substr($3, 1, n - 1) == id) print substr($1, 2, length($1) - 2), substr($3, n + 1)
	}' "$1"
}
_tw_has_frame() { tw_frames_id "$TW_LOG" "$1" "$2" | grep -q " $3\$"; }
# tw_await_frame SECONDS AFTER_LINE ID DATA: waits for that exact frame in $TW_LOG.
tw_await_frame() { local s=$1; shift; tw_wait "$s" _tw_has_frame "$@"; }

# tw_cpu_ticks PID: user plus system CPU time the process used so far, in clock
# ticks (getconf CLK_TCK a second).
tw_cpu_ticks() {
	local stat
	stat=$(<"/proc/$1/stat") || return 1
	stat=${stat##*) } # after "PID (COMM) " the fields count from 3 (state)
	awk '{ print $12 + $13 }' <<<"$stat"
}

# ----------------------------------------------------- a user at a port --

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

# tw_ast_field LINE N: field N (1..16) of an AST line. The line's blank fields
# (", ,") are not counted: AST;,F1, ,F2,F3,F4,F5, ,F6,F7,F8,F9, ,F10,F11, ,F12, ,F13,F14,F15,F16
tw_ast_field() {
	awk -F, -v want="$2" '{ n = 0; for (i = 2; i <= NF; i++) if ($i != " " && ++n == want) print $i }' <<<"$1"
}

# tw_port_has_ast NAME AFTER FIELD=VALUE...: true when one AST line after AFTER
# shows every given field with exactly that text (13=12.60 3=-3.5).
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

# ------------------------------------------- a test script's two halves --
# Each group of a test script runs in a router sandbox of its own: outside, the
# script starts the sandbox with the simulator and itself with --inside; inside, it
# runs the group's phase function (phase_NAME), which reports with tw_fail.
#
#   if [[ ${1:-} == --inside ]]; then shift; tw_inside "$@"; exit; fi
#   TW_ALL_GROUPS=(a b); tw_outside_init "$@"
#   for group in "${TW_GROUPS[@]}"; do tw_sandbox_phase "$TW_WORK/$group" "$group" SCENARIO; done
#   tw_outside_done "what the script shows"

TW_REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# tw_inside PHASE DAEMON: sets TW_DAEMON, TW_LOG, TW_CTL and TW_OUT, waits for the
# simulator's "ready", runs phase_PHASE; status 1 when a check failed.
tw_inside() {
	TW_DAEMON=$2
	TW_LOG=$SANDBOX_STATE/bus.log
	TW_CTL=$SANDBOX_STATE/sim.ctl
	TW_OUT=$SANDBOX_STATE/runs
	mkdir -p "$TW_OUT"
	if ! tw_wait 10 tw_has_text "$SANDBOX_STATE/sim.out" ready || ! [[ -p $TW_CTL ]]; then
		echo "FAIL: the simulator did not start:"
		cat "$SANDBOX_STATE/sim.out"
		exit 1
	fi
	"phase_$1"
	((TW_FAILURES == 0))
}

# tw_outside_init TIDEWIRE SIMULATOR [GROUP]...: skips the test (status 77) unless
# root; sets TW_SELF (the calling script), TW_DAEMON_BIN, TW_SIM_BIN, TW_GROUPS (those
# asked for, else all of TW_ALL_GROUPS, which the script sets first; another name is
# a usage error), TW_WORK (removed at exit unless TW_KEEP_WORK is set, which keeps the
# sandboxes' state for a look) and TW_PHASE_FAILURES.
tw_outside_init() {
	local g
	TW_SELF=$(readlink -f "${BASH_SOURCE[1]}")
	if ((EUID != 0)); then
		echo "SKIP: the router sandbox needs root"
		exit 77
	fi
	if (($# < 2)); then
		echo "usage: $TW_SELF TIDEWIRE SIMULATOR [${TW_ALL_GROUPS[*]}]..." >&2
		exit 2
	fi
	TW_DAEMON_BIN=$(readlink -f "$1")
	TW_SIM_BIN=$(readlink -f "$2")
	shift 2
	TW_GROUPS=("$@")
	((${#TW_GROUPS[@]})) || TW_GROUPS=("${TW_ALL_GROUPS[@]}")
	for g in "${TW_GROUPS[@]}"; do
		[[ " ${TW_ALL_GROUPS[*]} " == *" $g "* ]] || {
			echo "unknown group '$g'" >&2
			exit 2
		}
	done
	TW_WORK=$(mktemp -d)
	if [[ -n ${TW_KEEP_WORK:-} ]]; then
		echo "work directory: $TW_WORK"
	else
		# shellcheck disable=SC2064 # the directory is known now
		trap "rm -rf '$TW_WORK'" EXIT
	fi
	TW_PHASE_FAILURES=0
	TW_PHASE_ARGS=()
}

# tw_sandbox_phase STATE PHASE SCENARIO [SANDBOX OPTIONS...]: runs PHASE inside a
# router sandbox with state directory STATE (an existing one is the same router
# rebooted) and the simulator on SCENARIO; prints the run's FIGURES lines, and when a
# check failed its output, then the last lines of each port and each daemon run. The
# inside gets "--inside PHASE DAEMON" and then the words of TW_PHASE_ARGS, if set.
tw_sandbox_phase() {
	local state=$1 phase=$2 scenario=$3 rc f out
	shift 3
	out=$TW_WORK/$phase.out
	"$TW_REPO/scripts/router-sandbox" --state "$state" --sim-bin "$TW_SIM_BIN" \
		--sim "-s $(printf %q "$scenario") -l \$SANDBOX_STATE/bus.log --control \$SANDBOX_STATE/sim.ctl" \
		"$@" -- bash "$TW_SELF" --inside "$phase" "$TW_DAEMON_BIN" "${TW_PHASE_ARGS[@]}" >"$out" 2>&1 </dev/null
	rc=$?
	grep '^FIGURES' "$out"
	if ((rc == 0)) && ! grep -q '^FAIL' "$out"; then return 0; fi
	TW_PHASE_FAILURES=$((TW_PHASE_FAILURES + 1))
	echo "FAIL: phase '$phase' (sandbox exit status $rc):"
	sed 's/^/    /' "$out"
	for f in "$state"/runs/*.port; do
		[[ -e $f ]] || continue
		echo "    [port $(basename "$f" .port)]"
		tail -n 30 "$f" | sed 's/^/      /'
	done
	for f in "$state"/runs/*.out; do
		[[ -e $f ]] || continue
		echo "    [daemon run $(basename "$f" .out)]"
		tail -n 40 "$f" "${f%.out}.err" | tr '\b' ' ' | sed 's/^/      /'
	done
	return 1
}

# tw_outside_done WHAT: the verdict: status 1 when a phase failed.
tw_outside_done() {
	if ((TW_PHASE_FAILURES)); then
		echo "$TW_PHASE_FAILURES phase(s) failed"
		exit 1
	fi
	echo "PASS: $1 (${TW_GROUPS[*]})"
}
