# shellcheck shell=bash
# The driver of the tests that run the real daemon in the router sandbox against
# the bus simulator, and of the benchmarks that measure it there: the sandbox, the
# simulator and the daemon; waits for text at a port, on the console, in a file or
# in the bus log; figures from /proc; the report. Sourced by bash scripts, inside
# and outside the sandbox. lib_bus.sh reads the bus log, lib_port.sh the ports.
#
# A test script is its groups and one line that runs them. Each group runs in a
# router sandbox of its own, with the simulator on the script's scenario; its
# checks report with tw_fail and tw_expect:
#
#   set -u
#   # shellcheck source-path=SCRIPTDIR source=lib.sh
#   . "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
#   phase_online() {                       # inside the sandbox
#   	tw_read_port tnt0 /dev/tnt0
#   	tw_start_claimed online -d 4 && tw_await_answered tnt0 1001 || { tw_stop; return; }
#   	tw_expect "uci tty assignment" "1001:1:RO500" "$(uci -q get 'tidewire.@can[0].ttyassignment')"
#   	tw_stop
#   }
#   outside_moved() {                      # outside: a sandbox of its own kind
#   	tw_sandbox_phase moved "$(tw_scenario moved "$TW_SCENARIO" "node c2 behaviour=ro500 unique=1002 address=0x43")" \
#   		--config "$(tw_config_address 36)"
#   }
#   TW_SCENARIO=$TW_HERE/scenarios/ro500.scn
#   tw_main "what the script shows" online moved -- "$@"
#
# Adding a group is a phase_NAME function and its name in the tw_main line and in
# the script's line of CMakeLists.txt. The group runs in a sandbox on TW_SCENARIO,
# unless an outside_NAME function says otherwise: a scenario or sandbox options of
# its own, phases one after the other (with the same TW_STATE: the same router
# rebooted), or side by side (tw_sandbox_phase_beside) when they mostly wait.
# Waits: tw_port_wait and tw_await_answered (a port), tw_await_console,
# tw_wait N tw_has_text (a file), tw_await_claim and tw_await_frame (the bus log).
# Figures: tw_cpu_percent, tw_status, tw_open_files. Inside, the helpers use:
#   TW_DAEMON, TW_SIM_BIN, TW_SCENARIO  the programs and the simulator's scenario
#   TW_LOG     the simulator's candump log      TW_CTL  its control FIFO
#   TW_OUT     each daemon run's output, each port's lines (shown when a check fails)
#   TW_LOGS    where the daemon's log folder goes ($SANDBOX_STATE/logs; not made)
#   TW_SIM_MFR manufacturer code every simulated node keeps, so that any claim
#              with another code is the daemon's (default 2046, the simulator's)
# A phase waits for events (tw_wait and the tw_await_* helpers), not for fixed
# times, unless the time is what it checks. A line "FIGURES ..." that a phase prints
# is passed on to the test's output.
#
# shellcheck disable=SC2034 # TW_* results are read by the sourcing script

TW_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TW_REPO=$(cd "$TW_HERE/../.." && pwd)
# shellcheck source-path=SCRIPTDIR source=lib_bus.sh
. "$TW_HERE/lib_bus.sh"
# shellcheck source-path=SCRIPTDIR source=lib_port.sh
. "$TW_HERE/lib_port.sh"

TW_FAILURES=0
tw_fail() {
	echo "FAIL: $*"
	TW_FAILURES=$((TW_FAILURES + 1))
}
tw_expect() { # tw_expect WHAT EXPECTED ACTUAL
	[[ $2 == "$3" ]] || tw_fail "$1: expected '$2', got '$3'"
}

# tw_wait SECONDS COMMAND...: runs COMMAND every 20 ms until it succeeds, or until
# SECONDS (whole) have passed on the clock: the deadline is checked after each try,
# since one try (a broker client, a sandbox command) can itself take seconds. At the
# deadline it says on standard error what it waited for and returns 1, so a fault
# fails a check instead of hanging.
tw_wait() {
	local seconds=$1 end
	end=$((${EPOCHREALTIME/[.,]/} + seconds * 1000000))
	shift
	until "$@"; do
		if ((${EPOCHREALTIME/[.,]/} >= end)); then
			echo "tw_wait: gave up after $seconds s waiting for: $*" >&2
			return 1
		fi
		sleep 0.02
	done
}
tw_has_text() { grep -qF -- "$2" "$1" 2>/dev/null; } # tw_has_text FILE TEXT
# tw_netns_apart PID: PID (an "unshare -n" just started) is in a network namespace of
# its own, so an interface moved into it leaves ours.
tw_netns_apart() { [[ $(readlink "/proc/$1/ns/net") != "$(readlink /proc/self/ns/net)" ]]; }

# ------------------------------------------- the daemon inside a sandbox --

# tw_sim COMMAND...: hands one command to the simulator through its FIFO.
# shellcheck disable=SC2016 # the inner shell expands its own arguments
tw_sim() { timeout 5 bash -c 'printf "%s\n" "$1" >"$2"' _ "$*" "$TW_CTL" || tw_fail "simulator FIFO: could not send '$*'"; }

# tw_start NAME ARGS...: starts the daemon on the sandbox's CAN link with ARGS; its
# standard output goes to $TW_OUT/NAME.out, its standard error to NAME.err. Sets
# TW_RUN (NAME), TW_PID and TW_FROM (the bus log's length before the start).
tw_start() {
	TW_RUN=$1
	shift
	TW_FROM=$(tw_log_lines "$TW_LOG")
	"$TW_DAEMON" -c "$TIDEWIRE_CAN_PORT" "$@" >"$TW_OUT/$TW_RUN.out" 2>"$TW_OUT/$TW_RUN.err" </dev/null &
	TW_PID=$!
}
# tw_start_claimed NAME ARGS...: tw_start, then waits for the address claim.
tw_start_claimed() { tw_start "$@" && tw_await_claim; }
# tw_start_settled NAME ARGS...: tw_start, then waits until the claim has stood.
tw_start_settled() { tw_start_claimed "$@" && tw_await_settled "$TW_ADDR"; }

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

# tw_daemon_claims_after AFTER_LINE: the daemon's claims (see tw_claims) logged
# after the line; tw_daemon_claims: those since the current run started.
tw_daemon_claims_after() { tw_claims "$TW_LOG" "$1" | awk -v sim="mfr=${TW_SIM_MFR:-2046}" '$4 != sim'; }
tw_daemon_claims() { tw_daemon_claims_after "$TW_FROM"; }
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

# tw_await_known SRC [AFTER_LINE]: waits until SRC has answered the daemon's request
# for product information (logged after the line, by default since the current run
# started), so that the daemon knows the node's identity and names.
_tw_answered() { tw_product "$TW_LOG" "$2" "$1" >/dev/null; }
tw_await_known() {
	tw_wait 5 _tw_answered "$1" "${2:-$TW_FROM}" || tw_fail "$TW_RUN: node $1 never sent the daemon its product information"
}

# tw_console_of FILE: console text with carriage returns removed, since the
# library's println ends lines with "\r\n" and StreamPrintf with "\n".
tw_console_of() { tr -d '\r' <"$1"; }
# tw_console: the current run's console (its standard output).
tw_console() { tw_console_of "$TW_OUT/$TW_RUN.out"; }
# tw_has_console TEXT: a line of the current run's console holds TEXT.
tw_has_console() { tw_console | grep -qF -- "$1"; }
# tw_await_console SECONDS TEXT: waits for TEXT on the current run's console.
tw_await_console() { tw_wait "$1" tw_has_console "$2" || tw_fail "$TW_RUN: no '$2' on the console within $1 s"; }

# -------------------------------------------------------------- broker --
# A real mosquitto on the sandbox's own network (rtr-peer's address, TW_BROKER), as
# a home automation server on the LAN runs it: nothing kept on disk, every packet
# logged to $TW_OUT/broker.log.

# tw_broker_start [--tls] [USER PASSWORD]: starts the broker on TW_BROKER and waits
# until it takes connections. With USER and PASSWORD it wants them: a password file
# made by mosquitto_passwd (TW_BROKER_PASSWD), no anonymous client. With --tls it
# speaks TLS alone, on 8883, with a server certificate for TW_BROKER and broker.lan
# signed by a CA of the test's own, made with openssl (TW_BROKER_CA). Sets
# TW_BROKER_PID and TW_BROKER_AUTH (the client options for tw_broker_sub and
# mosquitto_pub).
# shellcheck disable=SC2120 # its arguments are optional
tw_broker_start() {
	local conf=$SANDBOX_STATE/mosquitto.conf port=1883
	# In the sandbox's /run: mosquitto reads them as the user it drops to.
	local tls=/run/mosquitto-tls
	TW_BROKER_PASSWD=/run/mosquitto.passwd
	TW_BROKER=${SANDBOX_PEER_IP:-10.77.0.1} TW_BROKER_AUTH=()
	if [[ ${1:-} == --tls ]]; then
		shift
		port=8883
		TW_BROKER_CA=$tls/ca.crt
		_tw_broker_certificates "$tls" || { tw_fail "openssl could not make the certificates"; return 1; }
		TW_BROKER_AUTH=(-p 8883 --cafile "$TW_BROKER_CA")
	fi
	printf '%s\n' "listener $port $TW_BROKER" "persistence false" "log_type all" >"$conf"
	[[ $port == 8883 ]] && printf '%s\n' "cafile $tls/ca.crt" "certfile $tls/server.crt" "keyfile $tls/server.key" >>"$conf"
	if (($# == 2)); then
		rm -f "$TW_BROKER_PASSWD"
		mosquitto_passwd -b -c "$TW_BROKER_PASSWD" "$1" "$2" >/dev/null 2>&1 ||
			{ tw_fail "mosquitto_passwd failed"; return 1; }
		chmod 644 "$TW_BROKER_PASSWD"
		printf '%s\n' "allow_anonymous false" "password_file $TW_BROKER_PASSWD" >>"$conf"
		TW_BROKER_AUTH+=(-u "$1" -P "$2")
	else
		echo "allow_anonymous true" >>"$conf"
	fi
	mosquitto -c "$conf" >>"$TW_OUT/broker.log" 2>&1 &
	TW_BROKER_PID=$!
	tw_wait 5 tw_broker_sub -t none -W 1 -E || { tw_fail "mosquitto did not start: $(tail -3 "$TW_OUT/broker.log")"; return 1; }
}
# _tw_broker_certificates DIR: a CA and the broker's certificate, once a sandbox.
_tw_broker_certificates() {
	local d=$1 key=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
	[[ -s $d/server.crt ]] && return 0
	mkdir -p "$d" &&
		openssl req -x509 "${key[@]}" -days 2 -subj /CN=tidewire-test-ca -keyout "$d/ca.key" -out "$d/ca.crt" 2>/dev/null &&
		openssl req "${key[@]}" -subj "/CN=$TW_BROKER" -keyout "$d/server.key" -out "$d/server.csr" 2>/dev/null &&
		openssl x509 -req -in "$d/server.csr" -CA "$d/ca.crt" -CAkey "$d/ca.key" -CAcreateserial -days 2 \
			-extfile <(echo "subjectAltName=IP:$TW_BROKER,DNS:broker.lan") -out "$d/server.crt" 2>/dev/null &&
		chmod 644 "$d/server.key"
}
tw_broker_stop() { kill -TERM "$TW_BROKER_PID" && wait "$TW_BROKER_PID"; }
# tw_broker_sub ARGS...: mosquitto_sub at the broker, with its user and password.
tw_broker_sub() { mosquitto_sub -h "$TW_BROKER" "${TW_BROKER_AUTH[@]}" "$@" 2>/dev/null; }

# ------------------------------------------------------------- figures --
# Readings from /proc: of a process, or of the current daemon run.

# tw_cpu_ticks PID: user plus system CPU time the process used so far, in clock
# ticks (getconf CLK_TCK a second).
tw_cpu_ticks() {
	local stat
	stat=$(<"/proc/$1/stat") || return 1
	stat=${stat##*) } # after "PID (COMM) " the fields count from 3 (state)
	awk '{ print $12 + $13 }' <<<"$stat"
}
# tw_cpu_percent SECONDS: sleeps SECONDS and prints the CPU the daemon used
# meanwhile in percent of one core, one decimal; 999 when it is gone.
tw_cpu_percent() {
	local c0 c1
	c0=$(tw_cpu_ticks "$TW_PID") || { echo 999; return; }
	sleep "$1"
	c1=$(tw_cpu_ticks "$TW_PID") || { echo 999; return; }
	awk -v d=$((c1 - c0)) -v hz="$(getconf CLK_TCK)" -v s="$1" 'BEGIN { printf "%.1f", 100 * d / hz / s }'
}
# tw_below VALUE MAX: VALUE (a decimal) is less than MAX.
tw_below() { awk -v v="$1" -v m="$2" 'BEGIN { exit !(v < m) }'; }
# tw_status KEY: one field of the daemon's /proc/PID/status (kB for VmRSS and
# VmHWM, a count for voluntary_ctxt_switches).
tw_status() { awk -v k="$1:" '$1 == k { print $2 }' "/proc/$TW_PID/status"; }
# tw_open_files: what the daemon holds open, one path a line.
tw_open_files() {
	local fd
	for fd in "/proc/$TW_PID"/fd/*; do readlink "$fd"; done 2>/dev/null
}

# --------------------------------------------------------- the sandbox --

# tw_need_root: skips the test (status 77) unless root.
tw_need_root() {
	((EUID == 0)) && return
	echo "SKIP: the router sandbox needs root"
	exit 77
}

# tw_make_work: TW_WORK, a new directory, removed at exit unless TW_KEEP_WORK is
# set, which keeps the sandboxes' state for a look.
tw_make_work() {
	TW_WORK=$(mktemp -d)
	if [[ -n ${TW_KEEP_WORK:-} ]]; then
		echo "work directory: $TW_WORK"
	else
		# shellcheck disable=SC2064 # the directory is known now
		trap "rm -rf '$TW_WORK'" EXIT
	fi
}

# tw_sandbox STATE SCENARIO [SANDBOX OPTIONS...] -- COMMAND...: runs COMMAND in a
# router sandbox with state directory STATE (an existing one is the same router
# rebooted) and the simulator TW_SIM_BIN on SCENARIO, its candump log in
# $SANDBOX_STATE/bus.log (TW_SIM_LOG names another) and its control FIFO in sim.ctl.
tw_sandbox() {
	local state=$1 scenario=$2
	shift 2
	"$TW_REPO/scripts/router-sandbox" --state "$state" --sim-bin "$TW_SIM_BIN" \
		--sim "-s $(printf %q "$scenario") -l ${TW_SIM_LOG:-\$SANDBOX_STATE/bus.log} --control \$SANDBOX_STATE/sim.ctl" \
		"$@" </dev/null
}

# tw_inside_setup DAEMON: sets TW_DAEMON, TW_LOG, TW_CTL, TW_LOGS and TW_OUT (unless
# set) and waits for the simulator's "ready"; status 1 when it did not start.
tw_inside_setup() {
	TW_DAEMON=$1
	TW_LOG=$SANDBOX_STATE/bus.log
	TW_CTL=$SANDBOX_STATE/sim.ctl
	TW_LOGS=$SANDBOX_STATE/logs
	TW_OUT=${TW_OUT:-$SANDBOX_STATE/runs}
	mkdir -p "$TW_OUT"
	if ! tw_wait 10 tw_has_text "$SANDBOX_STATE/sim.out" ready || ! [[ -p $TW_CTL ]]; then
		echo "FAIL: the simulator did not start:"
		cat "$SANDBOX_STATE/sim.out"
		return 1
	fi
}

# tw_main WHAT GROUP... -- ARGS...: runs the script. Outside (ARGS: TIDEWIRE
# SIMULATOR [GROUP]...): skips unless root, runs each group asked for (all by
# default; another name is a usage error) and reports. Inside (ARGS: --inside
# PHASE DAEMON SIMULATOR SCENARIO): runs phase_PHASE; status 1 when a check failed.
tw_main() {
	local what=$1 g
	shift
	TW_ALL_GROUPS=()
	while (($#)) && [[ $1 != -- ]]; do TW_ALL_GROUPS+=("$1") && shift; done
	shift
	if [[ ${1:-} == --inside ]]; then
		tw_inside_setup "$3" || exit 1
		TW_SIM_BIN=$4 TW_SCENARIO=$5
		"phase_$2"
		exit $((TW_FAILURES > 0))
	fi
	tw_need_root
	TW_SELF=$(readlink -f "${BASH_SOURCE[-1]}")
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
		[[ " ${TW_ALL_GROUPS[*]} " == *" $g "* ]] || { echo "unknown group '$g'" >&2 && exit 2; }
	done
	tw_make_work
	TW_PHASE_FAILURES=0 TW_PHASES_RUN=0 TW_BESIDE=()
	for g in "${TW_GROUPS[@]}"; do
		if declare -F "outside_$g" >/dev/null; then "outside_$g"; else tw_sandbox_phase "$g" "$TW_SCENARIO"; fi
		_tw_join
	done
	((TW_PHASES_RUN > 0)) || exit 77
	if ((TW_PHASE_FAILURES)); then
		echo "$TW_PHASE_FAILURES phase(s) failed"
		exit 1
	fi
	echo "PASS: $what (${TW_GROUPS[*]})"
}

# tw_needs PROGRAM...: true when every program is installed; otherwise says which
# are missing, so that an outside_NAME can skip its group.
tw_needs() {
	local p missing=''
	for p in "$@"; do command -v "$p" >/dev/null || missing+=" $p"; done
	[[ -z $missing ]] && return
	echo "SKIP: group '${FUNCNAME[1]#outside_}' needs$missing (apt-get install$missing)"
	return 1
}

# tw_sandbox_phase PHASE SCENARIO [SANDBOX OPTIONS...]: runs phase_PHASE inside a
# router sandbox (state directory TW_STATE, by default $TW_WORK/PHASE) with the
# simulator on SCENARIO; prints the run's FIGURES lines, and when a check failed
# its output, then the last lines of each port and each daemon run.
tw_sandbox_phase() {
	local phase=$1 scenario=$2 state=${TW_STATE:-$TW_WORK/$1} rc f out
	shift 2
	out=$TW_WORK/$phase.out
	TW_PHASES_RUN=$((TW_PHASES_RUN + 1))
	tw_sandbox "$state" "$scenario" "$@" -- \
		bash "$TW_SELF" --inside "$phase" "$TW_DAEMON_BIN" "$TW_SIM_BIN" "$scenario" >"$out" 2>&1
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
		tail -n 40 "$f" "${f%.out}.err" 2>/dev/null | tr '\b' ' ' | sed 's/^/      /'
	done
	return 1
}

# tw_sandbox_phase_beside PHASE SCENARIO [SANDBOX OPTIONS...]: tw_sandbox_phase in
# the background, so that the phases of a group that mostly wait (each in a sandbox
# of its own) wait side by side; their reports follow when the group is done.
tw_sandbox_phase_beside() {
	TW_PHASES_RUN=$((TW_PHASES_RUN + 1))
	tw_sandbox_phase "$@" >"$TW_WORK/$1.report" 2>&1 &
	TW_BESIDE+=("$!:$1")
}
_tw_join() {
	local job
	for job in "${TW_BESIDE[@]}"; do
		wait "${job%%:*}" || TW_PHASE_FAILURES=$((TW_PHASE_FAILURES + 1))
		cat "$TW_WORK/${job#*:}.report"
	done
	TW_BESIDE=()
}

# tw_config_address ADDR: a /etc/config/tidewire (for --config) that stores the CAN
# address ADDR; prints its path.
tw_config_address() {
	printf '%s\n' "config can" "	option canaddress '$1'" >"$TW_WORK/config$1"
	echo "$TW_WORK/config$1"
}

# tw_scenario NAME BASE LINE...: writes $TW_WORK/NAME.scn, the scenario BASE after
# the given lines (more nodes and commands), and prints its path.
tw_scenario() {
	printf '%s\n' "${@:3}" | cat - "$2" >"$TW_WORK/$1.scn"
	echo "$TW_WORK/$1.scn"
}

# tw_verdict WHAT: the end of a script that runs its checks itself: status 1 after a
# failed one, else a PASS line.
tw_verdict() {
	if ((TW_FAILURES)); then
		echo "$TW_FAILURES check(s) failed"
		exit 1
	fi
	echo "PASS: $1"
}
