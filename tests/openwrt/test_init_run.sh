#!/usr/bin/env bash
# The package's init script started for real in the router sandbox, with no /dev/tnt
# pairs of the sandbox's own: a stand-in for procd starts each instance the script
# asks for at once (socat for the pairs, the daemon with the command line the script
# made from /etc/config/tidewire), as procd with ujail would: as the instance's user
# and group, with the capabilities of its file, with its environment. config_get reads
# the sandbox's uci. The daemon talks to the simulator over the serial-line link,
# whose tty is group dialout as OpenWrt makes a serial adapter's. Checked as a user
# sees it: the pairs exist, the charger comes ONLINE at /dev/tnt0 (made by the
# script's socat), a line typed there goes to the charger, the console (-L /dev/tnt3)
# is read at /dev/tnt2, the log directory is made and fills with the charger's and a
# battery's lines; and that this daemon is the user tidewire without any capability
# the sandbox would let it keep, and stores the charger's port in its own uci store.
#
# Usage: test_init_run.sh TIDEWIRE SIMULATOR   (root only: the sandbox)
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR source=../integration/lib.sh
. "$here/../integration/lib.sh"
# In the sandbox's own /run, which the daemon's user reaches.
LOGDIR=/run/tidewire-logs
LIBEXEC=/run/tidewire-libexec

phase_run() {
	local run=$TW_OUT mark pid t
	[[ ! -e /dev/tnt0 ]] || tw_fail "the sandbox already has /dev/tnt0"

	# What the package installs and makes: its users, the capabilities file, the
	# daemon's uci (calling the sandbox's uci stand-in where OpenWrt has /sbin/uci).
	echo 'tidewire:x:377:20:tidewire:/var/run/tidewire:/bin/false' >>/etc/passwd
	mkdir -p /etc/capabilities "$LIBEXEC"
	cp "$TW_REPO/openwrt/files/tidewire.capabilities" /etc/capabilities/tidewire.json
	sed 's|/sbin/uci|/run/router-sandbox/bin/uci|' "$TW_REPO/openwrt/files/tidewire.uci" >"$LIBEXEC/uci"
	chmod 755 "$LIBEXEC/uci"
	t=$(readlink -f /dev/canlink0) && chgrp dialout "$t" && chmod 660 "$t"

	# procd, stood in for: every instance starts when it is closed; the daemon's
	# installed path is this build's daemon, the daemon's uci folder is the copy above
	# with the sandbox's tools (busybox ifconfig) behind it. Capabilities the sandbox
	# never grants (CAP_SYS_TIME) are left out and named in $RUN/dropped.
	cat >"$run/procd.sh" <<'EOS'
_q() { for _a in "$@"; do printf " '%s'" "$_a"; done; }
procd_open_service() { :; }
procd_close_service() { :; }
procd_add_reload_trigger() { :; }
procd_open_instance() { _inst=$1 _cmd='' _user='' _group='' _caps=-all _env=''; }
procd_set_param() {
	_k=$1
	shift
	case $_k in
	command) _cmd=$(_q "$@") ;;
	user) _user=$1 ;;
	group) _group=$1 ;;
	capabilities) _caps=-all$(_caps_of "$1") ;;
	env) _env=$(_q "$@" | sed "s|/usr/libexec/tidewire|$LIBEXEC:/run/router-sandbox/bin|") ;;
	esac
	return 0
}
procd_append_param() { _k=$1; shift; [ "$_k" = command ] && _cmd="$_cmd$(_q "$@")"; return 0; }
# _caps_of FILE: ",+name" for each capability of FILE's ambient set that the sandbox has.
_caps_of() {
	_bound=",$(/usr/bin/setpriv -d | sed -n 's/^Capability bounding set: //p'),"
	for _c in $(sed -n 's/.*"ambient": *\[\(.*\)\].*/\1/p' "$1" | tr -d '", ' | tr 'A-Z,' 'a-z '); do
		_c=${_c#cap_}
		case $_bound in
		*",$_c,"*) printf ',+%s' "$_c" ;;
		*) echo "$_c" >>"$RUN/dropped" ;;
		esac
	done
}
procd_close_instance() {
	eval "set -- $_cmd"
	echo "$_inst $*" >>"$RUN/instances"
	[ "$1" = /usr/sbin/tidewire ] && { shift; set -- "$TIDEWIRE" "$@"; }
	[ -n "$_user" ] && set -- /usr/bin/setpriv --reuid="$_user" --regid="$_group" --clear-groups \
		--bounding-set="$_caps" --inh-caps="$_caps" --ambient-caps="$_caps" -- "$@"
	eval "set -- env $_env \"\$@\""
	"$@" >"$RUN/$_inst.out" 2>&1 </dev/null &
	echo "$!" >"$RUN/$_inst.pid"
}
logger() { echo "logger $*" >>"$RUN/logger"; }
EOS
	RUN=$run LIBEXEC=$LIBEXEC TIDEWIRE=$TW_DAEMON busybox sh -c "
		. '$here/functions-standin.sh'
		. '$run/procd.sh'
		. '$TW_REPO/openwrt/files/tidewire.init'
		procd_open_service tidewire
		start_service
		procd_close_service" >"$run/start.out" 2>&1 || tw_fail "the init script's start failed: $(cat "$run/start.out")"

	tw_expect "instances started" "tnt0 /usr/bin/socat PTY,link=/dev/tnt0,raw,echo=0 PTY,link=/dev/tnt1,raw,echo=0,user=tidewire,mode=600
tnt2 /usr/bin/socat PTY,link=/dev/tnt2,raw,echo=0 PTY,link=/dev/tnt3,raw,echo=0,user=tidewire,mode=600
tidewire /usr/sbin/tidewire -c /dev/canlink0 -d 4 -L /dev/tnt3 -l $LOGDIR -r 1M" "$(cat "$run/instances")"
	for t in 0 1 2 3; do
		tw_wait 5 test -e "/dev/tnt$t" || tw_fail "socat made no /dev/tnt$t"
	done
	[[ -d $LOGDIR ]] || tw_fail "the log directory was not made"

	tw_read_port tnt0 /dev/tnt0
	tw_read_port console /dev/tnt2
	TW_RUN=tidewire tw_await_answered tnt0 1001
	mark=$(tw_log_lines "$TW_LOG")
	printf 'hello\n' >/dev/tnt0
	tw_await_frame 5 "$mark" 1D7E42B1 68656C6C6F0AFFFF || tw_fail "'hello' typed at /dev/tnt0 did not go to the charger"
	tw_port_wait 5 console "My CAN address: 177" || tw_fail "no console text at /dev/tnt2: $(tw_port console | head -5)"
	tw_wait 5 test -e "$LOGDIR/RO500-1001:RO500.log" || tw_fail "no charger log file in the log directory: $(ls "$LOGDIR")"
	tw_wait 25 tw_has_text "$LOGDIR/BAT-36:2046:900:310:LFP200:B.log" " DCS;" ||
		tw_fail "no battery line in the log directory: $(ls "$LOGDIR")"
	[[ -e $run/logger ]] && tw_fail "the init script complained: $(cat "$run/logger")"

	# Who the daemon is: tidewire, group dialout, no capability at all here (the
	# sandbox withholds the one it has on a router, CAP_SYS_TIME).
	pid=$(cat "$run/tidewire.pid")
	tw_expect "the daemon's uid, gid and capabilities" "377 20 0000000000000000 0000000000000000" \
		"$(awk '$1 == "Uid:" { u = $2 } $1 == "Gid:" { g = $2 } $1 == "CapEff:" { e = $2 }
			$1 == "CapAmb:" { a = $2 } END { print u, g, e, a }' "/proc/$pid/status")"
	tw_expect "capabilities the sandbox withholds" sys_time "$(cat "$run/dropped" 2>/dev/null)"
	# Its uci commits, as that user, land in its own store.
	tw_wait 5 tw_has_text /etc/tidewire/tidewire 1001:1: ||
		tw_fail "the charger's port is not in /etc/tidewire/tidewire: $(cat /etc/tidewire/tidewire)"
}

# The package's default configuration with the settings of a router whose CAN adapter
# is on a serial line: one charger port, the console on the next pair, a log directory.
outside_run() {
	local conf=$TW_WORK/conf o
	local uci=("$TW_REPO/scripts/sandbox/uci" -c "$conf" -t "$conf/.staged")
	mkdir -p "$conf"
	cp "$TW_REPO/openwrt/files/tidewire.config" "$conf/tidewire"
	for o in interface=/dev/canlink0 debug=4 ports=1 console=/dev/tnt3 "logdir=$LOGDIR"; do
		"${uci[@]}" set "tidewire.main.$o" || exit 1
	done
	"${uci[@]}" commit tidewire || exit 1
	tw_sandbox_phase run "$(tw_scenario run "$TW_SCENARIO" "node house behaviour=battery unique=900 address=36")" \
		--tnt-pairs 0 --config "$conf/tidewire"
}
TW_SCENARIO=$TW_HERE/scenarios/ro500.scn
tw_main "the init script's start runs the daemon and its /dev/tnt pairs" run -- "$@"
