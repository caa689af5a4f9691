#!/usr/bin/env bash
# The package as a router runs it: OpenWrt's own procd, ujail, ubusd, uci, jshn and
# shell libraries (tests/openwrt/lib.sh) in a chroot inside the router sandbox, the
# package installed by its own install step, its users added by OpenWrt's
# add_group_and_user. "/etc/init.d/tidewire start" as a user types it; the outcome read
# where a user reads it: "ubus call service list", /proc/PID/status, the system log,
# the ports, the broker. The daemon talks to the simulator over the serial-line link.
# Groups:
#   run      the start: the instances procd runs; the daemon as its own user under
#            ujail (procd's pid), with CAP_SYS_TIME alone and no_new_privs; a charger
#            ONLINE at /dev/tnt0, a typed line reaching it, the console at /dev/tnt2,
#            its port in the daemon's uci store, the clock set from a bus time (by
#            the recording /bin/date: the wall clock has no namespace); a killed
#            daemon comes back
#   reload   MQTT against a broker that wants a password: a reload after a new
#            password restarts the daemon, which connects with it; a router without
#            ujail: the daemon says once that the clock cannot be set; an adapter that
#            is not there said once in the system log and nowhere else; stop; disabled
#   ser2net  a charger's port through ser2net at an address of its own, ser2net as
#            its own user under a jail with no capability
#
# Usage: test_procd.sh TIDEWIRE SIMULATOR [run|reload|ser2net]...
#        (root; the kit as tests/openwrt/lib.sh says, else SKIP)
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR source=../integration/lib.sh
. "$here/../integration/lib.sh"
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$here/lib.sh"

CAP_SYS_TIME=0000000002000000
LOGDIR=/tmp/tidewire

# ------------------------------------------------------------------ inside --

# router CONFIG...: boots the router in $SANDBOX_STATE/root with the package's default
# /etc/config/tidewire and these options of tidewire.main set.
router() {
	local o
	TW_WORK=$SANDBOX_STATE
	owrt_root "$SANDBOX_STATE/root" "$TW_BUILD" && owrt_boot "$SANDBOX_STATE/root" ||
		{ tw_fail "the router did not boot"; return 1; }
	for o in "$@"; do owrt uci set "tidewire.main.$o" || tw_fail "uci set tidewire.main.$o"; done
	owrt uci commit tidewire
	# The daemon's user, as OpenWrt chose it.
	TW_UID=$(awk -F: '$1 == "tidewire" { print $3 }' "$OWRT_ROOT/etc/passwd")
}

# service CMD: /etc/init.d/tidewire CMD as a user types it; what it says on the
# terminal is a failure (the system log is the place for it).
service() {
	local out
	out=$(owrt /etc/init.d/tidewire "$1" 2>&1) || tw_fail "/etc/init.d/tidewire $1 failed: $out"
	[[ -z $out ]] || tw_fail "/etc/init.d/tidewire $1 said on the terminal: $out"
}

# instance NAME [KEY]: of the instance NAME in "ubus call service list", KEY's value
# as JSON (the whole instance without KEY); nothing when there is none.
instance() {
	owrt ubus call service list '{"name":"tidewire"}' 2>/dev/null | python3 -c '
import json, sys
i = json.load(sys.stdin).get("tidewire", {}).get("instances", {}).get(sys.argv[1])
if i is not None:
    print(json.dumps(i.get(sys.argv[2]) if len(sys.argv) > 2 else i, sort_keys=True))' "$@"
}
_running() { [[ $(instance "$1" running) == true ]]; }
# jailed NAME: the pid procd reports for the instance (ujail's), and its child, the
# program itself: sets JAIL_PID and PROG_PID.
_jailed() {
	JAIL_PID=$(instance "$1" pid) && [[ $JAIL_PID =~ ^[0-9]+$ ]] && PROG_PID=$(pgrep -P "$JAIL_PID" | head -n 1) && [[ -n $PROG_PID ]]
}
jailed() {
	tw_wait 10 _jailed "$1" || { tw_fail "procd runs no instance $1 with a child: $(instance "$1")"; return 1; }
	tw_expect "$1: what procd runs" '"/sbin/ujail"' "$(tr '\0' '\n' <"/proc/$JAIL_PID/cmdline" | head -n 1 | sed 's/.*/"&"/')"
}
# identity PID: "uid gid CapEff CapAmb CapBnd NoNewPrivs" of the process.
identity() {
	awk '$1 == "Uid:" { u = $2 } $1 == "Gid:" { g = $2 } $1 == "CapEff:" { e = $2 } $1 == "CapAmb:" { a = $2 }
		$1 == "CapBnd:" { b = $2 } $1 == "NoNewPrivs:" { n = $2 } END { print u, g, e, a, b, n }' "/proc/$1/status"
}
# syslog_count TEXT: lines of the system log holding TEXT.
syslog_count() { grep -cF -- "$1" "$OWRT_ROOT/tmp/log/messages"; }

phase_run() {
	local mark pid uid
	router interface=/dev/canlink0 debug=4 ports=1 console=/dev/tnt3 logdir=$LOGDIR || return
	tw_expect "/bin/date in the router is the recording stand-in" "$(cat "$TW_REPO/scripts/sandbox/date")" \
		"$(cat "$OWRT_ROOT/bin/date")"
	[[ $TW_UID =~ ^[0-9]+$ && $TW_UID != 377 ]] || tw_fail "the user tidewire has the uid '$TW_UID'"
	service start
	tw_wait 10 _running tidewire || tw_fail "procd runs no tidewire instance: $(owrt ubus call service list)"
	tw_expect "the pairs procd runs" '["/usr/bin/socat", "PTY,link=/dev/tnt0,raw,echo=0", "PTY,link=/dev/tnt1,raw,echo=0,user=tidewire,mode=600"]' \
		"$(instance tnt0 command)"
	tw_expect "the daemon's command line" "[\"/usr/sbin/tidewire\", \"-c\", \"/dev/canlink0\", \"-d\", \"4\", \"-L\", \"/dev/tnt3\", \"-l\", \"$LOGDIR\", \"-r\", \"1M\"]" \
		"$(instance tidewire command)"
	tw_expect "the daemon's user, group, capabilities and jail" \
		'"tidewire" "dialout" "/etc/capabilities/tidewire.json" true "tidewire"' \
		"$(printf '%s %s %s %s %s' "$(instance tidewire user)" "$(instance tidewire group)" \
			"$(instance tidewire capabilities)" "$(instance tidewire no_new_privs)" \
			"$(instance tidewire jail | python3 -c 'import json, sys; print(json.dumps(json.load(sys.stdin)["name"]))')")"
	jailed tidewire || return
	tw_expect "the daemon's uid, gid, CapEff, CapAmb, CapBnd and NoNewPrivs" \
		"$TW_UID 20 $CAP_SYS_TIME $CAP_SYS_TIME $CAP_SYS_TIME 1" "$(identity "$PROG_PID")"

	tw_wait 5 test -L "$OWRT_ROOT/dev/tnt2" || tw_fail "socat made no /dev/tnt2"
	tw_read_port tnt0 "$(owrt_path /dev/tnt0)"
	tw_read_port console "$(owrt_path /dev/tnt2)"
	TW_RUN=tidewire tw_await_answered tnt0 1001
	mark=$(tw_log_lines "$TW_LOG")
	printf 'hello\n' >"$(owrt_path /dev/tnt0)"
	tw_await_frame 5 "$mark" 1D7E42B1 68656C6C6F0AFFFF || tw_fail "'hello' typed at /dev/tnt0 did not go to the charger"
	tw_port_wait 5 console "My CAN address: 177" || tw_fail "no console text at /dev/tnt2: $(tw_port console | head -5)"
	tw_wait 5 test -e "$OWRT_ROOT$LOGDIR/RO500-1001:RO500.log" || tw_fail "no charger log in $LOGDIR"
	tw_wait 5 tw_has_text "$OWRT_ROOT/etc/tidewire/tidewire" 1001:1: ||
		tw_fail "the charger's port is not in the daemon's uci store: $(cat "$OWRT_ROOT/etc/tidewire/tidewire")"

	# The clock, 100 s off: set by the daemon's child, which keeps CAP_SYS_TIME.
	tw_sim node clk behaviour=n2k-clock address=0x60
	tw_sim do clk offset 100
	tw_wait 10 tw_has_text "$OWRT_ROOT/run/router-sandbox/state/date.log" "-s @" ||
		tw_fail "the daemon never set the clock from the bus: $(tw_port console | grep -i date | head -3)"
	tw_sim do clk stop

	# Killed, it comes back, under a new ujail, as the same user with the same rights.
	pid=$PROG_PID
	kill -KILL "$pid"
	tw_wait 15 _respawned "$pid" || tw_fail "the killed daemon did not come back within 15 s"
	tw_expect "the daemon again: uid, gid, CapEff, CapAmb, CapBnd and NoNewPrivs" \
		"$TW_UID 20 $CAP_SYS_TIME $CAP_SYS_TIME $CAP_SYS_TIME 1" "$(identity "$PROG_PID")"
}
_respawned() { _jailed tidewire && [[ $PROG_PID != "$1" ]]; }

# A reload after a new password restarts the daemon, which logs in with it.
phase_reload() {
	local pid mark
	tw_broker_start tidewire first || return
	router interface=/dev/canlink0 mqtt_host="$TW_BROKER" mqtt_user=tidewire mqtt_password=first || return
	service start
	jailed tidewire || return
	tw_wait 10 _logged_in 0 || tw_fail "the daemon did not log in to the broker: $(tail -5 "$TW_OUT/broker.log")"
	pid=$PROG_PID

	mosquitto_passwd -b "$TW_BROKER_PASSWD" tidewire second
	kill -HUP "$TW_BROKER_PID"
	owrt uci set tidewire.main.mqtt_password=second && owrt uci commit tidewire
	mark=$(tw_log_lines "$TW_OUT/broker.log")
	service reload
	tw_wait 10 _respawned "$pid" || tw_fail "the reload did not restart the daemon"
	tw_wait 10 _logged_in "$mark" || tw_fail "the daemon did not log in with the new password: $(tail -n "+$mark" "$TW_OUT/broker.log" | tail -5)"

	# A router without ujail: procd runs the daemon unjailed, with no capability, and
	# the daemon says once that the clock cannot be set, however often the bus tells
	# the time.
	rm "$OWRT_ROOT/sbin/ujail"
	owrt uci set tidewire.main.debug=1 && owrt uci commit tidewire
	service reload
	tw_wait 10 _unjailed || tw_fail "without ujail, procd did not run the daemon itself: $(instance tidewire)"
	tw_sim node clk behaviour=n2k-clock address=0x60
	tw_sim do clk offset 100
	tw_wait 10 _date_calls 3 || tw_fail "the daemon did not try to set the clock 3 times"
	tw_expect "what the system log says of the clock" 1 "$(syslog_count 'N2kSysDateTime: the clock could not be set (date: cannot set date: Operation not permitted); it is left alone until it can be')"
	tw_sim do clk stop

	# The adapter not there: the system log says so once; the terminal stays quiet.
	owrt uci set tidewire.main.interface=can0 && owrt uci commit tidewire
	service reload
	tw_expect "the system log on the missing can0" 1 \
		"$(syslog_count 'CAN interface can0 is not there (adapter unplugged?); it is brought up when it appears')"
	tw_expect "what the hotplug handler brings up" "can0 250000" "$(cat "$OWRT_ROOT/var/run/tidewire/can-link")"

	service stop
	tw_wait 10 _stopped || tw_fail "after stop: $(instance tidewire) $(instance tnt0) $(pgrep -ax tidewire)"
	[[ -e $OWRT_ROOT/var/run/tidewire/can-link ]] && tw_fail "after stop the hotplug handler would still bring can0 up"
	owrt uci set tidewire.main.enabled=0 && owrt uci commit tidewire
	service start
	sleep 1
	tw_expect "instances when disabled" "" "$(instance tidewire)$(instance tnt0)"
	pgrep -x tidewire >/dev/null && tw_fail "disabled, yet a daemon runs: $(pgrep -ax tidewire)"
}
_unjailed() { [[ $(cat "/proc/$(instance tidewire pid)/comm" 2>/dev/null) == tidewire ]]; }
_date_calls() { (($(tw_log_lines "$OWRT_ROOT/run/router-sandbox/state/date.log") >= $1)); }
# _logged_in AFTER: the broker took a login of the user tidewire after its log's line.
_logged_in() { tail -n "+$(($1 + 1))" "$TW_OUT/broker.log" | grep -q "New client connected from .* u'tidewire'"; }
_stopped() { [[ -z $(instance tidewire)$(instance tnt0) ]] && ! pgrep -x tidewire >/dev/null; }

# ser2net at an address of its own (netifd, which knows the lan's, is not here).
phase_ser2net() {
	local reply=$TW_OUT/ser2net.reply
	router interface=/dev/canlink0 ports=1 ser2net=1 ser2net_address="$SANDBOX_IP" || return
	service start
	jailed ser2net || return
	tw_expect "ser2net's uid, CapEff, CapAmb, CapBnd and NoNewPrivs" \
		"$(awk -F: '$1 == "ser2net" { print $3 }' "$OWRT_ROOT/etc/passwd") 0000000000000000 0000000000000000 0000000000000000 1" \
		"$(identity "$PROG_PID" | cut -d' ' -f1,3-)"
	jailed tidewire
	tw_wait 15 tw_has_text "$OWRT_ROOT/etc/tidewire/tidewire" 1001:1: || tw_fail "no charger at /dev/tnt1"
	# A user on the LAN types the status request at TCP port 4000.
	(printf '$RAS:@\n' && sleep 3) | timeout 5 socat - "TCP:$SANDBOX_IP:4000" >"$reply" 2>&1
	tw_has_text "$reply" "AOK;" || tw_fail "no answer through ser2net: $(head -c 300 "$reply")"
}

# ----------------------------------------------------------------- outside --

outside() {
	tw_needs python3 mosquitto mosquitto_passwd && owrt_kit || return 0
	TW_BUILD=$(cd "$(dirname "$TW_DAEMON_BIN")/.." && pwd)
	tw_sandbox_phase "$1" "$TW_SCENARIO" --keep-sys-time --tnt-pairs 0
}
outside_run() { outside run; }
outside_reload() { outside reload; }
outside_ser2net() { tw_needs ser2net && outside ser2net; }
export TW_BUILD
TW_SCENARIO=$TW_HERE/scenarios/ro500.scn
tw_main "the package under OpenWrt's procd, ujail, ubus and uci" run reload ser2net -- "$@"
