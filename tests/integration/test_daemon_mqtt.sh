#!/usr/bin/env bash
# MQTT as a home automation system sees it: the real daemon in the router sandbox
# publishes to a real mosquitto inside the sandbox's own network (on rtr-peer's
# address, 10.77.0.1), and a mosquitto_sub there is the witness. Groups:
#   publish  two chargers and two batteries: retained discovery configs (one field by
#            field), availability, the router status, state values as the simulator
#            sends them, the status lines of the answer to "$RAS:@"
#   will     SIGKILL: the broker publishes the will "offline"; SIGTERM: the daemon
#            says "offline" itself and disconnects
#   outage   the broker away for 20 s: the ports and the battery log go on, and
#            afterwards everything is retained again; a broker that cannot be reached
#            or whose name does not resolve holds up nothing either
#   auth     a broker that wants a password: a wrong one and an unreadable password
#            file said once on the console at the default debug level, and no
#            connection without the password; the right one: everything arrives; a
#            restart without a charger leaves it offline, a power cut leaves it with
#            no fresh state and sensors that expire
#   tls      the same broker over TLS, reached by name, the port 8883 by default: a CA
#            that did not sign its certificate said once; the right one, everything
#   kept     a charger away keeps its entities; only with a horizon to forget it
#            (-M forget, short here) are its configs emptied when it has passed
#
# Usage: test_daemon_mqtt.sh TIDEWIRE SIMULATOR [publish|will|outage|auth|tls|kept]...
#        (no group: all of them)
#
# shellcheck disable=SC1010 # "do" is a word of the simulator's commands
# shellcheck disable=SC2016 # '$RAS:@' is the charger's own text
set -u
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

BROKER=10.77.0.1
# The router's serial code in the sandbox names its topics.
BASE=tidewire/025457000001
HA_ROOT=homeassistant
HA=$HA_ROOT/sensor/tidewire_025457000001
DEVICES='ro500_1001 ro500_1002 battery_2046-471-1 battery_2046-471-2'

# witness_start: every message from now on in $TW_OUT/mqtt.sub, "RETAIN TOPIC PAYLOAD"
# with the retain flag as published.
witness_start() {
	tw_broker_sub -V 5 --retain-as-published -F '%r %t %p' -t '#' >>"$TW_OUT/mqtt.sub" 2>&1 &
}
# witness_count REGEX: messages that the witness saw matching REGEX.
witness_count() { grep -cE -- "$1" "$TW_OUT/mqtt.sub"; }
_witness_has() { (($(witness_count "$1") >= $2)); }
# retained: what a client that subscribes now gets, "TOPIC PAYLOAD" a line.
retained() { tw_broker_sub -F '%t %p' -t '#' --retained-only -W 2; }
# payload TOPIC: the payload of TOPIC in the lines on stdin ("TOPIC PAYLOAD").
payload() { awk -v t="$1" '$1 == t { sub(/^[^ ]* ?/, ""); print; exit }'; }

# flat: the JSON text on stdin as "key=value" lines, nested keys joined by dots,
# numbers as Python writes them; "units" left out.
flat() {
	python3 -c '
import json, sys
def walk(path, v):
    if isinstance(v, dict):
        for k, x in v.items(): walk(path + [k], x)
    elif isinstance(v, list):
        for i, x in enumerate(v): walk(path + [str(i)], x)
    elif path[0] != "units":
        print(".".join(path) + "=" + (v if isinstance(v, str) else json.dumps(v)))
walk([], json.loads(sys.stdin.read()))' 2>&1
}
# check_fields WHAT EXPECTED ACTUAL: "key=value" lines compared, each difference named.
check_fields() {
	[[ $2 == "$3" ]] || tw_fail "$1 (< expected, > got): $(diff <(echo "$2") <(echo "$3") | grep '^[<>]' | paste -sd ';')"
}
# check_state WHAT EXPECTED JSON: the state's values against "key=value" words.
check_state() { check_fields "$1" "$(xargs -n1 <<<"$2")" "$(flat <<<"$3")"; }

# dcs_stamps FILE: the times of a battery log's DCS lines, in s since 1970.
dcs_stamps() {
	local d
	sed -n 's/^\([0-9-]\{10\} [0-9:]\{8\}\) DCS;.*/\1/p' "$1" | while read -r d; do date -u -d "$d" +%s; done
}
# max_ast_gap PORT AFTER: the longest time between two AST lines after AFTER, in s.
max_ast_gap() { tw_port_ast "$1" "$2" | awk '{ if (n++ && $2 - t > m) m = $2 - t; t = $2 } END { printf "%.2f", m }'; }

# =============================================================== inside ====

phase_publish() {
	local snap d
	tw_broker_start
	witness_start
	tw_start_claimed publish -d 4 -m "$BROKER" || { tw_stop; return; }
	tw_await_console 5 "MQTT: publishing to $BROKER:1883 under $BASE"
	tw_wait 20 _witness_has "^1 $HA/.*/config " 64 || tw_fail "fewer than 64 discovery configs within 20 s: $(witness_count "/config ")"
	tw_wait 10 _witness_has "^0 $BASE/ro500/100[12]/line FLT;" 2 || tw_fail "no FLT line of each charger within 10 s"
	tw_wait 10 _witness_has "^1 $BASE/battery/.*/state .*\"dc_power\":31," 1 || tw_fail "the start battery's state is incomplete"
	snap=$(retained)

	for d in $DEVICES; do
		tw_expect "retained configs of $d" 16 "$(grep -c "^$HA/${d}_[a-z0-9_]*/config {" <<<"$snap")"
	done
	check_fields "config of ro500_1001_temperature" "name=Charger temperature
unique_id=tidewire_025457000001_ro500_1001_temperature
object_id=tidewire_025457000001_ro500_1001_temperature
default_entity_id=sensor.tidewire_025457000001_ro500_1001_temperature
state_topic=$BASE/ro500/1001/state
value_template={{ value_json.temperature }}
unit_of_measurement=°C
device_class=temperature
state_class=measurement
suggested_display_precision=1
entity_category=diagnostic
expire_after=300
availability.0.topic=$BASE/status
availability.1.topic=$BASE/ro500/1001/availability
availability_mode=all
origin.name=tidewire
device.identifiers.0=tidewire_025457000001_ro500_1001
device.name=RO500 1001
device.manufacturer=tidewire simulator
device.model=RO500
device.sw_version=RODE2.1.5
device.via_device=tidewire_025457000001" "$(payload "$HA/ro500_1001_temperature/config" <<<"$snap" | flat)"
	# The router's own device, the battery flags, the chargers' fault events.
	tw_expect "router's connectivity sensor" "connectivity $BASE/status online offline" \
		"$(payload "$HA_ROOT/binary_sensor/tidewire_025457000001/status/config" <<<"$snap" |
			python3 -c 'import json,sys; c=json.load(sys.stdin); print(c["device_class"], c["state_topic"], c["payload_on"], c["payload_off"])')"
	tw_expect "battery binary sensors" 8 "$(grep -c "^$HA_ROOT/binary_sensor/tidewire_025457000001/battery_.*/config {" <<<"$snap")"
	tw_expect "charger event entities" 2 "$(grep -c "^$HA_ROOT/event/tidewire_025457000001/ro500_100[12]_fault/config {" <<<"$snap")"
	tw_sim do c1 fault 100 3
	tw_wait 5 _witness_has "^0 $BASE/ro500/1001/event {\"event_type\":\"fault\",\"line\":\"FLT;,100,-99\",\"code\":100}" 1 ||
		tw_fail "no fault event of c1 within 5 s"
	tw_expect "battery config's device" "device.manufacturer=tidewire simulator
device.model=LFP200
device.sw_version=BMS1.4" "$(payload "$HA/battery_2046-471-2_soc/config" <<<"$snap" | flat | grep -E '^device\.(man|mod|sw)')"

	tw_expect "router status" online "$(payload "$BASE/status" <<<"$snap")"
	for d in ro500/1001 ro500/1002 battery/2046-471-1 battery/2046-471-2; do
		tw_expect "$d availability" online "$(payload "$BASE/$d/availability" <<<"$snap")"
	done
	# The chargers' AST fields as the simulator answers, the charge voltage, current
	# and temperature of their heartbeats (c2's output set by the scenario).
	check_state "c1's state" "unique_number=1001 hours=100.5 dc_voltage=13.2 charge_current=4.5 dc_current=-2.0
		dc_power=60.0 desired_voltage=14.4 desired_current=30.0 desired_power=432.0 charge_state=21
		source_temperature=25.0 temperature=40.0 engine_speed=1800.0 charge_voltage=13.95 ast14=7.0 ast15=8.0
		percent_max=90.0" "$(payload "$BASE/ro500/1001/state" <<<"$snap")"
	check_state "c2's state" "unique_number=1002 hours=100.5 dc_voltage=13.2 charge_current=-3.5 dc_current=-2.0
		dc_power=60.0 desired_voltage=14.4 desired_current=30.0 desired_power=432.0 charge_state=21
		source_temperature=25.0 temperature=25.0 engine_speed=1800.0 charge_voltage=12.6 ast14=7.0 ast15=8.0
		percent_max=90.0" "$(payload "$BASE/ro500/1002/state" <<<"$snap")"
	# The banks as the scenario set them, and what follows from that: capacity
	# remaining = state of charge x health x full capacity, time remaining (discharging
	# only) = capacity remaining / current, power = |voltage x current|.
	check_state "house bank's state" "instance=1 priority=120 voltage=13.6 current=-10.0 temperature=25.0 soc=80.0
		time_remaining=null soh=100.0 capacity_remaining=160 relative_capacity=80.0 ripple=0.02
		desired_charge_state=2 desired_voltage=14.2 desired_current=20.0 battery_type=3 precise_voltage=13.6
		full_capacity=200 dc_power=136 high_voltage_limit=false high_voltage_disconnect=false
		low_voltage_limit=false low_voltage_disconnect=false discharge_on=true charge_on=true
		charge_detected=true reserve_reached=false" "$(payload "$BASE/battery/2046-471-1/state" <<<"$snap")"
	check_state "start battery's state" "instance=2 priority=120 voltage=12.4 current=2.5 temperature=18.0 soc=50.0
		time_remaining=1200 soh=100.0 capacity_remaining=50 relative_capacity=50.0 ripple=0.02
		desired_charge_state=2 desired_voltage=14.4 desired_current=10.0 battery_type=2 precise_voltage=12.4
		full_capacity=100 dc_power=31 high_voltage_limit=false high_voltage_disconnect=false
		low_voltage_limit=false low_voltage_disconnect=false discharge_on=true charge_on=true
		charge_detected=false reserve_reached=false" "$(payload "$BASE/battery/2046-471-2/state" <<<"$snap")"

	# The answer to "$RAS:@", line by line as it came, not retained.
	tw_expect "c1's lines" "$TW_RO500_LINES" "$(awk -v t="$BASE/ro500/1001/line" '$1 == 0 && $2 == t { sub(/^[^ ]* [^ ]* /, ""); print }' "$TW_OUT/mqtt.sub")"
	tw_expect "retained lines" "" "$(grep '/line ' <<<"$snap")"
	tw_stop
}

# SIGKILL leaves the goodbye to the broker (the will); SIGTERM says it itself, as the
# broker's log shows: the daemon's own PUBLISH and a DISCONNECT, after which a broker
# drops the will.
phase_will() {
	local mark
	tw_broker_start
	witness_start
	tw_start_claimed killed -d 4 -m "$BROKER" || { tw_stop; return; }
	tw_wait 10 _witness_has "^1 $BASE/status online" 1 || tw_fail "no status online within 10 s"
	kill -KILL "$TW_PID"
	wait "$TW_PID"
	tw_wait 3 _witness_has "^1 $BASE/status offline" 1 || tw_fail "SIGKILL: no will 'offline' within 3 s"
	tw_has_text "$TW_OUT/broker.log" "Received DISCONNECT from tidewire-" && tw_fail "SIGKILL: a DISCONNECT from the daemon"

	tw_start_claimed stopped -d 4 -m "$BROKER" || { tw_stop; return; }
	tw_wait 10 _witness_has "^1 $BASE/status online" 2 || tw_fail "no status online after the restart"
	mark=$(tw_log_lines "$TW_OUT/broker.log")
	tw_stop
	tw_wait 3 _witness_has "^1 $BASE/status offline" 2 || tw_fail "SIGTERM: no 'offline' within 3 s"
	tail -n "+$((mark + 1))" "$TW_OUT/broker.log" | grep -q "Received PUBLISH from tidewire-025457000001 .*'$BASE/status', ... (7 bytes)" ||
		tw_fail "SIGTERM: the daemon did not publish 'offline' itself"
	tail -n "+$((mark + 1))" "$TW_OUT/broker.log" | grep -q "Received DISCONNECT from tidewire-025457000001" ||
		tw_fail "SIGTERM: no DISCONNECT from the daemon"
	tw_expect "retained router status" offline "$(retained | payload "$BASE/status")"
}

# all_back: a client that subscribes now gets the router's status, every config and
# each device's state.
all_back() {
	local snap
	snap=$(retained)
	[[ $(payload "$BASE/status" <<<"$snap") == online ]] && (($(grep -c "^$HA/.*/config {" <<<"$snap") == 64)) &&
		(($(grep -c "^$BASE/.*/state {" <<<"$snap") == 4))
}

# keeps_going NAME WHAT: the daemon at -m WHAT: c1 comes online and answers, and
# its AST lines come for 6 s without a longer gap than 1.5 s; a stop takes under 5 s.
keeps_going() {
	local gap t0
	tw_start_claimed "$1" -d 4 -m "$2" || { tw_stop; return; }
	tw_await_answered tnt0 1001 "$(tw_port_mark tnt0)" || { tw_stop; return; }
	sleep 6
	gap=$(max_ast_gap tnt0 "$TW_AOK_AT")
	echo "FIGURES outage: broker $2: longest gap between AST lines $gap s"
	tw_below "$gap" 1.5 || tw_fail "broker $2: an AST line $gap s after the one before"
	t0=$EPOCHREALTIME
	tw_stop
	tw_below "$(awk -v t="$t0" -v n="$EPOCHREALTIME" 'BEGIN { print n - t }')" 5 || tw_fail "broker $2: the stop took 5 s or more"
}

phase_outage() {
	local mark t0 back gap bank gaps
	tw_read_port tnt0 /dev/tnt0
	mkdir -p "$TW_LOGS"
	# c1 at /dev/tnt0 whichever charger comes first.
	uci set 'tidewire.@can[0].ttyassignment=1001:1:RO500 1002:3:RO500' && uci commit tidewire
	tw_broker_start
	tw_start_claimed outage -d 4 -l "$TW_LOGS" -m "$BROKER" || { tw_stop; return; }
	tw_await_answered tnt0 1001 || { tw_stop; return; }
	tw_wait 15 all_back || tw_fail "not everything retained within 15 s"

	tw_broker_stop
	t0=$(date +%s)
	mark=$(tw_port_mark tnt0)
	sleep 20
	tw_broker_start
	# Reconnects back off: the try after at most 15 s waits 8 to 16 s more.
	tw_wait 40 all_back || tw_fail "not everything retained again within 40 s of the broker's return"
	back=$(($(date +%s) - t0))
	gap=$(max_ast_gap tnt0 "$mark")
	echo "FIGURES outage: everything retained again $back s after the broker went away; longest gap between AST lines $gap s"
	tw_below "$gap" 1.5 || tw_fail "an AST line $gap s after the one before while the broker was away"
	for bank in "" .2; do
		gaps=$(dcs_stamps "$TW_LOGS/BAT-35$bank:2046:471:310:LFP200:B.log" |
			awk -v t0="$t0" -v t1="$((t0 + back))" '$1 >= t0 && $1 <= t1 { if (n++) printf "%d ", $1 - t; t = $1 }')
		awk -v g="$gaps" 'BEGIN { n = split(g, a, " "); for (i = 1; i <= n; i++) if (a[i] > 11) exit 1; exit n < 1 }' ||
			tw_fail "battery 35$bank: DCS lines while the broker was away came '$gaps' s apart (want every 10 s)"
	done
	tw_stop

	# A broker that cannot be reached (no such host on the network), and one whose
	# name the DNS server never answers for.
	keeps_going unreachable 10.77.0.99
	printf 'nameserver %s\n' "$BROKER" >/etc/resolv.conf
	socat -u UDP-RECV:53,bind="$BROKER" /dev/null &
	keeps_going unresolved broker.lan
}

# state_of ID: the retained availability of a device ("ro500/1002") a late subscriber
# gets; "-" when there is none.
state_of() { retained | payload "$BASE/$1/availability" | grep . || echo -; }
_state_is() { [[ $(state_of "$1") == "$2" ]]; }
# configs_of OBJECT: the retained discovery configs of a device ("ro500_1002").
configs_of() { retained | grep -c "^$HA_ROOT/[a-z_]*/tidewire_025457000001/$1_[a-z0-9_]*/config {"; }
_configs_are() { (($(configs_of "$1") == $2)); }
# console_count TEXT: lines of the current run's console that hold TEXT.
console_count() { tw_console | grep -cF -- "$1"; }
# since_mark FILE MARK REGEX: lines after line MARK of FILE that match REGEX.
since_mark() { tail -n "+$(($2 + 1))" "$1" | grep -cE -- "$3"; }

MQTT_PASSWORD='b0at-Pass'

phase_auth() {
	local pass=$SANDBOX_STATE/mqtt.pass login mark
	tw_broker_start tidewire "$MQTT_PASSWORD"
	witness_start
	login=(-M user=tidewire -M "passfile=$pass")
	# A wrong password, at the default debug level: said once however often tried.
	echo wrong >"$pass"
	mark=$(tw_log_lines "$TW_OUT/broker.log")
	tw_start_claimed refused -m "$BROKER" "${login[@]}" || { tw_stop; return; }
	tw_await_console 10 "MQTT: $BROKER:1883 refused the connection: Connection Refused: not authorised."
	sleep 4
	(($(since_mark "$TW_OUT/broker.log" "$mark" "New connection from") >= 2)) || tw_fail "the daemon did not try again after a refusal"
	tw_expect "refusals said" 1 "$(console_count 'refused the connection')"
	tw_stop
	# A password file that cannot be read: said, and no connection without it.
	mark=$(tw_log_lines "$TW_OUT/broker.log")
	tw_start_claimed unreadable -m "$BROKER" -M user=tidewire -M "passfile=$SANDBOX_STATE/none" || { tw_stop; return; }
	tw_await_console 5 "MQTT: cannot read the password file $SANDBOX_STATE/none: No such file or directory; not connecting without it"
	sleep 3
	tw_expect "connections without the password" 0 "$(since_mark "$TW_OUT/broker.log" "$mark" "New connection from")"
	tw_expect "unreadable file said" 1 "$(console_count 'cannot read the password file')"
	tw_stop

	echo "$MQTT_PASSWORD" >"$pass"
	tw_start_claimed right -m "$BROKER" "${login[@]}" || { tw_stop; return; }
	tw_await_console 5 "MQTT: connected to $BROKER:1883"
	tw_wait 20 all_back || tw_fail "password: not everything retained within 20 s"
	tw_stop
	# Restarted cleanly without c2: c2 offline, c1 online.
	tw_sim remove c2
	tw_start_claimed restarted -m "$BROKER" "${login[@]}" || { tw_stop; return; }
	tw_wait 15 _state_is ro500/1001 online || tw_fail "restart: c1 not online within 15 s"
	tw_expect "restart: c2's availability" offline "$(state_of ro500/1002)"
	# A power cut, and c1 gone when the router is back: its state is not sent again,
	# and its sensors expire.
	kill -KILL "$TW_PID"
	wait "$TW_PID"
	tw_sim remove c1
	mark=$(tw_log_lines "$TW_OUT/mqtt.sub")
	tw_start_claimed cut -m "$BROKER" "${login[@]}" || { tw_stop; return; }
	tw_wait 15 _witness_has "^1 $BASE/battery/2046-471-1/state " 2 || tw_fail "power cut: no battery state after the restart"
	sleep 2
	tw_expect "power cut: c1's states after the restart" 0 "$(since_mark "$TW_OUT/mqtt.sub" "$mark" "^1 $BASE/ro500/1001/state ")"
	tw_expect "power cut: c1's sensors expire" 300 \
		"$(retained | payload "$HA/ro500_1001_dc_voltage/config" | flat | sed -n 's/^expire_after=//p')"
	tw_stop
}

phase_tls() {
	local pass=$SANDBOX_STATE/mqtt.pass login other=$SANDBOX_STATE/other-ca
	echo "$BROKER broker.lan" >>/etc/hosts
	tw_broker_start --tls tidewire "$MQTT_PASSWORD" || return
	witness_start
	echo "$MQTT_PASSWORD" >"$pass"
	login=(-M user=tidewire -M "passfile=$pass")
	# A CA that did not sign the broker's certificate.
	openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=other \
		-keyout "$other.key" -out "$other.crt" 2>/dev/null
	tw_start_claimed wrongca -m broker.lan -M "cafile=$other.crt" "${login[@]}" || { tw_stop; return; }
	tw_await_console 10 "MQTT: cannot connect to broker.lan:8883: "
	tw_has_console "certificate verify failed" || tw_fail "the TLS failure's reason not said: $(tw_console | grep MQTT:)"
	sleep 3
	tw_expect "TLS failures said" 1 "$(console_count 'MQTT: cannot connect')"
	tw_stop

	tw_start_claimed tls -m broker.lan -M "cafile=$TW_BROKER_CA" "${login[@]}" || { tw_stop; return; }
	tw_await_console 5 "MQTT: connected to broker.lan:8883"
	tw_wait 20 all_back || tw_fail "TLS: not everything retained within 20 s"
	tw_stop
}

phase_kept() {
	local gone
	tw_broker_start
	tw_start_claimed kept -m "$BROKER" -M forget=25s || { tw_stop; return; }
	tw_wait 20 all_back || { tw_fail "not everything retained within 20 s"; tw_stop; return; }
	tw_sim remove c2
	tw_wait 5 _state_is ro500/1002 offline || tw_fail "c2 not offline within 5 s of leaving"
	gone=$(date +%s)
	sleep 15
	tw_expect "c2's configs 15 s after it went" 17 "$(configs_of ro500_1002)"
	tw_wait 20 _configs_are ro500_1002 0 || tw_fail "c2's configs still there 35 s after it went"
	echo "FIGURES kept: c2's configs emptied $(($(date +%s) - gone)) s after it went (forget=25s)"
	tw_expect "c1's configs" 17 "$(configs_of ro500_1001)"
	tw_stop
}

# ============================================================== outside ====

TW_SCENARIO=$TW_HERE/scenarios/mqtt.scn
outside_publish() { tw_needs mosquitto mosquitto_sub python3 && tw_sandbox_phase publish "$TW_SCENARIO"; }
outside_will() { tw_needs mosquitto mosquitto_sub && tw_sandbox_phase will "$TW_SCENARIO"; }
outside_outage() { tw_needs mosquitto mosquitto_sub && tw_sandbox_phase outage "$TW_SCENARIO"; }
outside_auth() { tw_needs mosquitto mosquitto_sub mosquitto_passwd python3 && tw_sandbox_phase auth "$TW_SCENARIO"; }
outside_tls() { tw_needs mosquitto mosquitto_sub mosquitto_passwd openssl && tw_sandbox_phase tls "$TW_SCENARIO"; }
outside_kept() { tw_needs mosquitto mosquitto_sub && tw_sandbox_phase kept "$TW_SCENARIO"; }
tw_main "MQTT to a real broker" publish will outage auth tls kept -- "$@"
