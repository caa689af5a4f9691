#!/usr/bin/env bash
# The package's init script started for real in the router sandbox, with no /dev/tnt
# pairs of the sandbox's own: a stand-in for procd starts each instance the script
# asks for at once (socat for the pairs, the daemon with the command line the script
# made from /etc/config/tidewire), config_get reads the sandbox's uci. The daemon talks
# to the simulator over the serial-line link. Checked as a user sees it: the pairs
# exist, the charger comes ONLINE at /dev/tnt0 (made by the script's socat), a line
# typed there goes to the charger, the console (-L /dev/tnt3) is read at /dev/tnt2, the
# log directory is made and fills.
#
# Usage: test_init_run.sh TIDEWIRE SIMULATOR   (root only: the sandbox)
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR source=../integration/lib.sh
. "$here/../integration/lib.sh"

phase_run() {
	local run=$TW_OUT mark
	[[ ! -e /dev/tnt0 ]] || tw_fail "the sandbox already has /dev/tnt0"

	# procd, stood in for: every instance starts when it is closed; the daemon's
	# installed path is this build's daemon.
	cat >"$run/procd.sh" <<'EOF'
_q() { for _a in "$@"; do printf " '%s'" "$_a"; done; }
procd_open_service() { :; }
procd_close_service() { :; }
procd_add_reload_trigger() { :; }
procd_open_instance() { _inst=$1 _cmd=''; }
procd_set_param() { _k=$1; shift; [ "$_k" = command ] && _cmd=$(_q "$@"); return 0; }
procd_append_param() { _k=$1; shift; [ "$_k" = command ] && _cmd="$_cmd$(_q "$@")"; return 0; }
procd_close_instance() {
	eval "set -- $_cmd"
	echo "$_inst $*" >>"$RUN/instances"
	[ "$1" = /usr/sbin/tidewire ] && { shift; set -- "$TIDEWIRE" "$@"; }
	"$@" >"$RUN/$_inst.out" 2>&1 </dev/null &
}
logger() { echo "logger $*" >>"$RUN/logger"; }
EOF
	RUN=$run TIDEWIRE=$TW_DAEMON busybox sh -c "
		. '$here/functions-standin.sh'
		. '$run/procd.sh'
		. '$TW_REPO/openwrt/files/tidewire.init'
		procd_open_service tidewire
		start_service
		procd_close_service" >"$run/start.out" 2>&1 || tw_fail "the init script's start failed: $(cat "$run/start.out")"

	tw_expect "instances started" "tnt0 /usr/bin/socat PTY,link=/dev/tnt0,raw,echo=0 PTY,link=/dev/tnt1,raw,echo=0
tnt2 /usr/bin/socat PTY,link=/dev/tnt2,raw,echo=0 PTY,link=/dev/tnt3,raw,echo=0
tidewire /usr/sbin/tidewire -c /dev/canlink0 -d 4 -L /dev/tnt3 -l $TW_LOGS -r 1M" "$(cat "$run/instances")"
	for t in 0 1 2 3; do
		tw_wait 5 test -e "/dev/tnt$t" || tw_fail "socat made no /dev/tnt$t"
	done
	[[ -d $TW_LOGS ]] || tw_fail "the log directory was not made"

	tw_read_port tnt0 /dev/tnt0
	tw_read_port console /dev/tnt2
	TW_RUN=tidewire tw_await_answered tnt0 1001
	mark=$(tw_log_lines "$TW_LOG")
	printf 'hello\n' >/dev/tnt0
	tw_await_frame 5 "$mark" 1D7E42B1 68656C6C6F0AFFFF || tw_fail "'hello' typed at /dev/tnt0 did not go to the charger"
	tw_port_wait 5 console "My CAN address: 177" || tw_fail "no console text at /dev/tnt2: $(tw_port console | head -5)"
	tw_wait 5 test -e "$TW_LOGS/RO500-1001:RO500.log" || tw_fail "no charger log file in the log directory: $(ls "$TW_LOGS")"
	[[ -e $run/logger ]] && tw_fail "the init script complained: $(cat "$run/logger")"
}

# The package's default configuration with the settings of a router whose CAN adapter
# is on a serial line: one charger port, the console on the next pair, a log directory.
outside_run() {
	local conf=$TW_WORK/conf o
	local uci=("$TW_REPO/scripts/sandbox/uci" -c "$conf" -t "$conf/.staged")
	mkdir -p "$conf"
	cp "$TW_REPO/openwrt/files/tidewire.config" "$conf/tidewire"
	for o in interface=/dev/canlink0 debug=4 ports=1 console=/dev/tnt3 "logdir=$TW_WORK/run/logs"; do
		"${uci[@]}" set "tidewire.main.$o" || exit 1
	done
	"${uci[@]}" commit tidewire || exit 1
	tw_sandbox_phase run "$TW_SCENARIO" --tnt-pairs 0 --config "$conf/tidewire"
}
TW_SCENARIO=$TW_HERE/scenarios/ro500.scn
tw_main "the init script's start runs the daemon and its /dev/tnt pairs" run -- "$@"
