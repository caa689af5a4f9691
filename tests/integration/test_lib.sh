#!/usr/bin/env bash
# The driver's readers against hand-written input, since every sandbox test trusts
# them: a claim frame of the candump log decoded into its NAME fields, the PGN of a
# PDU1 and a PDU2 frame, AST fields counted as the port shows them, and a wait that
# gives up. Needs no root.
set -u
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
tw_make_work
TW_OUT=$TW_WORK

# The sandbox daemon's claim (NAME 0xC03C960022A000CC, little-endian on the wire),
# an ISO request from it to 0x54 and its battery status (PDU2), and a simulated
# node's claim (manufacturer 2046).
cat >"$TW_WORK/bus.log" <<'LOG'
# link ready
(1700000000.000100) can1 18EEFFB1#CC00A02200963CC0
(1700000000.000200) can1 18EA54B1#00EE00
(1700000000.000300) can1 19F214B1#00330AEDFF027107
(1700000000.000400) can1 18EEFF82#E903C0FF00823200
LOG
tw_expect "the daemon's claim" "18EEFFB1 177 unique=204 mfr=277 function=150 class=30 industry=4 aac=1" \
	"$(tw_claims "$TW_WORK/bus.log" 0 | head -1)"
TW_LOG=$TW_WORK/bus.log
tw_expect "claims without the simulated nodes'" 1 "$(tw_daemon_claims_after 0 | wc -l)"
tw_expect "frames from 177 as PGN and data" "60928 CC00A02200963CC0
59904 00EE00
127508 00330AEDFF027107" "$(tw_frames_from "$TW_LOG" 0 177)"
tw_expect "frames with one identifier, after line 2" "1700000000.000200 00EE00" "$(tw_frames_id "$TW_LOG" 2 18EA54B1)"

# c1's AST line: fields 1, 3, 11, 13 and 16 are 100.50, 4.5, 40, 13.95 and 90.
printf '1.0 AST;,100.50, ,13.20,4.5,-2.0,60, ,14.40,30,432,21, ,25,40, ,1800, ,13.95,7,8,90\n' >"$TW_WORK/tnt0.port"
tw_port_has_ast tnt0 0 1=100.50 3=4.5 11=40 13=13.95 16=90 || tw_fail "AST fields 1, 3, 11, 13, 16 not found"
tw_port_has_ast tnt0 0 3=13.20 && tw_fail "AST field 3 taken from a blank-counted position"

# A wait ends at its deadline, not after a count of tries that may each take long.
tw_expect "a wait that cannot succeed" "tw_wait: gave up after 0 s waiting for: false x" "$(tw_wait 0 false x 2>&1)"
tw_wait 0 true || tw_fail "a wait whose first try succeeds failed"
_slow_try() { TRIES=$((TRIES + 1)) && sleep 0.3 && false; }
TRIES=0
tw_wait 1 _slow_try 2>/dev/null && tw_fail "a wait for a slow try that fails succeeded"
((TRIES >= 1 && TRIES <= 4)) || tw_fail "a wait of 1 s made $TRIES tries of 0.3 s each"
tw_verdict "the driver's readers"
