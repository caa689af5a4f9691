#!/usr/bin/env bash
# The package's init script (openwrt/files/tidewire.init) run as procd runs it, under
# busybox's ash, with stand-ins that record what it asks for: procd's instance calls,
# rc.common's start (open the service, start_service, service_triggers, close), the
# config_get and config_get_bool of /lib/functions.sh (functions-standin.sh, over the
# sandbox's uci stand-in and a copy of the package's default /etc/config/tidewire), ip
# and logger. For each
# configuration the record must be exactly the expected one: the CAN link set-up, one
# socat per /dev/tnt pair, the daemon's command line.
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
service_triggers() { :; }
# the tools it calls
# "ip -details link show" prints $IP_DETAILS, what iproute2 shows of the link.
ip() {
	_rec "ip$(_q "$@")"
	[ "$1" = -details ] && printf '%s\n' "${IP_DETAILS-}"
	return 0
}
logger() { _rec "logger$(_q "$@")"; }
EOF

# run_case NAME [DEV-SETUP]: runs rc.common's start with $work/NAME/conf as the uci
# store; the record goes to $work/NAME/record. DEV-SETUP (sh) prepares /dev first;
# IP_DETAILS, when set, is what ip shows of the CAN link.
run_case() {
	local name=$1 setup=${2:-} dir=$work/$1
	local script="
		REC='$dir/record' UCI='$uci' UCI_ARGS='-c $dir/conf -t $dir/conf/.staged'
		. '$here/functions-standin.sh'
		. '$work/standins.sh'
		. '$init'
		procd_open_service tidewire
		start_service
		procd_close_service"
	: >"$dir/record"
	if ((EUID == 0)); then
		# /dev of its own: null for the script's redirections, and whatever the case sets up.
		IP_DETAILS=${IP_DETAILS-} unshare -m --propagation private sh -c "
			mount -t tmpfs tidewire-dev /dev && mknod -m 666 /dev/null c 1 3 || exit 125
			$setup
			exec busybox sh -c \"\$1\"" _ "$script" >"$dir/output" 2>&1
	else
		IP_DETAILS=${IP_DETAILS-} busybox sh -c "$script" >"$dir/output" 2>&1
	fi
	local rc=$?
	((rc == 0)) || tw_fail "$name: start failed with status $rc: $(cat "$dir/output")"
	[[ -s $dir/output ]] && tw_fail "$name: the init script printed: $(cat "$dir/output")"
}

# configure NAME OPTION=VALUE...: $work/NAME/conf/tidewire is the package's default
# with these options of tidewire.main set (an empty VALUE deletes the option).
configure() {
	local name=$1 o
	shift
	mkdir -p "$work/$name/conf"
	cp "$config" "$work/$name/conf/tidewire"
	for o in "$@"; do
		"$uci" -c "$work/$name/conf" -t "$work/$name/conf/.staged" set "tidewire.main.$o" ||
			tw_fail "$name: uci set tidewire.main.$o"
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

# pair K: the instance of /dev/tnt pair K as the record shows it.
pair() {
	cat <<EOF
instance tnt$((2 * $1))
  set command '/usr/bin/socat' 'PTY,link=/dev/tnt$((2 * $1)),raw,echo=0' 'PTY,link=/dev/tnt$((2 * $1 + 1)),raw,echo=0'
  set respawn '3600' '1' '0'
  set stderr '1'
close
EOF
}
# pairs N: the instances of pairs 0 to N - 1.
pairs() {
	local k
	for ((k = 0; k < $1; k++)); do pair $k; done
}

# link_set IF RATE: the CAN link looked at, taken down, given the bit rate, brought up.
link_set() {
	cat <<EOF
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
daemon_end() {
	cat <<'EOF'
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
	pairs 4
	daemon_start can0
	daemon_end
} | expect shipped

# Every setting: the console at /dev/tnt15 needs pair 7, more than the two ports; the
# log directory is made, its files limited to 1 MB unless log_size says otherwise.
configure all interface=can1 bitrate=125000 debug=4 console=/dev/tnt15 logdir="$work/all/logs" \
	udp_port=2000 local_echo=1 status_updates=0 ports=2
run_case all
{
	echo 'service tidewire'
	link_set can1 125000
	pairs 8
	cat <<'EOF'
instance tidewire
  set command '/usr/sbin/tidewire' '-c' 'can1'
  append command '-d' '4'
  append command '-L' '/dev/tnt15'
  append command '-l' '@WORK@/all/logs'
  append command '-r' '1M'
  append command '-p' '2000'
  append command '-e'
  append command '-s'
EOF
	daemon_end
} | expect all
[[ -d $work/all/logs ]] || tw_fail "all: the log directory $work/all/logs was not made"

# A serial-line adapter: no ip calls; one pair; a console that is no /dev/tnt port
# adds none; the booleans in uci's other spellings.
configure serial interface=/dev/ttyUSB0 ports=1 console=/dev/ttyS1 debug=2 local_echo=on status_updates=no
run_case serial
{
	echo 'service tidewire'
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

# Bit rate 0: a vcan (or a link set up elsewhere) is only brought up. A port count that
# is no number gives the four pairs of the default; debug 0 and local echo off add
# nothing; status updates left out stay on.
configure vcan interface=vcan0 bitrate=0 ports=many debug=0 local_echo=0 status_updates=
run_case vcan
{
	cat <<'EOF'
service tidewire
ip 'link' 'set' 'vcan0' 'up'
EOF
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
ip '-details' 'link' 'show' 'can0'
ip 'link' 'set' 'can0' 'up'
EOF
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
	daemon_start can0
	daemon_end
} | expect otherrate

configure norestart ports=0
IP_DETAILS='    can state STOPPED restart-ms 0
	  bitrate 250000 sample-point 0.875' run_case norestart
{
	echo 'service tidewire'
	link_set can0 250000
	daemon_start can0
	daemon_end
} | expect norestart

# Switched off: nothing at all.
configure off enabled=0
run_case off
printf '%s\n' 'service tidewire' 'reload trigger '"'tidewire'" 'end' | expect off

if ((EUID == 0)); then
	# A null-modem driver gives /dev/tnt0 as a device of its own: no socat.
	configure driver
	run_case driver 'mknod /dev/tnt0 c 1 3 && mknod /dev/tnt1 c 1 3 || exit 125'
	{
		echo 'service tidewire'
		link_set can0 250000
		daemon_start can0
		daemon_end
	} | expect driver

	# Links left by socat are no driver: the pairs are made (again).
	configure stale ports=1
	run_case stale 'ln -s /dev/null /dev/tnt0 && ln -s /dev/null /dev/tnt1 || exit 125'
	{
		echo 'service tidewire'
		link_set can0 250000
		pair 0
		daemon_start can0
		daemon_end
	} | expect stale
else
	echo "SKIP: the null-modem driver cases need root (a /dev of their own)"
fi

tw_verdict "the init script's start for every configuration"
