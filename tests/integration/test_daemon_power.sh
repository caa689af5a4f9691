#!/usr/bin/env bash
# NMEA 2000 power traffic as the router's network and clock see it: the real daemon in
# the router sandbox with -p, UDP listeners inside the sandbox's own network namespace
# (never on the machine's interfaces), the simulator's power devices, converters and
# clocks on the bus.
#
#   raw        every forwarded message arrives as RAW lines, one datagram per line per
#              broadcast entry (eth0 and rtr-peer share 10.77.0.255, a second
#              interface eth1 has 10.78.0.255, the other entries go to 0.0.0.0, which
#              is the loopback); the lines decoded back into messages equal what the
#              simulator sent (its candump log); a battery status from a registered
#              RO500 is followed by the relayed one with instance + 100, its
#              temperature the charger's (40 C, then 35 C)
#   converter  converter SIDs 9, 10, 10, 11, 12, 12: exactly one ISO request for 127513
#              and one for 127510 on the bus, to the converter; its answers forwarded
#   clock      the router in CET/CEST: a System Time 16 s off the sandbox clock: one
#              recorded /bin/date call; 15 s off: none; RV-C hour 23 in zone 2: 01:00
#              UTC of the next day; RV-C 12:34:56 in July in zone 0: that time in UTC
#   signalk    a real Signal K server (npm signalk-server, installed once into
#              tests/integration/cache) with the data connection an owner sets up,
#              NMEA 2000 from "Yacht Devices RAW over UDP" at the port of -P: engine
#              speed (127488 at priority 2, 1800 rpm) and battery voltage (127508,
#              12.8 V) in its REST API as 30 Hz and 12.8 V
#
# Usage: test_daemon_power.sh TIDEWIRE SIMULATOR [raw|converter|clock|signalk]...
#        (no group: all of them)
#
# shellcheck disable=SC1010 # "do" is a word of the simulator's commands
# shellcheck disable=SC2015 # "a && b || fail": fail when either fails
# shellcheck disable=SC2016 # awk programs stay in single quotes
# shellcheck disable=SC2034 # TW_* are read by the helpers of lib.sh
set -u
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

PORT=10110
DAEMON=177 # 0xB1
# PGNs the daemon forwards, and those of them that travel as fast packets.
FORWARDED="127501 127506 127507 127508 127510 127513 127750 127488"
FAST="127506 127507 127510 127513"

# awk that turns frames into messages: "PGN PRIORITY DATA" (DATA lower-case hex,
# without blanks), fast packets put back together by identifier. Input: lines
# "ID B0 B1 ..." (hex); frames that do not continue a message are dropped.
_TW_AWK_MESSAGES=$_TW_AWK_FRAMES'
BEGIN { n = split(fast, f, " "); for (i = 1; i <= n; i++) isfast[f[i]] = 1 }
{
	id = hex($1); pgn = int(id / 256) % 262144; prio = int(id / 67108864) % 8
	if (!(pgn in isfast)) {
		d = ""; for (i = 2; i <= NF; i++) d = d tolower($i)
		print pgn, prio, d; next
	}
	counter = hex($2) % 32
	if (counter == 0) {
		want[$1] = hex($3); got[$1] = ""; nextc[$1] = 1
		for (i = 4; i <= NF; i++) got[$1] = got[$1] tolower($i)
	} else if (($1 in nextc) && counter == nextc[$1]) {
		nextc[$1]++
		for (i = 3; i <= NF; i++) got[$1] = got[$1] tolower($i)
	} else {
		next
	}
	if (length(got[$1]) >= 2 * want[$1]) {
		print pgn, prio, substr(got[$1], 1, 2 * want[$1])
		delete nextc[$1]
	}
}'

# raw_messages FILE: the messages in a file of RAW lines.
raw_messages() { tr -d '\r' <"$1" | awk -v fast="$FAST" "$_TW_AWK_MESSAGES"; }

# log_messages AFTER: the forwarded messages the simulated nodes sent after line AFTER
# of the candump log.
log_messages() {
	awk -v from="$1" -v fwd="$FORWARDED" -v me="$DAEMON" "$_TW_AWK_FRAMES"'
	BEGIN { n = split(fwd, f, " "); for (i = 1; i <= n; i++) want[f[i]] = 1 }
	NR > from && frame() && ID % 256 != me && (pgn_of(ID) in want) {
		printf "%s", substr($3, 1, index($3, "#") - 1)
		for (i = 0; 2 * i < length(DATA); i++) printf " %s", substr(DATA, 2 * i + 1, 2)
		printf "\n"
	}' "$TW_LOG" | awk -v fast="$FAST" "$_TW_AWK_MESSAGES"
}

# listen NAME ADDRESS: catches the datagrams sent to ADDRESS:PORT in $TW_OUT/NAME.udp.
listen() {
	socat -u "UDP-RECV:$PORT,bind=$2,reuseaddr" "OPEN:$TW_OUT/$1.udp,creat,append" &
	LISTENERS+=($!)
}

# stop_listening: stops the daemon, then the listeners once its last datagrams are in.
stop_listening() {
	tw_stop
	sleep 0.3
	kill "${LISTENERS[@]}" 2>/dev/null
	wait "${LISTENERS[@]}" 2>/dev/null
}

# A second broadcast-capable interface with an IPv4 broadcast address of its own.
second_interface() {
	if ! ip link add link eth0 name eth1 type macvlan mode bridge 2>/dev/null; then
		ip link add eth1 type veth peer name eth1-peer || return 1
		ip link set eth1-peer up
	fi
	ip addr add 10.78.0.2/24 brd + dev eth1 && ip link set eth1 up
}

start() { TZ=UTC0 tw_start_settled "$@"; }

# repeated FILE N: FILE with each of its lines N times in a row.
repeated() { tr -d '\r' <"$1" | awk -v n="$2" '{ for (i = 0; i < n; i++) print }'; }

phase_raw() {
	local mark got want
	LISTENERS=()
	second_interface || { tw_fail "could not add a second broadcast interface"; return; }
	listen eth0 10.77.0.255
	listen eth1 10.78.0.255
	listen loopback 127.0.0.1
	tw_read_port tnt0 /dev/tnt0
	start raw -d 1 -p "$PORT" && tw_await_answered tnt0 1001 || { tw_stop; return; }
	sleep 0.7 # then a heartbeat (AST fields 13, 3 and 11: 13.95 V, 4.5 A, 80)

	mark=$(tw_log_lines "$TW_LOG")
	tw_sim node bat behaviour=n2k-battery address=0x50
	tw_sim do bat set instance=1 volts=13.2 amps=-4.5 kelvin=298.15 sid=3
	tw_sim node chg behaviour=n2k-charger address=0x51
	tw_sim node dcd behaviour=dc-detailed address=0x52
	tw_sim node eng behaviour=engine address=0x53
	tw_sim node conv behaviour=converter address=0x54
	tw_sim do conv sids 10,11,12
	tw_sim node sw address=0x55
	tw_sim every 1000 send sw 127501 DeviceBankInstance=1 Status=0xFFFFFFFFFFFFF1
	# Until every forwarded PGN was on the bus (the converter's answers last): what
	# is missing then is reported below.
	# shellcheck disable=SC2317 # called through tw_wait
	_all_sent() { [[ $(log_messages "$mark" | cut -d' ' -f1 | sort -u | xargs) == $(xargs -n1 <<<"$FORWARDED" | sort | xargs) ]]; }
	tw_wait 4 _all_sent
	# A battery status from the RO500: 26.11 V, -1.9 A, 289.30 K, SID 7.
	tw_sim send c1 127508 BatteryInstance=0 BatteryVoltage=26.11 BatteryCurrent=-1.9 BatteryTemperature=289.30 SID=7
	tw_wait 1 tw_has_text "$TW_OUT/eth1.udp" "19f214b1 64 "
	# The charger's heartbeat says 35 C (byte 75): AST field 11 shows 35, and the next
	# relayed status carries it.
	local at35
	at35=$(tw_port_mark tnt0)
	tw_sim do c1 output temp=35
	tw_wait 3 tw_port_has_ast tnt0 "$at35" 11=35 || tw_fail "charger at 35 C: no AST line with 11=35: $(tw_port_ast tnt0 "$at35" | tail -1)"
	tw_sim send c1 127508 BatteryInstance=0 BatteryVoltage=26.11 BatteryCurrent=-1.9 BatteryTemperature=289.30 SID=8
	tw_wait 1 tw_has_text "$TW_OUT/eth1.udp" "19f214b1 64 73 05 2d 00 5f 78 08"
	for n in bat chg dcd eng conv; do tw_sim do "$n" stop; done
	tw_sim remove sw
	sleep 1.5
	stop_listening

	# One datagram per line per broadcast entry: eth1 once, eth0 and rtr-peer (both
	# 10.77.0.255) twice; the loopback as often as there are entries without an IPv4
	# broadcast address (one per interface at least: its AF_PACKET entry).
	local lines copies
	lines=$(wc -l <"$TW_OUT/eth1.udp")
	((lines > 0)) || tw_fail "no RAW lines at 10.78.0.255 (eth1)"
	tw_expect "each line twice at 10.77.0.255 (eth0, rtr-peer)" "$(repeated "$TW_OUT/eth1.udp" 2)" \
		"$(tr -d '\r' <"$TW_OUT/eth0.udp")"
	copies=$(($(wc -l <"$TW_OUT/loopback.udp") / (lines > 0 ? lines : 1)))
	((copies >= 3)) || tw_fail "$copies copies of each line to 0.0.0.0, want one per entry without an IPv4 broadcast address (3 or more)"
	tw_expect "each line $copies times to 0.0.0.0 (the loopback)" "$(repeated "$TW_OUT/eth1.udp" "$copies")" \
		"$(tr -d '\r' <"$TW_OUT/loopback.udp")"
	tr -d '\r' <"$TW_OUT/eth1.udp" | grep -vqE '^[0-9a-f]{2,8}( [0-9a-f]{2}){0,8}$' &&
		tw_fail "a line not in RAW form: $(tr -d '\r' <"$TW_OUT/eth1.udp" | grep -vE '^[0-9a-f]{2,8}( [0-9a-f]{2}){0,8}$' | head -1)"
	# Every identifier carries the daemon's own address.
	tr -d '\r' <"$TW_OUT/eth1.udp" | awk '{ print substr($1, length($1) - 1) }' | sort -u | grep -vqx b1 &&
		tw_fail "RAW identifiers with another source than the daemon's b1"

	# Decoded back into messages: what the simulator sent, in order, plus the relay.
	want=$(log_messages "$mark")
	got=$(raw_messages "$TW_OUT/eth1.udp" | grep -v '^127508 6 64')
	[[ -n $want ]] || tw_fail "no forwarded messages in the bus log"
	tw_expect "messages decoded from the RAW lines against the bus log" "$want" "$got"
	for pgn in $FORWARDED; do
		grep -q "^$pgn " <<<"$got" || tw_fail "no $pgn among the RAW lines"
	done
	# The RO500's battery status, then its own values as instance 100: 13.95 V (73 05),
	# 4.5 A (2d 00), the charger's 40 C as 313.15 K (53 7a), the same SID.
	grep -A1 -x '19f214b1 00 33 0a ed ff 02 71 07' <(tr -d '\r' <"$TW_OUT/eth1.udp") | tail -1 |
		grep -qx '19f214b1 64 73 05 2d 00 53 7a 07' ||
		tw_fail "no relayed battery status (instance 100) right after the RO500's: $(grep -c '^19f214b1 64' "$TW_OUT/eth1.udp") lines with instance 100"
	# The charger at 35 C (heartbeat byte 75): 308.15 K (5f 78).
	grep -A1 -x '19f214b1 00 33 0a ed ff 02 71 08' <(tr -d '\r' <"$TW_OUT/eth1.udp") | tail -1 |
		grep -qx '19f214b1 64 73 05 2d 00 5f 78 08' || tw_fail "no relayed battery status with 308.15 K (5f 78) for the charger at 35 C"
	tw_expect "relayed battery statuses" 2 "$(grep -c '^19f214b1 64' "$TW_OUT/eth1.udp")"
	echo "FIGURES raw: $lines lines, $(wc -l <<<"$got") messages; each line once to 10.78.0.255, twice to 10.77.0.255, $copies times to 0.0.0.0"
}

phase_converter() {
	local mark requests
	LISTENERS=()
	listen eth0 10.77.0.255
	start converter -d 4 -p "$PORT" || { tw_stop; return; }
	mark=$(tw_log_lines "$TW_LOG")
	tw_sim node conv behaviour=converter address=0x54
	tw_sim do conv stop
	tw_sim do conv period 200
	tw_sim do conv sids 9,10,10,11,12,12
	tw_sim do conv start
	sleep 1.5
	tw_sim do conv stop
	sleep 1
	stop_listening

	local sids
	sids=$(tw_frames_id "$TW_LOG" "$mark" 19F30654 | cut -d' ' -f2 | cut -c1-2 | xargs)
	# ISO requests (EA00, priority 6) from the daemon to the converter (0x54).
	requests=$(tw_frames_id "$TW_LOG" "$mark" 18EA54B1 | cut -d' ' -f2 | sort | uniq -c | awk '{ print $2 "x" $1 }' | xargs)
	tw_expect "ISO requests for 127513 and 127510 to the converter" "16F201x1 19F201x1" \
		"$(grep -oE '(16F201|19F201)x[0-9]+' <<<"$requests" | sort | xargs)"
	tw_has_text "$TW_OUT/converter.out" "N2kConverterStatus(84): Requesting PGN 127513" ||
		tw_fail "no 'Requesting PGN 127513' on the console"
	# The answers came and were forwarded as RAW lines (fast packets, 8 bytes).
	tr -d '\r' <"$TW_OUT/eth0.udp" | grep -q '^19f219b1 00 08 ' || tw_fail "the battery configuration answer was not forwarded"
	tr -d '\r' <"$TW_OUT/eth0.udp" | grep -q '^19f216b1 00 08 ' || tw_fail "the charger configuration answer was not forwarded"
	echo "FIGURES converter: SIDs (hex) on the bus $sids; requests (data x count) $requests"
}

# clock_send NODE: sends one message of the clock NODE early in a second of the real
# clock, so that the daemon reads it within the same second (it drops the fraction).
clock_send() {
	# shellcheck disable=SC2317 # called through tw_wait
	_early() { local f=${EPOCHREALTIME#*.}; ((10#${f:0:3} >= 50 && 10#${f:0:3} < 300)); }
	tw_wait 2 _early
	tw_sim do "$1" send
}

# date_calls: lines in the sandbox's date.log.
date_calls() { tw_log_lines "$SANDBOX_STATE/date.log"; }

phase_clock() {
	local before mark line t bus
	# The router's zone as OpenWrt sets it (CET, CEST in summer): bus times are UTC
	# or carry their own zone, so it must not shift a single call.
	TZ=CET-1CEST,M3.5.0,M10.5.0/3 tw_start_settled clock -d 8 || { tw_stop; return; }
	tw_sim node clk behaviour=n2k-clock address=0x60
	tw_sim do clk stop
	sleep 0.5

	# 16 s ahead: one call, with the bus time.
	before=$(date_calls)
	mark=$(tw_log_lines "$TW_LOG")
	tw_sim do clk offset 16
	clock_send clk
	tw_wait 3 tw_has_text "$SANDBOX_STATE/date.log" "-s @" || true
	sleep 1
	tw_expect "/bin/date calls for a bus time 16 s ahead" 1 $(($(date_calls) - before))
	line=$(tail -n 1 "$SANDBOX_STATE/date.log")
	# The bus time from the frame: days * 86400 + whole seconds of the time of day.
	bus=$(tw_frames_id "$TW_LOG" "$mark" 0DF01060 | tail -1 | awk "$_TW_AWK_FRAMES"'
		{ d = $2; days = hex(substr(d, 7, 2) substr(d, 5, 2)); raw = hex(substr(d, 15, 2) substr(d, 13, 2) substr(d, 11, 2) substr(d, 9, 2))
		  printf "%d %.3f\n", days * 86400 + int(raw / 10000), days * 86400 + raw / 10000 - $1 }')
	read -r t off <<<"$bus"
	tw_expect "the call" "-s @$t" "$line"
	awk -v o="$off" 'BEGIN { exit !(o > 15.9 && o < 16.1) }' || tw_fail "the bus time was $off s ahead of the log's clock, not 16"

	# 15 s ahead, then 15 s behind: no call.
	before=$(date_calls)
	for offset in 15 -15; do
		tw_sim do clk offset "$offset"
		clock_send clk
	done
	sleep 1
	tw_expect "/bin/date calls for a bus time 15 s off" 0 $(($(date_calls) - before))
	# 16 s behind: one more.
	tw_sim do clk offset -16.5
	clock_send clk
	sleep 1
	tw_expect "/bin/date calls for a bus time 16.5 s behind" 1 $(($(date_calls) - before))

	# A date that is not available: none.
	before=$(date_calls)
	tw_sim do clk set date=na time=43200
	tw_sim do clk send
	sleep 1
	tw_expect "/bin/date calls for a System Time without a date" 0 $(($(date_calls) - before))
	tw_has_text "$TW_OUT/clock.out" "N2kSysDateTime(96): date or time not available, clock left alone" ||
		tw_fail "no console line for the System Time without a date"

	# RV-C: 2024-01-01 23:00:00 in zone 2 is 2024-01-02 01:00:00 UTC.
	before=$(date_calls)
	tw_sim node rvc behaviour=rvc-clock address=0x61
	tw_sim do rvc stop
	tw_sim do rvc set year=24 month=1 day=1 hour=23 minute=0 second=0 zone=2
	sleep 0.5
	tw_sim do rvc send
	sleep 1
	tw_expect "/bin/date calls for RV-C hour 23 in zone 2" 1 $(($(date_calls) - before))
	tw_expect "the RV-C call" "-s @1704157200" "$(tail -n 1 "$SANDBOX_STATE/date.log")"
	# 2024-07-15 12:34:56 in zone 0, when the router's zone is in summer time: 19919
	# days and 45296 s.
	tw_sim do rvc set year=24 month=7 day=15 hour=12 minute=34 second=56 zone=0
	tw_sim do rvc send
	sleep 1
	tw_expect "/bin/date calls for RV-C July in zone 0" 2 $(($(date_calls) - before))
	tw_expect "the RV-C call in July" "-s @1721046896" "$(tail -n 1 "$SANDBOX_STATE/date.log")"
	tw_stop
}

# sk_value PATH WANT: Signal K's value at PATH of this vessel is WANT.
sk_value() { [[ $(curl -s "http://127.0.0.1:3000/signalk/v1/api/vessels/self/$1/value") == "$2" ]]; }

phase_signalk() {
	local conf=$SANDBOX_STATE/signalk
	mkdir -p "$conf"
	# Its admin page's "Data Connections": NMEA 2000, Yacht Devices RAW over UDP, a port.
	cat >"$conf/settings.json" <<EOF
{ "interfaces": {}, "mdns": false,
  "pipedProviders": [ { "id": "tidewire", "enabled": true, "pipeElements": [ {
    "type": "providers/simple",
    "options": { "type": "NMEA2000", "subOptions": { "type": "ydwg02-udp-canboatjs", "port": "2002" } } } ] } ] }
EOF
	PORT=3000 node "$TW_SIGNALK/node_modules/signalk-server/bin/signalk-server" -c "$conf" >"$TW_OUT/signalk.log" 2>&1 &
	tw_start_settled signalk -P 2002 || { tw_stop; return; }
	tw_sim node eng behaviour=engine address=0x30
	tw_sim node bat behaviour=n2k-battery address=0x31
	tw_wait 30 sk_value propulsion/port/revolutions 30 ||
		tw_fail "Signal K shows no engine speed of 30 Hz: $(curl -s http://127.0.0.1:3000/signalk/v1/api/vessels/self/propulsion)"
	tw_wait 10 sk_value electrical/batteries/0/voltage 12.8 ||
		tw_fail "Signal K shows no battery voltage of 12.8 V: $(curl -s http://127.0.0.1:3000/signalk/v1/api/vessels/self/electrical)"
	tw_stop
}

# signalk_install: Signal K's server in the cache, installed from npm once (tests may
# start side by side); TW_SIGNALK is where it is.
SIGNALK_VERSION=2.23.0
signalk_install() {
	export TW_SIGNALK=${TIDEWIRE_SIGNALK_CACHE:-$TW_HERE/cache/signalk-$SIGNALK_VERSION}
	mkdir -p "$TW_SIGNALK"
	flock "$TW_SIGNALK/.lock" sh -c '[ -e "$1/.installed" ] ||
		{ npm install --prefix "$1" --no-audit --no-fund "signalk-server@$2" >"$1/install.log" 2>&1 && touch "$1/.installed"; }' \
		_ "$TW_SIGNALK" "$SIGNALK_VERSION"
	[[ -e $TW_SIGNALK/.installed ]] && return 0
	echo "SKIP: group 'signalk': npm could not install signalk-server@$SIGNALK_VERSION: $(tail -n 3 "$TW_SIGNALK/install.log")"
	return 1
}
outside_signalk() {
	tw_needs node npm curl && signalk_install &&
		tw_sandbox_phase signalk "$TW_HERE/scenarios/quiet_bus.scn"
}

TW_SCENARIO=$TW_HERE/scenarios/power.scn
tw_main "power messages, RAW UDP and the clock" raw converter clock signalk -- "$@"
