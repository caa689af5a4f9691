#!/usr/bin/env bash
# The package's init script (openwrt/files/tidewire.init) run as procd runs it, under
# busybox's ash, with stand-ins that record what it asks for: procd's instance calls,
# rc.common's start (open the service, start_service, service_triggers, close), the
# config_get and config_get_bool of /lib/functions.sh (functions-standin.sh, over the
# sandbox's uci stand-in and a copy of the package's default /etc/config/tidewire), ip,
# logger, chown, chmod and netifd's lan address. For each configuration the record must
# be exactly the expected one: the CAN link set-up, the folders handed to the daemon's
# user, one socat per /dev/tnt pair, ser2net, the daemon's command line, user and
# capabilities. The files the script writes (the MQTT password, ser2net's
# configuration, the daemon's uci store) are checked too.
#
# Usage: test_init.sh
# As root each configuration runs with a /dev of its own (a tmpfs in a private mount
# namespace), so what the host has in /dev does not matter, and the case of a
# null-modem driver (/dev/tnt0 a character device) is tried too; as another user that
# case is skipped and the others see the host's /dev.
set -u
shopt -s lastpipe # "... | expect NAME" counts its failures in this shell
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
init=$repo/openwrt/files/tidewire.init
config=$repo/openwrt/files/tidewire.config
uci=$repo/scripts/sandbox/uci

command -v busybox >/dev/null || {
	echo "SKIP: busybox (its ash runs the init script) not found: apt-get install busybox-static"
	exit 77
}
# shellcheck source-path=SCRIPTDIR source=../integration/lib.sh
. "$here/../integration/lib.sh"
tw_make_work
work=$TW_WORK

# The stand-ins, sourced by ash before the init script after functions-standin.sh
# (config_get over the uci stand-in). REC is the record file.
cat >"$work/standins.sh" <<'EOF'
_rec() { printf '%s\n' "$*" >>"$REC"; }
_q() { for _a in "$@"; do printf " '%s'" "$_a"; done; }
# procd.sh
procd_open_service() { _rec "service $1"; }
procd_close_service() { service_triggers; _rec "end"; }
procd_open_instance() { _rec "instance $1"; }
procd_set_param() { _k=$1; shift; _rec "  set $_k$(_q "$@")"; }
procd_append_param() { _k=$1; shift; _rec "  append $_k$(_q "$@")"; }
procd_close_instance() { _rec "close"; }
procd_add_reload_trigger() { _rec "reload trigger$(_q "$@")"; }
procd_add_jail() { _rec "  jail$(_q "$@")"; }
procd_add_interface_trigger() { _rec "interface trigger$(_q "$@")"; }
service_triggers() { :; }
# the tools it calls (ip and logger are programs in $work/bin too, for can-link)
logger() { _rec "logger$(_q "$@")"; }
chown() { _rec "chown$(_q "$@")"; }
chmod() { _rec "chmod$(_q "$@")"; }
# shellcheck disable=SC2086 # UCI_ARGS is words
uci() { "$UCI" $UCI_ARGS "$@"; }
# network.sh: the lan interface's address is $LAN_ADDRESS.
network_get_ipaddr() { [ -n "$LAN_ADDRESS" ] && eval "$1=\$LAN_ADDRESS"; }
EOF
mkdir -p "$work/bin"
printf '#!/bin/sh\n' >"$work/bin/ser2net"
# ip: "ip -details link show" prints $IP_DETAILS, what iproute2 shows of the link;
# with IP_ABSENT set, every call fails as for a link that is not there.
cat >"$work/bin/ip" <<'EOF'
#!/bin/sh
. "$STANDINS"
_rec "ip$(_q "$@")"
[ -z "${IP_ABSENT-}" ] || exit 1
[ "$1" = -details ] && printf '%s\n' "${IP_DETAILS-}"
exit 0
EOF
printf '%s\n' '#!/bin/sh' '. "$STANDINS"' '_rec "logger$(_q "$@")"' >"$work/bin/logger"
chmod +x "$work/bin/ser2net" "$work/bin/ip" "$work/bin/logger"

# run_case NAME [DEV-SETUP]: runs rc.common's start with $work/NAME/conf as the uci
# store, $work/NAME/run as its run folder and $work/NAME/state as the daemon's store;
# the record goes to $work/NAME/record. DEV-SETUP (sh) prepares /dev first;
# IP_DETAILS, when set, is what ip shows of the CAN link, LAN_ADDRESS the lan address.
run_case() {
	local name=$1 setup=${2:-} dir=$work/$1
	local script="
		export REC='$dir/record' STANDINS='$work/standins.sh' PATH='$work/bin':\$PATH
		UCI='$uci' UCI_ARGS='-c $dir/conf -t $dir/conf/.staged'
		LAN_ADDRESS='${LAN_ADDRESS-}'
		. '$here/functions-standin.sh'
		. '$work/standins.sh'
		. '$init'
		RUN_DIR='$dir/run' STATE_DIR='$dir/state' NETWORK_FUNCTIONS=/dev/null SER2NET='$work/bin/ser2net'
		CAN_LINK='$repo/openwrt/files/tidewire.canlink'
		procd_open_service tidewire
		start_service
		procd_close_service"
	: >"$dir/record"
	if ((EUID == 0)); then
		# /dev of its own: null for the script's redirections, and whatever the case sets up.
		IP_DETAILS=${IP_DETAILS-} IP_ABSENT=${IP_ABSENT-} unshare -m --propagation private sh -c "
			mount -t tmpfs tidewire-dev /dev && mknod -m 666 /dev/null c 1 3 || exit 125
			$setup
			exec busybox sh -c \"\$1\"" _ "$script" >"$dir/output" 2>&1
	else
		IP_DETAILS=${IP_DETAILS-} IP_ABSENT=${IP_ABSENT-} busybox sh -c "$script" >"$dir/output" 2>&1
	fi
	local rc=$?
	((rc == 0)) || tw_fail "$name: start failed with status $rc: $(cat "$dir/output")"
	[[ -s $dir/output ]] && tw_fail "$name: the init script printed: $(cat "$dir/output")"
}

# configure NAME OPTION=VALUE...: $work/NAME/conf/tidewire is the package's default
# with these options of tidewire.main set (an empty VALUE deletes the option); an
# OPTION that starts with @ names another section's (@can[0].canaddress).
configure() {
	local name=$1 o key
	shift
	mkdir -p "$work/$name/conf"
	cp "$config" "$work/$name/conf/tidewire"
	for o in "$@"; do
		key=tidewire.main.$o
		[[ $o == @* ]] && key=tidewire.$o
		"$uci" -c "$work/$name/conf" -t "$work/$name/conf/.staged" set "$key" || tw_fail "$name: uci set $key"
	done
	"$uci" -c "$work/$name/conf" -t "$work/$name/conf/.staged" commit tidewire || tw_fail "$name: uci commit"
}

# expect NAME: the record equals standard input (@WORK@ stands for the work directory).
expect() {
	sed "s|@WORK@|$work|g" >"$work/$1/expected"
	diff -u "$work/$1/expected" "$work/$1/record" >"$work/$1/diff" ||
		tw_fail "$1: the init script did not do what was expected:
$(cat "$work/$1/diff")"
}

# pair K [OWNER]: the instance of /dev/tnt pair K as the record shows it: the daemon's
# end its user's, the user's end root's or OWNER's.
pair() {
	local user_end="PTY,link=/dev/tnt$((2 * $1)),raw,echo=0"
	[[ -n ${2:-} ]] && user_end+=",user=$2,mode=600"
	cat <<EOF
instance tnt$((2 * $1))
  set command '/usr/bin/socat' '$user_end' 'PTY,link=/dev/tnt$((2 * $1 + 1)),raw,echo=0,user=tidewire,mode=600'
  set respawn '3600' '1' '0'
  set stderr '1'
close
EOF
}
# pairs N [OWNER]: the instances of pairs 0 to N - 1.
pairs() {
	local k
	for ((k = 0; k < $1; k++)); do pair $k "${2:-}"; done
}

# folders NAME: the run folder's uci staging and the daemon's uci store, made for the
# daemon's user.
folders() {
	cat <<EOF
chown 'tidewire' '@WORK@/$1/run/uci'
chown 'tidewire' '@WORK@/$1/state' '@WORK@/$1/state/tidewire'
chmod '700' '@WORK@/$1/state'
chmod '600' '@WORK@/$1/state/tidewire'
EOF
}

# link_set IF RATE: the CAN link found, looked at, taken down, given the bit rate,
# brought up.
link_set() {
	cat <<EOF
ip 'link' 'show' '$1'
ip '-details' 'link' 'show' '$1'
ip 'link' 'set' '$1' 'down'
ip 'link' 'set' '$1' 'type' 'can' 'bitrate' '$2' 'restart-ms' '100'
ip 'link' 'set' '$1' 'up'
EOF
}

# daemon_start IF: the daemon's instance and its command line up to -c IF.
daemon_start() {
	printf '%s\n' 'instance tidewire' "  set command '/usr/sbin/tidewire' '-c' '$1'"
}
# ser2net_instance NAME: ser2net as its own user, on the configuration in NAME's run folder.
ser2net_instance() {
	cat <<EOF
instance ser2net
  set command '@WORK@/bin/ser2net' '-n' '-u' '-c' '@WORK@/$1/run/ser2net.yaml'
  set file '@WORK@/$1/run/ser2net.yaml'
  set user 'ser2net'
  set group 'ser2net'
  set capabilities '/etc/capabilities/tidewire-ser2net.json'
  set no_new_privs '1'
  jail 'ser2net'
  set respawn '3600' '5' '0'
  set stderr '1'
close
EOF
}

# daemon_end [FILE...]: the rest of the daemon's instance, as its own user with
# CAP_SYS_TIME alone in a jail (procd applies capabilities only so), procd told to
# restart it when a FILE changes, its own uci first on its PATH; the service's reload
# trigger.
daemon_end() {
	cat <<'EOF'
  set user 'tidewire'
  set group 'dialout'
  set capabilities '/etc/capabilities/tidewire.json'
  set no_new_privs '1'
  jail 'tidewire'
EOF
	(($#)) && echo "  set file$(printf " '%s'" "$@")"
	cat <<'EOF'
  set env 'PATH=/usr/libexec/tidewire:/usr/sbin:/usr/bin:/sbin:/bin'
  set respawn '3600' '5' '0'
  set stdout '1'
  set stderr '1'
close
reload trigger 'tidewire'
end
EOF
}

# As shipped: can0 at 250 kbit/s, four pairs, the daemon with -c can0 alone.
configure shipped
run_case shipped
{
	echo 'service tidewire'
	link_set can0 250000
	folders shipped
	pairs 4
	daemon_start can0
	daemon_end
} | expect shipped
# Its uci store starts with the section the daemon fills; the hotplug handler is told
# which link to bring up when the adapter comes back.
tw_expect "shipped: the daemon's uci store" "config can" "$(cat "$work/shipped/state/tidewire")"
tw_expect "shipped: the link for the hotplug handler" "can0 250000" "$(cat "$work/shipped/run/can-link")"

# The adapter not there: said in the system log, once; nothing else tried.
configure absent ports=0
IP_ABSENT=1 run_case absent
{
	echo 'service tidewire'
	echo "ip 'link' 'show' 'can0'"
	echo "logger '-t' 'tidewire' 'CAN interface can0 is not there (adapter unplugged?); it is brought up when it appears'"
	folders absent
	daemon_start can0
	daemon_end
} | expect absent

# Every setting: the console at /dev/tnt15 needs pair 7, more than the two ports; the
# log directory is made, and is the daemon's, its files limited to 1 MB unless
# log_size says otherwise. What the daemon stored in /etc/config while it ran as root
# goes to its store.
configure all interface=can1 bitrate=125000 debug=4 console=/dev/tnt15 logdir="$work/all/logs" \
	udp_port=2000 udp_port_signalk=2002 local_echo=1 status_updates=0 ports=2 @can[0].canaddress=36 \
	"@can[0].ttyassignment=1001:1:RO500 1002:3:it's"
run_case all
{
	echo 'service tidewire'
	link_set can1 125000
	folders all
	pairs 8
	cat <<'EOF'
chown 'tidewire' '@WORK@/all/logs'
instance tidewire
  set command '/usr/sbin/tidewire' '-c' 'can1'
  append command '-d' '4'
  append command '-L' '/dev/tnt15'
  append command '-l' '@WORK@/all/logs'
  append command '-r' '1M'
  append command '-p' '2000'
  append command '-P' '2002'
  append command '-e'
  append command '-s'
EOF
	daemon_end
} | expect all
[[ -d $work/all/logs ]] || tw_fail "all: the log directory $work/all/logs was not made"
for o in canaddress=36 "ttyassignment=1001:1:RO500 1002:3:it's"; do
	tw_expect "all: ${o%%=*} in the daemon's uci store" "${o#*=}" \
		"$("$uci" -c "$work/all/state" -t "$work/all/state/.staged" get "tidewire.@can[0].${o%%=*}")"
done

# A serial-line adapter: no ip calls; one pair; a console that is no /dev/tnt port
# adds none; the booleans in uci's other spellings.
configure serial interface=/dev/ttyUSB0 ports=1 console=/dev/ttyS1 debug=2 local_echo=on status_updates=no
run_case serial
{
	echo 'service tidewire'
	folders serial
	pair 0
	cat <<'EOF'
instance tidewire
  set command '/usr/sbin/tidewire' '-c' '/dev/ttyUSB0'
  append command '-d' '2'
  append command '-L' '/dev/ttyS1'
  append command '-e'
  append command '-s'
EOF
	daemon_end
} | expect serial
[[ -e $work/serial/run/can-link ]] && tw_fail "serial: a link for the hotplug handler"

# Bit rate 0: a vcan (or a link set up elsewhere) is only brought up. A port count that
# is no number gives the four pairs of the default; debug 0 and local echo off add
# nothing; status updates left out stay on.
configure vcan interface=vcan0 bitrate=0 ports=many debug=0 local_echo=0 status_updates=
run_case vcan
{
	cat <<'EOF'
service tidewire
ip 'link' 'show' 'vcan0'
ip 'link' 'set' 'vcan0' 'up'
EOF
	folders vcan
	pairs 4
	daemon_start vcan0
	daemon_end
} | expect vcan

# A link already at the bit rate, with restart-ms 100 (as iproute2 shows a can link):
# not taken down, so a reload does not cut the running daemon off the bus. The same
# link at another bit rate, or without restart-ms 100, is set anew.
configure upalready
IP_DETAILS='3: can0: <NOARP,UP,LOWER_UP,ECHO> mtu 16 qdisc pfifo_fast state UP mode DEFAULT group default qlen 10
    link/can  promiscuity 0 minmtu 0 maxmtu 0
    can state ERROR-ACTIVE (berr-counter tx 0 rx 0) restart-ms 100
	  bitrate 250000 sample-point 0.875
	  tq 250 prop-seg 6 phase-seg1 7 phase-seg2 2 sjw 1 brp 2' run_case upalready
{
	cat <<'EOF'
service tidewire
ip 'link' 'show' 'can0'
ip '-details' 'link' 'show' 'can0'
ip 'link' 'set' 'can0' 'up'
EOF
	folders upalready
	pairs 4
	daemon_start can0
	daemon_end
} | expect upalready
configure otherrate bitrate=500000 ports=0
IP_DETAILS='    can state ERROR-ACTIVE (berr-counter tx 0 rx 0) restart-ms 100
	  bitrate 250000 sample-point 0.875' run_case otherrate
{
	echo 'service tidewire'
	link_set can0 500000
	folders otherrate
	daemon_start can0
	daemon_end
} | expect otherrate

configure norestart ports=0
IP_DETAILS='    can state STOPPED restart-ms 0
	  bitrate 250000 sample-point 0.875' run_case norestart
{
	echo 'service tidewire'
	link_set can0 250000
	folders norestart
	daemon_start can0
	daemon_end
} | expect norestart

# MQTT with a password kept in uci: the daemon gets a file that only its user reads,
# never the password; an IPv6 broker is bracketed before its port.
configure mqtt ports=0 mqtt_host=fd00::5 mqtt_port=8883 "mqtt_client_id=boat one" mqtt_user=skipper \
	"mqtt_password=it's s3cret" mqtt_cafile=/etc/ssl/broker.crt mqtt_prefix=boat/tw mqtt_discovery=off \
	mqtt_discovery_prefix=ha/boat mqtt_forget_days=90
run_case mqtt
{
	echo 'service tidewire'
	link_set can0 250000
	folders mqtt
	daemon_start can0
	cat <<'EOF'
  append command '-m' '[fd00::5]:8883'
  append command '-M' 'clientid=boat one'
  append command '-M' 'user=skipper'
chown 'tidewire' '@WORK@/mqtt/run/mqtt.pass.new'
  append command '-M' 'passfile=@WORK@/mqtt/run/mqtt.pass'
  append command '-M' 'cafile=/etc/ssl/broker.crt'
  append command '-M' 'prefix=boat/tw'
  append command '-M' 'discovery=0'
  append command '-M' 'discovery_prefix=ha/boat'
  append command '-M' 'forget=90'
EOF
	daemon_end @WORK@/mqtt/run/mqtt.pass /etc/ssl/broker.crt
} | expect mqtt
tw_expect "mqtt: the password file" "600 it's s3cret" \
	"$(stat -c %a "$work/mqtt/run/mqtt.pass" 2>&1) $(cat "$work/mqtt/run/mqtt.pass" 2>&1)"
grep -q s3cret "$work/mqtt/record" && tw_fail "mqtt: the password is in what procd is told"
# A password file of one's own is used instead, and one written before goes; the
# defaults (discovery on, entities kept) add nothing; a name with its port is no IPv6
# address.
configure mqttfile ports=0 mqtt_host=broker.lan:1884 mqtt_password=unused mqtt_password_file=/etc/tw.pass \
	mqtt_forget_days=0
mkdir -p "$work/mqttfile/run" && echo old >"$work/mqttfile/run/mqtt.pass"
run_case mqttfile
{
	echo 'service tidewire'
	link_set can0 250000
	folders mqttfile
	daemon_start can0
	cat <<'EOF'
  append command '-m' 'broker.lan:1884'
  append command '-M' 'passfile=/etc/tw.pass'
EOF
	daemon_end /etc/tw.pass
} | expect mqttfile
[[ -e $work/mqttfile/run/mqtt.pass ]] && tw_fail "mqttfile: the password file of an earlier start is still there"
# mqtt_port replaces the port in mqtt_host.
configure mqttport ports=0 mqtt_host=broker.lan:1884 mqtt_port=1885
run_case mqttport
{
	echo 'service tidewire'
	link_set can0 250000
	folders mqttport
	daemon_start can0
	echo "  append command '-m' 'broker.lan:1885'"
	daemon_end
} | expect mqttport

# ser2net on, two charger ports: their user's ends are ser2net's, ser2net runs as its
# own user on the lan address, one TCP port each from 4000, and is told again when
# the lan address changes.
configure ser2net ser2net=1 ports=2
LAN_ADDRESS=192.168.1.1 run_case ser2net
{
	echo 'service tidewire'
	link_set can0 250000
	folders ser2net
	pairs 2 ser2net
	ser2net_instance ser2net
	daemon_start can0
	daemon_end | sed '$d'
	echo "interface trigger 'interface.*' 'lan' '/etc/init.d/tidewire' 'reload'"
	echo end
} | expect ser2net
tw_expect "ser2net: its configuration" "%YAML 1.1
---
connection: &tnt0
  accepter: tcp,192.168.1.1,4000
  connector: serialdev,/dev/tnt0,local
  options:
    kickolduser: true
connection: &tnt2
  accepter: tcp,192.168.1.1,4001
  connector: serialdev,/dev/tnt2,local
  options:
    kickolduser: true" "$(cat "$work/ser2net/run/ser2net.yaml")"
# An address and a port of one's own; the console's pair is no charger's port, so
# not ser2net's. Without an address and with a lan that has none: no ser2net, a word
# in the log, and a start again when the lan gets one.
configure ser2netown ser2net=yes ports=1 console=/dev/tnt3 ser2net_address=10.1.2.3 ser2net_port=5000
LAN_ADDRESS=192.168.1.1 run_case ser2netown
grep -q "^  accepter: tcp,10.1.2.3,5000$" "$work/ser2netown/run/ser2net.yaml" ||
	tw_fail "ser2netown: not at 10.1.2.3:5000: $(cat "$work/ser2netown/run/ser2net.yaml")"
grep -qF "'PTY,link=/dev/tnt2,raw,echo=0' " "$work/ser2netown/record" ||
	tw_fail "ser2netown: the console's pair is not root's: $(grep tnt2 "$work/ser2netown/record")"
grep -q "interface trigger" "$work/ser2netown/record" && tw_fail "ser2netown: started again when the lan address changes"
configure ser2netnolan ser2net=1 ports=1
run_case ser2netnolan
grep -q "^instance ser2net" "$work/ser2netnolan/record" && tw_fail "ser2netnolan: ser2net started without an address"
tw_expect "ser2netnolan: what the log says and the triggers" \
	"logger '-t' 'tidewire' 'ser2net is on, but the lan interface has no address; set ser2net_address'
reload trigger 'tidewire'
interface trigger 'interface.*' 'lan' '/etc/init.d/tidewire' 'reload'" \
	"$(grep -E '^(logger|reload|interface)' "$work/ser2netnolan/record")"

# Switched off: nothing at all.
configure off enabled=0
run_case off
printf '%s\n' 'service tidewire' 'reload trigger '"'tidewire'" 'end' | expect off

if ((EUID == 0)); then
	# A null-modem driver gives /dev/tnt0 as a device of its own: no socat; its
	# daemon's ends become the daemon's user's, the chargers' user's ends ser2net's.
	configure driver ser2net=1 ports=2 ser2net_address=10.1.2.3
	run_case driver 'mknod /dev/tnt0 c 1 3 && mknod /dev/tnt1 c 1 3 && mknod /dev/tnt2 c 1 3 &&
		mknod /dev/tnt3 c 1 3 || exit 125'
	{
		echo 'service tidewire'
		link_set can0 250000
		folders driver
		cat <<'EOF'
chown 'tidewire' '/dev/tnt1' '/dev/tnt3'
chmod '600' '/dev/tnt1' '/dev/tnt3'
chown 'ser2net' '/dev/tnt0' '/dev/tnt2'
chmod '600' '/dev/tnt0' '/dev/tnt2'
EOF
		ser2net_instance driver
		daemon_start can0
		daemon_end
	} | expect driver

	# Links left by socat are no driver: the pairs are made (again).
	configure stale ports=1
	run_case stale 'ln -s /dev/null /dev/tnt0 && ln -s /dev/null /dev/tnt1 || exit 125'
	{
		echo 'service tidewire'
		link_set can0 250000
		folders stale
		pair 0
		daemon_start can0
		daemon_end
	} | expect stale
else
	echo "SKIP: the null-modem driver cases need root (a /dev of their own)"
fi

# The capabilities procd hands the daemon: CAP_SYS_TIME alone, in every set (ambient,
# so that /bin/date -s, its child, may set the clock).
if command -v python3 >/dev/null; then
	tw_expect "the daemon's capabilities" "ambient bounding effective inheritable permitted: CAP_SYS_TIME" \
		"$(python3 -c 'import json, sys
c = json.load(open(sys.argv[1]))
print(" ".join(sorted(c)) + ": " + " ".join(sorted({x for v in c.values() for x in v})))' \
			"$repo/openwrt/files/tidewire.capabilities" 2>&1)"
fi

tw_verdict "the init script's start for every configuration"
