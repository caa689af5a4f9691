#!/usr/bin/env bash
# The daemon's start-up as a user sees it: options and usage text, where console
# text goes, the node's identity on the bus, and the CAN address kept in uci
# across an address move and a reboot. The real daemon runs in the router
# sandbox against the bus simulator, several times per sandbox; the checks read
# its standard output, the /dev/tnt console, the simulator's candump log and the
# uci store.
#
# Usage: test_daemon_startup.sh TIDEWIRE SIMULATOR [options|identity|address]...
#        (no group: all three)
set -u
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# The option lines of the usage text, after its first line.
USAGE_OPTIONS=$'\t -h        : help
\t -c ifname : name of can instance to use. default is can0.
\t -d level  : debug level 0 == one, 9 == max.
\t -e        : toggle local echo on on virtual serial port. default off.
\t -s        : toggle status updates throgh virtual serial port. default on.
\t -l logdir : Enable CAN logging and place files in logdir
\t -L dev    : redirect console log to device(typically /dev/tnt15 for vieing on /dev/tnt14)
\t -p port   : UDP port for N2k UDP broadcast in Yacht Devices RAW format
\t -P port   : the same with time and direction (hh:mm:ss.sss R ...), as Signal K reads
\t -r size   : log files start anew at size bytes (k, M), the full one kept as NAME.1
\t -m host[:port] : publish chargers and batteries to this MQTT broker (port 1883, 8883 with cafile)
\t -M key=value   : MQTT clientid, user, passfile, cafile, prefix (tidewire), discovery (1), discovery_prefix (homeassistant), forget (days; never)'

# The sandbox's default identity, as the daemon reads it.
DEFAULT_IDENTITY='GetManufacturerSerialCode: 025457000001
GetManufacturerModelID: Tolvane TW-1
GetManufacturerSoftwareVersion: r1234-abcdef
GetManufacturerModel: OpenWrt kQe-204 r1234-abcdef
GetManufacturerUniqueID: 204'

DAEMON_NAME_REST='mfr=277 function=150 class=30 industry=4 aac=1'

# run_exits NAME EXPECTED_STATUS ARGS...: runs the daemon, which must end by
# itself with EXPECTED_STATUS within 5 s.
run_exits() {
	local name=$1 want=$2 rc
	shift 2
	timeout 5 "$TW_DAEMON" "$@" >"$TW_OUT/$name.out" 2>"$TW_OUT/$name.err" </dev/null
	rc=$?
	if ((rc == 124)); then
		tw_fail "$name ($*): still running after 5 s; expected it to end with status $want"
	else
		tw_expect "$name ($*): exit status" "$want" "$rc"
	fi
}

# check_product WHAT MODEL SW MODELVER SERIAL: the product information the
# daemon sent last (TW_PRODUCT) against the router's identity. Its texts are
# 32-byte fields on the bus, so longer ones arrive cut to 32 characters.
check_product() {
	local what=$1
	tw_expect "$what: product information length" 134 "$(tw_field length)"
	tw_expect "$what: product code" 277 "$(tw_field product)"
	tw_expect "$what: model ID" "${2:0:32}" "$(tw_field model)"
	tw_expect "$what: software version" "${3:0:32}" "$(tw_field sw)"
	tw_expect "$what: model version" "${4:0:32}" "$(tw_field modelver)"
	tw_expect "$what: model serial code" "${5:0:32}" "$(tw_field serial)"
	tw_expect "$what: NMEA 2000 version" 65535 "$(tw_field n2kver)"
	tw_expect "$what: certification level" 255 "$(tw_field cert)"
	tw_expect "$what: load equivalency" 255 "$(tw_field len)"
}

# mac_serial: eth0's MAC as the daemon's serial code, as busybox prints it.
mac_serial() { tr -d ':' <<<"${SANDBOX_MAC^^}"; }

# console_moved NAME LEVEL READ WRITE STDOUT: with -d LEVEL -L WRITE the console
# text, while the daemon answers a request, comes out of READ (the pair's other
# end), and standard output is STDOUT.
console_moved() {
	local name=$1 what="-d $2 -L $4"
	tw_read_port "$name" "$3"
	tw_start_settled "$name" -d "$2" -L "$4" && tw_ask_product probe "$TW_ADDR"
	tw_wait 5 tw_has_text "$TW_OUT/$name.port" "My CAN address:" || tw_fail "$what: no 'My CAN address' on $3"
	tw_expect "$what: console text on $3" "$DEFAULT_IDENTITY
My CAN address: 177" "$(tw_port "$name" | head -n 6)"
	tw_expect "$what: standard output" "$5" "$(tw_console)"
	tw_stop
	kill "$TW_READER_PID"
}

phase_options() {
	local opt out err first
	# Usage text: -c and -d come first, so a daemon that went on would open the
	# link and print its identity.
	for opt in -h -x -d; do
		run_exits "usage$opt" 0 -c "$TIDEWIRE_CAN_PORT" -d 5 "$opt"
		out=$(tw_console_of "$TW_OUT/usage$opt.out")
		first=$(head -n 1 <<<"$out")
		[[ $first == "Usage: $TW_DAEMON" || $first == "Usage: $TW_DAEMON "* ]] ||
			tw_fail "usage $opt: first line should begin 'Usage: $TW_DAEMON', got '$first'"
		tw_expect "usage $opt: option lines" "$USAGE_OPTIONS" "$(tail -n +2 <<<"$out")"
		err=$(cat "$TW_OUT/usage$opt.err")
		if [[ $opt == -h ]]; then
			tw_expect "usage -h: standard error" "" "$err"
		else
			[[ -n $err ]] || tw_fail "usage $opt: getopt's complaint missing on standard error"
		fi
	done

	# A CAN port that cannot be opened; the message bypasses the console stream.
	# (Console text sent to /dev/tnt11 stays unread in its pty: no later run uses
	# that pair.)
	run_exits open-tty 1 -c /dev/nonexistent
	tw_expect "-c /dev/nonexistent: standard output" "Failed to open CAN port" "$(tw_console_of "$TW_OUT/open-tty.out")"
	run_exits open-can 1 -c nosuchcan0 -d 2 -L /dev/tnt11
	tw_expect "-c nosuchcan0 -d 2 -L /dev/tnt11: standard output" \
		"Debug level = 2, logger=/dev/tnt11
Failed to open CAN port" "$(tw_console_of "$TW_OUT/open-can.out")"

	# A port name longer than the library takes: an open failure, never can0.
	run_exits open-long 1 -c "/dev/$(printf 'a%.0s' {1..140})" -d 2
	tw_expect "-c with a 145-character name: last line of standard output" "Failed to open CAN port" \
		"$(tw_console_of "$TW_OUT/open-long.out" | tail -n 1)"

	# None of the runs above may have touched the link: no claim, no open channel.
	sleep 0.3 # lets the simulator log whatever reached the link
	tw_sim log "usage runs done"
	tw_wait 5 tw_has_text "$TW_LOG" "# usage runs done" || tw_fail "simulator log: marker missing"
	sed '/^# usage runs done/q' "$TW_LOG" >"$TW_OUT/usage-runs.log"
	grep -q '^# link ready' "$TW_OUT/usage-runs.log" &&
		tw_fail "the link was opened by a run that should have stopped at the usage text"
	[[ -z $(TW_LOG=$TW_OUT/usage-runs.log tw_daemon_claims_after 0) ]] ||
		tw_fail "a run that should have stopped at the usage text claimed an address"

	# -d 3 without -L: everything on standard output. No stored address: 177.
	tw_start_settled debug3 -d 3
	tw_expect "-d 3: standard output" "Debug level = 3, logger=(null)
$DEFAULT_IDENTITY
My CAN address: 177" "$(tw_console | head -n 7)"
	tw_expect "-d 3, no stored address: claim frame" 18EEFFB1 "$TW_CLAIM_ID"
	tw_stop

	# -d 5 -L /dev/tnt15: console text comes out of /dev/tnt14. -d -1 -L /dev/tnt13: no
	# debug-level line, yet the console moves to the device.
	console_moved debug5 5 /dev/tnt14 /dev/tnt15 "Debug level = 5, logger=/dev/tnt15"
	console_moved debugm1 -1 /dev/tnt12 /dev/tnt13 ""

	# -d 0 and no -d: silence on standard output, also while the daemon works.
	local args
	for args in "-d 0" ""; do
		# shellcheck disable=SC2086 # the words of args are options
		tw_start_settled "quiet${args// /}" $args && tw_ask_product probe "$TW_ADDR"
		tw_expect "'${args:-no -d}': standard output" "" "$(cat "$TW_OUT/$TW_RUN.out")"
		tw_stop
	done
}

# release_file RELEASE REVISION DESCRIPTION: a new /etc/openwrt_release.
release_file() {
	printf '%s\n' "DISTRIB_ID='OpenWrt'" "DISTRIB_RELEASE='$1'" "DISTRIB_REVISION='$2'" \
		"DISTRIB_TARGET='ramips/mt7621'" "DISTRIB_DESCRIPTION='$3'" >/etc/openwrt_release
}

# identity_run NAME UNIQUE MODEL SW MODELVER: one start with the router as it is
# now; checks the claim's NAME and the product information on the bus.
identity_run() {
	local name=$1 unique=$2
	if tw_start_settled "$name" -d 1; then
		tw_expect "$name: NAME in the address claim" "unique=$unique $DAEMON_NAME_REST" "$TW_NAME"
		tw_ask_product probe "$TW_ADDR" && check_product "$name" "$3" "$4" "$5" "$(mac_serial)"
		tw_has_console "GetManufacturerUniqueID: $unique" ||
			tw_fail "$name: console lacks 'GetManufacturerUniqueID: $unique': $(tw_console | grep UniqueID)"
	fi
	tw_stop
}

phase_identity() {
	identity_run identity-default 204 "Tolvane TW-1" r1234-abcdef "OpenWrt kQe-204 r1234-abcdef"

	# The description has 33 characters: the bus field holds the first 32.
	release_file 21.02.1 r16279-5cc0535800 "OpenWrt 21.02.1 r16279-5cc0535800"
	identity_run release-21.02.1 21 "Tolvane TW-1" r16279-5cc0535800 "OpenWrt 21.02.1 r16279-5cc0535800"

	# A release without a leading number; a model file with a CRLF end, of which
	# only the LF is trimmed.
	release_file SNAPSHOT r20000-ffff "OpenWrt SNAPSHOT r20000-ffff"
	printf 'Model X\r\n' >/etc/openwrt_model
	identity_run release-snapshot 1234 'Model X\x0D' r20000-ffff "OpenWrt SNAPSHOT r20000-ffff"
}

phase_identity_missing() {
	identity_run identity-no-files 1234 "Tolvane Monitor" 1.0 1.0
}

# Stored address 35; the rival takes 35, the daemon moves to 36 and stores it.
phase_address_move() {
	local moved
	tw_start_settled move -d 1 || { tw_stop; return; }
	tw_expect "stored 35: claim frame" 18EEFF23 "$TW_CLAIM_ID"
	tw_sim claim rival 35
	# shellcheck disable=SC2317 # called through tw_wait
	_moved() { [[ $(tw_daemon_claims | awk '$2 != 35 { print $2; exit }') ]]; }
	if tw_wait 5 _moved; then
		moved=$(tw_daemon_claims | awk '$2 != 35 { print $2; exit }')
		tw_expect "address after losing 35 to a lower NAME" 36 "$moved"
	else
		tw_claims "$TW_LOG" "$TW_FROM" | grep -q '^18EEFF23 35 unique=1 ' ||
			tw_fail "test setup: the simulator's rival never claimed 35"
		tw_fail "the daemon made no new claim within 5 s after losing 35"
	fi
	tw_await_console 5 "Resettign my CAN address to:"
	tw_expect "console lines about the move" "Resettign my CAN address to: 36" "$(tw_console | grep '^Resettign')"
	tw_stop
	tw_expect "uci value after the move" 36 "$(uci -q get 'tidewire.@can[0].canaddress')"
}

# The same router rebooted; then addresses stored by hand.
phase_address_reboot() {
	local stored want
	tw_start_settled reboot -d 1
	tw_expect "after reboot: first claim frame" 18EEFF24 "$TW_CLAIM_ID"
	tw_expect "after reboot: console" "My CAN address: 36" "$(tw_console | grep '^My CAN address')"
	tw_stop
	for stored in abc:177 300:44 ' 35x:35'; do
		want=${stored##*:}
		stored=${stored%:*}
		if ! uci -q set "tidewire.@can[0].canaddress=$stored" || ! uci -q commit tidewire; then
			tw_fail "could not store '$stored'"
		fi
		tw_start_settled "stored-${stored// /}" -d 1
		tw_expect "stored '$stored': claimed address" "$want" "$TW_ADDR"
		tw_expect "stored '$stored': console" "My CAN address: $want" \
			"$(tw_console | grep '^My CAN address')"
		tw_stop
	done
}

# ============================================================== outside ====

TW_SCENARIO=$TW_HERE/scenarios/quiet_bus.scn
outside_identity() {
	tw_sandbox_phase identity "$TW_SCENARIO" --mac 02:ab:cd:00:12:ef
	tw_sandbox_phase identity_missing "$TW_SCENARIO" --no-model --no-release --mac 02:ab:cd:00:12:ef
}
# The same router twice: the second run is a reboot of the first.
outside_address() {
	local stored
	TW_STATE=$TW_WORK/router tw_sandbox_phase address_move "$TW_SCENARIO" --config "$(tw_config_address 35)"
	stored=$("$TW_REPO/scripts/sandbox/uci" -c "$TW_WORK/router/upper/config" -t "$TW_WORK/uci-staged" \
		-q get 'tidewire.@can[0].canaddress')
	if [[ $stored != 36 ]]; then
		TW_PHASE_FAILURES=$((TW_PHASE_FAILURES + 1))
		echo "FAIL: the state dir's committed /etc/config/tidewire holds canaddress '$stored', expected 36"
	fi
	TW_STATE=$TW_WORK/router tw_sandbox_phase address_reboot "$TW_SCENARIO"
}
tw_main "daemon start-up" options identity address -- "$@"
