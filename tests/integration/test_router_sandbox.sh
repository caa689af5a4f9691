#!/bin/bash
# Checks that scripts/router-sandbox stands in for the router the daemon runs
# on (uci, release and model files, eth0, ttys, CAN link, /bin/date, UDP), and
# that nothing of it - processes, mounts, interfaces, the clock - reaches or
# outlives it on this machine. Prints every failed check; exits 1 if any.

set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$here/lib.sh"
sandbox=$TW_REPO/scripts/router-sandbox
tw_need_root
tw_make_work
work=$TW_WORK

# Runs a sandbox; its output is kept and shown when a check inside failed or
# the exit status differs. run_sandbox NAME EXPECTED_RC SANDBOX_ARGS...
run_sandbox() {
	local name=$1 want=$2
	shift 2
	"$sandbox" "$@" >"$work/$name.out" 2>&1 </dev/null
	report "$name" "$want" $?
}
report() { # report NAME EXPECTED_RC RC
	if grep -q '^FAIL' "$work/$1.out" || (($3 != $2)); then
		tw_fail "sandbox run '$1' (exit status $3, expected $2):"
		sed 's/^/    /' "$work/$1.out"
	fi
}

# What the host must never see of a sandbox, during its run or after it.
check_host_untouched() { # check_host_untouched WHEN STATE_DIR
	grep -qF "$2" /proc/self/mountinfo && tw_fail "$1: a mount of the sandbox is visible on the host"
	ip -o link show | grep -q 'rtr-peer' && tw_fail "$1: the sandbox's veth is visible on the host"
	[[ $(ip -o link show | awk -F': ' '{ print $2 }' | sort) == "$host_links" ]] ||
		tw_fail "$1: the host's interfaces changed"
	[[ $(hostname) == "$host_name" ]] || tw_fail "$1: the host name changed"
	[[ ! -e /etc/openwrt_model || -n $host_model ]] || tw_fail "$1: /etc/openwrt_model appeared on the host"
	(($(date +%s) > 1500000000)) || tw_fail "$1: the host clock was set"
}
# Processes of a sandbox all carry its SANDBOX_STATE in their environment.
sandbox_processes() { # sandbox_processes STATE_DIR
	grep -lzxF "SANDBOX_STATE=$1" /proc/[0-9]*/environ 2>/dev/null | wc -l
}

host_links=$(ip -o link show | awk -F': ' '{ print $2 }' | sort)
host_name=$(hostname)
host_model=$([[ -e /etc/openwrt_model ]] && echo yes)

# ------------------------------------------------- helpers used inside -----

echo ". '$here/lib.sh'" >"$work/lib.sh"
cat >>"$work/lib.sh" <<'EOF'
capture() { # OUT = standard output of a shell command, every byte of it
	OUT=$(sh -c "$1" 2>/dev/null; echo .)
	OUT=${OUT%.}
}
# The router queries the daemon runs at start-up, as it runs them.
# expected values are printf %b texts: identity SERIAL MODEL_ID SW_VERSION MODEL RELEASE
identity() {
	local i=0 want cmd
	while IFS= read -r cmd; do
		i=$((i + 1))
		eval "want=\${$i}"
		capture "$cmd"
		tw_expect "output of [$cmd]" "$(printf '%b.' "$want")" "$OUT."
	done <<'CMDS'
ifconfig eth0 | grep HWaddr | awk '{ print $5}' | tr -d ':'
cat /etc/openwrt_model
cat /etc/openwrt_release | grep DISTRIB_REVISION | sed -e 's/DISTRIB_REVISION=//' | tr -d \'
cat /etc/openwrt_release | grep DISTRIB_DESCRIPTION | sed -e 's/DISTRIB_DESCRIPTION=//' | tr -d \'
cat /etc/openwrt_release | grep DISTRIB_RELEASE | sed -e 's/DISTRIB_RELEASE=//' | tr -d \'
CMDS
}
# Bytes written to one end come out of the other: pass_bytes FROM TO
pass_bytes() {
	local got
	timeout 10 head -c 6 "$2" >"$SANDBOX_STATE/bytes" &
	local reader=$!
	printf 'a\r\n\000\377z' >"$1"
	wait "$reader"
	got=$(od -An -tx1 "$SANDBOX_STATE/bytes" | tr -d ' \n')
	tw_expect "bytes from $1 to $2" 610d0a00ff7a "$got"
}
EOF

# ---------------------------------------- A: a fresh router, all defaults --

cat >"$work/a.sh" <<'EOF'
. "$1/lib.sh"

identity '025457000001\n' 'Tolvane TW-1\n' 'r1234-abcdef\n' 'OpenWrt kQe-204 r1234-abcdef\n' 'kQe-204\n'
tw_expect "hostname" OpenWrt "$(hostname)"
tw_expect "TIDEWIRE_CAN_PORT" /dev/canlink0 "$TIDEWIRE_CAN_PORT"

# uci: what the daemon does with its address and its tty table
cp /etc/config/tidewire "$1/config.before"
capture "uci -q get tidewire.@can[0].canaddress; echo rc=\$?"
tw_expect "get of an option not set" "rc=1
" "$OUT"
uci -q set tidewire.@can[0].canaddress=36 || tw_fail "set canaddress failed"
uci -q set "tidewire.@can[0].ttyassignment=204:1:A 301:3:B" || tw_fail "set ttyassignment failed"
cmp -s /etc/config/tidewire "$1/config.before" || tw_fail "set changed the file before commit"
tw_expect "get of a staged value" 36 "$(uci -q get tidewire.@can[0].canaddress)"
tw_expect "get of a staged value with blanks and colons" "204:1:A 301:3:B" "$(uci -q get tidewire.@can[0].ttyassignment)"
sh -c "uci -q set tidewire.@can[0].canaddress=37;  uci -q commit tidewire" || tw_fail "set and commit failed"
grep -qx "	option canaddress '37'" /etc/config/tidewire || tw_fail "commit did not write canaddress 37"
grep -qx "	option ttyassignment '204:1:A 301:3:B'" /etc/config/tidewire || tw_fail "commit did not write ttyassignment"
tw_expect "changes after commit" "" "$(uci changes tidewire)"
tw_expect "get after commit" "204:1:A 301:3:B" "$(uci -q get tidewire.@can[0].ttyassignment)"
for key in 'tidewire.@can[1].x' tidewire.nosuch.x 'nosuchpackage.@can[0].x'; do
	capture "uci -q set $key=1; echo rc=\$?"
	tw_expect "set $key (missing section)" "rc=1
" "$OUT"
	capture "uci -q get $key; echo rc=\$?"
	tw_expect "get $key (missing section)" "rc=1
" "$OUT"
done
uci -q set tidewire.@can[0].canaddress=99 # staged only: a reboot must forget it

# ttys and the CAN link
i=0
while [ $i -lt 16 ]; do
	[ -c /dev/tnt$i ] || tw_fail "/dev/tnt$i is missing"
	i=$((i + 1))
done
[ ! -e /dev/tnt16 ] || tw_fail "/dev/tnt16 exists with 8 pairs"
pass_bytes /dev/tnt0 /dev/tnt1
pass_bytes /dev/tnt1 /dev/tnt0
pass_bytes /dev/tnt15 /dev/tnt14
pass_bytes /dev/canlink0 /dev/canlink1
pass_bytes /dev/canlink1 /dev/canlink0

# the clock: recorded, never set. The call is made only when two things
# guarantee that it cannot reach the real clock.
capbnd=$(awk '/^CapBnd/ { print $2 }' /proc/self/status)
if [ $(((0x$capbnd >> 25) & 1)) -ne 0 ]; then
	tw_fail "CAP_SYS_TIME is in the bounding set"
elif [ "$(head -c 2 /bin/date)" != '#!' ]; then
	tw_fail "/bin/date is not the stand-in"
else
	# Refused as the real one refuses a caller without CAP_SYS_TIME, and recorded.
	out=$(sh -c "/bin/date -s '@100'" 2>&1) && tw_fail "/bin/date -s did not fail without CAP_SYS_TIME"
	tw_expect "what /bin/date -s says" "date: cannot set date: Operation not permitted" "$out"
	tw_expect "date.log" "-s @100" "$(cat "$SANDBOX_STATE/date.log")"
	[ "$(date +%s)" -gt 1500000000 ] || tw_fail "the clock was set"
fi

# the network: only the sandbox's own interfaces, broadcasts caught inside
tw_expect "interfaces" "eth0 lo rtr-peer" "$(ls /sys/class/net | sort | tr '\n' ' ' | sed 's/ $//')"
ip -4 -o addr show dev eth0 | grep -q 'inet 10.77.0.2/24 brd 10.77.0.255 ' || tw_fail "eth0 address: $(ip -4 -o addr show dev eth0)"
socat -u UDP-RECV:40123 OPEN:"$SANDBOX_STATE/udp",creat &
i=0
until grep -qi ':9CBB ' /proc/net/udp; do [ $i -lt 500 ] || break; i=$((i + 1)); sleep 0.01; done
printf 'RAW line\r\n' | socat -u - UDP-DATAGRAM:10.77.0.255:40123,broadcast
tw_wait 10 tw_has_text "$SANDBOX_STATE/udp" 'RAW line' || tw_fail "broadcast to 10.77.0.255 not caught"

# processes that try to outlive the sandbox: detached, and deaf to SIGTERM
setsid sleep 1000 </dev/null >/dev/null 2>&1 &
(trap '' TERM && exec sleep 1001) </dev/null >/dev/null 2>&1 &

: >"$1/a.ready"
i=0
until [ -e "$1/a.go" ]; do [ $i -lt 1500 ] || break; i=$((i + 1)); sleep 0.02; done
EOF

stateA=$work/stateA
"$sandbox" --state "$stateA" -- bash "$work/a.sh" "$work" >"$work/a.out" 2>&1 </dev/null &
pidA=$!
for ((i = 0; i < 1500; i++)); do
	[[ -e $work/a.ready ]] || ! kill -0 $pidA 2>/dev/null && break
	sleep 0.02
done
if [[ -e $work/a.ready ]]; then
	check_host_untouched "while running" "$stateA"
	(($(sandbox_processes "$stateA") >= 10)) || tw_fail "the sandbox's processes do not carry SANDBOX_STATE"
fi
touch "$work/a.go"
wait $pidA
report a 0 $?
check_host_untouched "after the run" "$stateA"
(($(sandbox_processes "$stateA") == 0)) || tw_fail "processes of the sandbox survive it"
grep -qx "	option canaddress '37'" "$stateA/upper/config/tidewire" ||
	tw_fail "the committed config is not in the state dir"

# --------------------------------------------- D: A's router, rebooted -----

cat >"$work/d.sh" <<'EOF'
. "$1/lib.sh"
tw_expect "committed value after reboot" 37 "$(uci -q get tidewire.@can[0].canaddress)"
tw_expect "staged changes after reboot" "" "$(uci changes)"
identity '025457000001\n' 'Tolvane TW-1\n' 'r1234-abcdef\n' 'OpenWrt kQe-204 r1234-abcdef\n' 'kQe-204\n'
EOF
run_sandbox d 0 --state "$stateA" -- bash "$work/d.sh" "$work"

# ------------------------------- B: a router without files, 1 tty pair ----

cat >"$work/b.sh" <<'EOF'
. "$1/lib.sh"
for f in /etc/openwrt_release /etc/openwrt_model /etc/config/tidewire; do
	[ ! -e $f ] || tw_fail "$f exists"
done
identity '025457000001\n' '' '' '' ''
capture "uci -q get tidewire.@can[0].canaddress; echo rc=\$?"
tw_expect "get without a config" "rc=1
" "$OUT"
capture "uci -q set tidewire.@can[0].canaddress=1; echo rc=\$?"
tw_expect "set without a config" "rc=1
" "$OUT"
[ -c /dev/tnt1 ] && [ ! -e /dev/tnt2 ] || tw_fail "--tnt-pairs 1 gave: $(ls /dev | grep tnt | tr '\n' ' ')"
exit 7
EOF
run_sandbox b 7 --state "$stateA" --no-release --no-model --no-config --tnt-pairs 1 -- bash "$work/b.sh" "$work"

# ----------------------- C: everything given, a simulator stand-in ---------

printf 'Model X\r\n' >"$work/model"
cat >"$work/config" <<'EOF'
# written by hand, not by uci
config can 'main'
	option canaddress "35"
	option ttyassignment 204:1:A   # bare value, then a comment
	list port 'tnt1'
	list port "tnt3"

config other
	option x 'y'

config can
	option note 'it'\''s "quoted"'
EOF
cat >"$work/sim" <<'EOF'
#!/bin/sh
printf '<%s>' "$@"
echo
exec cat "$2"
EOF
chmod +x "$work/sim"
cat >"$work/c.sh" <<'EOF'
. "$1/lib.sh"
identity '02AABBCCDD0E\n' 'Model X\r\n' '"r5"\n' 'Tidewire test\n' '21.02.1\n'
tw_expect "eth0 broadcast" 192.168.50.255 "$SANDBOX_BROADCAST"
ip -4 -o addr show dev rtr-peer | grep -q 'inet 192.168.50.1/24 ' || tw_fail "rtr-peer: $(ip -4 -o addr show dev rtr-peer)"
tw_expect "double-quoted value" 35 "$(uci -q get tidewire.@can[0].canaddress)"
tw_expect "bare value" 204:1:A "$(uci -q get tidewire.@can[0].ttyassignment)"
tw_expect "named section" 35 "$(uci -q get tidewire.main.canaddress)"
tw_expect "list" "tnt1 tnt3" "$(uci -q get tidewire.@can[0].port)"
tw_expect "second section of a type" "it's \"quoted\"" "$(uci -q get tidewire.@can[1].note)"
tw_expect "last section of a type" "it's \"quoted\"" "$(uci -q get tidewire.@can[-1].note)"
uci -q set "tidewire.@can[1].note=a 'b' \"c\" d:e" && uci -q commit tidewire || tw_fail "set and commit of quotes failed"
tw_expect "quotes after commit" "a 'b' \"c\" d:e" "$(uci -q get tidewire.@can[1].note)"
tw_expect "other sections after commit" y "$(uci -q get tidewire.@other[0].x)"

kill -0 "$SANDBOX_SIM_PID" 2>/dev/null || tw_fail "the simulator is not running"
tw_wait 10 tw_has_text "$SANDBOX_STATE/sim.out" '<-c></dev/canlink1><-x><two words><'"$SANDBOX_STATE"'/sim.log>' ||
	tw_fail "simulator arguments: $(head -1 "$SANDBOX_STATE/sim.out")"
printf 'T0CF00400811223344\r' >/dev/canlink0
tw_wait 10 tw_has_text "$SANDBOX_STATE/sim.out" T0CF00400811223344 || tw_fail "the simulator does not get the CAN link's bytes"
EOF
stateC=$work/stateC
run_sandbox c 0 --state "$stateC" \
	--release-text "$(printf '%s\n' "DISTRIB_ID='OpenWrt'" "DISTRIB_RELEASE='21.02.1'" 'DISTRIB_REVISION="r5"' "DISTRIB_DESCRIPTION='Tidewire test'")" \
	--model-file "$work/model" --config "$work/config" --mac 02:aa:bb:cc:dd:0e --ip 192.168.50.7/24 \
	--tnt-pairs 2 --sim-bin "$work/sim" \
	--sim '-x "two words" $SANDBOX_STATE/sim.log' `# expanded inside the sandbox` \
	-- bash "$work/c.sh" "$work"
(($(sandbox_processes "$stateC") == 0)) || tw_fail "processes of sandbox C survive it"

# -------------------------------- E: SIGTERM to the sandbox reaches COMMAND --

cat >"$work/e.sh" <<'EOF'
trap 'echo got TERM >"$SANDBOX_STATE/term"; exit 3' TERM
: >"$SANDBOX_STATE/ready"
i=0
while [ $i -lt 1500 ]; do i=$((i + 1)); sleep 0.02; done
EOF
stateE=$work/stateE
"$sandbox" --state "$stateE" -- sh "$work/e.sh" >"$work/e.out" 2>&1 </dev/null &
pidE=$!
for ((i = 0; i < 1500; i++)); do
	[[ -e $stateE/ready ]] || ! kill -0 $pidE 2>/dev/null && break
	sleep 0.02
done
kill -TERM $pidE
wait $pidE
report e 3 $?
[[ -e $stateE/term ]] || tw_fail "COMMAND did not get the SIGTERM sent to the sandbox"
(($(sandbox_processes "$stateE") == 0)) || tw_fail "processes of sandbox E survive it"

tw_verdict "router sandbox: all checks"
