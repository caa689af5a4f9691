#!/usr/bin/env bash
# The daemon built for a router's CPU (big-endian 32-bit MIPS) and run under
# qemu-user in the router sandbox, against this machine's simulator: its address
# claim and product information, a RO500 at its port, a battery's DCS log line.
# Everything that crosses the wire in multi-byte fields is read back from the bus
# or from what a user sees, so a byte-order or word-size slip shows here.
#
# Usage: test_daemon_emulated.sh TIDEWIRE SIMULATOR [smoke]
#   TW_EMULATOR      how to run TIDEWIRE (default: qemu-mips-static -L /usr/mips-linux-gnu)
#   TW_LIBRARY_PATH  where its libnmea2000.so is (default: TIDEWIRE's RPATH)
#
# RAW broadcasts (-p) stay out: qemu-user 7.2 hands a big-endian guest the
# broadcast addresses of getifaddrs byte-swapped.
set -u
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# The daemon's NAME with the sandbox's release (unique number 204): manufacturer 277,
# function 150, class 30, industry group 4, arbitrary address capable; from 177.
CLAIM_ID=18EEFFB1
CLAIM_DATA=CC00A02200963CC0
BATFILE=BAT-36:2046:900:310:LFP200:B.log

phase_smoke() {
	local logs=$TW_LOGS
	mkdir -p "$logs"
	tw_read_port tnt0 /dev/tnt0
	tw_start_claimed smoke -d 4 -l "$logs" || { tw_stop; return; }
	tw_expect "the daemon's address" 177 "$TW_ADDR"
	tw_frames_id "$TW_LOG" "$TW_FROM" "$CLAIM_ID" | grep -q " $CLAIM_DATA\$" ||
		tw_fail "no claim $CLAIM_ID#$CLAIM_DATA: $(tw_daemon_claims | head -3)"

	if tw_ask_product probe 177; then
		tw_expect "product information: model" "Tolvane TW-1" "$(tw_field model)"
		tw_expect "product information: serial" "025457000001" "$(tw_field serial)"
	fi

	tw_port_wait 20 tnt0 "RO500 #1001 ONLINE" || tw_fail "no 'RO500 #1001 ONLINE' at /dev/tnt0 within 20 s"
	tw_port_wait 10 tnt0 "AOK;" || tw_fail "the charger's answer to the status request never reached /dev/tnt0"
	tw_port_wait_ast 10 tnt0 0 3 || tw_fail "fewer than 3 AST lines at /dev/tnt0: $(tw_port tnt0 | tail -5)"

	# The house bank: 13.1 V, 4.5 A out, 25 C; its first line 10 s after it was heard.
	# shellcheck disable=SC2317 # called through tw_wait
	_dcs() { grep -q ' DCS;' "$logs/$BATFILE" 2>/dev/null; }
	if tw_wait 25 _dcs; then
		grep -q '^[0-9-]\{10\} [0-9:]\{8\} DCS;,1,120, ,13,4.5, ,25,' "$logs/$BATFILE" ||
			tw_fail "the DCS line is not the house bank's: $(head -1 "$logs/$BATFILE")"
	else
		tw_fail "no DCS line in $BATFILE within 25 s: $(ls "$logs")"
	fi
	tw_stop
}

# ============================================================== outside ====

# The daemon is started through a wrapper that puts the emulator in front of it.
outside_smoke() {
	{
		echo '#!/usr/bin/env bash'
		[[ -z ${TW_LIBRARY_PATH:-} ]] || printf 'export LD_LIBRARY_PATH=%q\n' "$TW_LIBRARY_PATH"
		printf 'exec %s %q "$@"\n' "${TW_EMULATOR:-qemu-mips-static -L /usr/mips-linux-gnu}" "$TW_DAEMON_BIN"
	} >"$TW_WORK/tidewire"
	chmod +x "$TW_WORK/tidewire"
	TW_DAEMON_BIN=$TW_WORK/tidewire
	cat >"$TW_WORK/bus.scn" <<-'EOF'
		node c1 behaviour=ro500 unique=1001 address=0x42
		do c1 pace 10
		node house behaviour=battery unique=900 address=36
		node probe unique=401 function=130 class=25 address=150 model=probe
		echo ready
	EOF
	tw_sandbox_phase smoke "$TW_WORK/bus.scn"
}
tw_main "the daemon under $(cut -d' ' -f1 <<<"${TW_EMULATOR:-qemu-mips-static}")" smoke -- "$@"
