#!/usr/bin/env bash
# A person at a charger's port with a real terminal program. The Enter key sends a
# carriage return and the daemon ends a typed line only at a line feed, so each
# program is run the way docs/terminal-programs.md says: picocom with --omap crlf, minicom
# with a conversion table that sends CR as LF, screen with a bindkey. The program
# runs inside tmux on /dev/tnt0 in the router sandbox, with the daemon and the
# simulator's RO500 behind it; the test types with tmux send-keys and reads the
# answer off the screen with tmux capture-pane, and the bus in the simulator's log.
# Groups:
#   picocom  first as it comes (Enter's CR stays in the line until a Ctrl-J), then
#            with --omap crlf --imap lfcrlf: Enter ends the line, lines show whole
#   minicom  with the conversion table and "addcarreturn"
#   screen   with bindkey "\015" stuff "\012"
#   ser2net  the charger's port on the LAN: a real ser2net serves /dev/tnt0 as raw TCP
#            on eth0's address, with the configuration the init script writes, as an
#            unprivileged user; a client on the LAN (rtr-peer moved into a network
#            namespace of its own) types "$RAS:@" and a line feed and reads the answer
#
# Usage: test_daemon_terminal.sh TIDEWIRE SIMULATOR [picocom|minicom|screen|ser2net]...
#        (no group: all of them). Root only; a group whose program (or tmux) is
#        missing is skipped. TW_KEEP_WORK=1 keeps the sandboxes' state (the
#        screen at the end is in GROUP/runs/screen.port).
#
# shellcheck disable=SC2016 # '$RAS:@' is the charger's own text
set -u
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# TERMINAL (17E00h) at priority 7 from the daemon (177) to charger c1 (0x42).
TO_C1=1D7E42B1
HELLO_LF=68656C6C6F0AFFFF    # "hello\n"
HELLO_CRLF=68656C6C6F0D0AFF  # "hello\r\n": a CR that did not end the line
RAS=245241533A40FFFF         # "$RAS:@"
# One of the lines of c1's answer to "$RAS:@" (its CPE line).
CPE='CPE;,2,14.40,13.60,13.20,30,240'

TMUX_SOCK=''
tm() { tmux -S "$TMUX_SOCK" "$@"; }
# pane: everything the terminal has shown, history included, wrapped lines joined,
# trailing blanks removed.
pane() { tm capture-pane -p -J -S - -t tw 2>/dev/null | sed 's/[[:space:]]*$//'; }
pane_count() { pane | grep -cxF -- "$1"; } # how many lines are exactly TEXT
pane_has() { pane | grep -qF -- "$1"; }    # a line holds TEXT
_pane_count_at_least() { (($(pane_count "$1") >= $2)); }
_pane_holds_at_least() { (($(pane | grep -cF -- "$1") >= $2)); }

# _port_open: a program other than socat (which keeps a descriptor of its own) has
# the user's end /dev/tnt0 open.
_port_open() {
	local pts p fd
	pts=$(readlink -f /dev/tnt0)
	for p in /proc/[0-9]*; do
		[[ $(cat "$p/comm" 2>/dev/null) == socat ]] && continue
		for fd in "$p"/fd/*; do
			[[ $(readlink "$fd" 2>/dev/null) == "$pts" ]] && return 0
		done
	done
	return 1
}

# terminal COMMAND: starts the terminal program in the tmux pane and waits until it
# has opened the port: a program may flush what waits there when it opens it. The
# pane stays when the program ends, so that a second program can take its place.
# At the end the last screen is kept, to be shown with a failure.
terminal() {
	TMUX_SOCK=$SANDBOX_STATE/tmux.sock
	trap 'pane >"$TW_OUT/screen.port"; tm kill-server 2>/dev/null' EXIT
	TERM=xterm tm -f /dev/null new-session -d -s tw -x 132 -y 50 "$1" || tw_fail "tmux did not start"
	tm set-option -g default-terminal screen >/dev/null
	tm set-option -g remain-on-exit on >/dev/null
	tw_wait 10 _port_open || tw_fail "'$1' did not open /dev/tnt0: $(pane | tail -5)"
}
# terminal_again COMMAND QUIT-KEYS...: the program in the pane quits as a person
# quits it (QUIT-KEYS), then COMMAND runs in its place on a clean screen.
_pane_dead() { [[ $(tm display-message -p -t tw '#{pane_dead}') == 1 ]]; }
terminal_again() {
	local command=$1
	shift
	tm send-keys -t tw "$@"
	tw_wait 5 _pane_dead || tw_fail "the terminal program did not quit on $*"
	# A clean screen: what the new program shows is all there is to read.
	tm send-keys -R -t tw
	tm clear-history -t tw
	tm respawn-pane -k -t tw "$command" || tw_fail "tmux could not start '$command'"
	tw_wait 10 _port_open || tw_fail "'$command' did not open /dev/tnt0: $(pane | tail -5)"
}

# first_to_c1 MARK: the data of the first TERMINAL message to c1 logged after MARK.
first_to_c1() { tw_frames_id "$TW_LOG" "$1" "$TO_C1" | head -n 1 | cut -d' ' -f2; }
_sent_to_c1() { [[ -n $(first_to_c1 "$1") ]]; }

# start_daemon: the daemon on the CAN link; waits until the terminal shows the
# charger ONLINE and the end of its answer to the daemon's status request.
start_daemon() {
	tw_start_claimed terminal -d 4 || return 1
	if ! tw_wait 15 pane_has "RO500 #1001 ONLINE"; then
		tw_fail "$1: the terminal never showed 'RO500 #1001 ONLINE': $(pane | tail -5)"
		return 1
	fi
	tw_wait 10 pane_has "AOK;" || { tw_fail "$1: the answer to the status request never reached the terminal"; return 1; }
}

# type_line WHAT KEYS...: tmux types KEYS into the terminal; the first TERMINAL
# message to c1 after that is returned in SENT ("" after 5 s without one).
type_line() {
	local what=$1 mark
	shift
	mark=$(tw_log_lines "$TW_LOG")
	tm send-keys -t tw "$@"
	SENT=''
	tw_wait 5 _sent_to_c1 "$mark" || { tw_fail "$what: nothing went to the charger after typing $*"; return 1; }
	SENT=$(first_to_c1 "$mark")
}

# hello_typed WHAT: "hello" typed with Enter goes to the charger as "hello\n"; sets
# AOK to the number of "AOK;" on the screen before.
hello_typed() {
	AOK=$(pane | grep -cF "AOK;")
	type_line "$1" hello Enter || return
	tw_expect "$1: 'hello' and Enter on the bus" "$HELLO_LF" "$SENT"
}

# hello_answered AOK-BEFORE WHAT: the terminal shows "hello", the charger's echo of
# what was typed, on a line of its own, and one "AOK;" more than before.
hello_answered() {
	local before=$1 what=$2
	tw_wait 5 _pane_count_at_least "hello" 1 || tw_fail "$what: the charger's echo 'hello' is not a line of its own on the screen: $(pane | tail -5)"
	tw_wait 5 _pane_holds_at_least "AOK;" "$((before + 1))" || tw_fail "$what: no new 'AOK;' on the screen after 'hello'"
}

# ras_answered WHAT: "$RAS:@" typed with Enter reaches the charger and its answer
# (a CPE line among others) shows on the screen once more.
ras_answered() {
	local what=$1 before
	before=$(pane | grep -cF -- "$CPE")
	type_line "$what" '$RAS:@' Enter || return
	tw_expect "$what: '\$RAS:@' typed with Enter, on the bus" "$RAS" "$SENT"
	tw_wait 5 _pane_holds_at_least "$CPE" "$((before + 1))" ||
		tw_fail "$what: the answer to '\$RAS:@' did not show on the screen: $(pane | tail -12)"
}

phase_picocom() {
	# As it comes: Enter sends CR, which the daemon keeps in the line; the Ctrl-J
	# (a line feed) sends the line, CR included.
	terminal "picocom -q /dev/tnt0"
	start_daemon "plain picocom" || { tw_stop; return; }
	type_line "plain picocom" hello Enter C-j || { tw_stop; return; }
	tw_expect "plain picocom: 'hello', Enter and Ctrl-J on the bus" "$HELLO_CRLF" "$SENT"

	# The working invocation: CR goes out as LF, a received LF shows as CR LF.
	terminal_again "picocom -q --omap crlf --imap lfcrlf /dev/tnt0" C-a C-x
	tw_wait 5 pane_has "AST;" || tw_fail "picocom --omap crlf: no AST line on the screen"
	hello_typed "picocom --omap crlf" || { tw_stop; return; }
	hello_answered "$AOK" "picocom --omap crlf"
	ras_answered "picocom --omap crlf"
	no_indented_line "picocom --imap lfcrlf"
	tw_stop
}

# no_indented_line WHAT: every line on the screen starts at the left margin. The
# daemon's own lines and the charger's echo end in a bare LF; shown without a CR,
# the line after one would start where it ended.
no_indented_line() {
	if pane | grep -q '^[[:space:]]'; then
		tw_fail "$1: lines that do not start at the left margin: $(pane | grep '^[[:space:]]' | head -3)"
	fi
}

phase_minicom() {
	local home=$SANDBOX_STATE/home i
	mkdir -p "$home"
	# The conversion table: 256 bytes shown for each byte received, then 256 bytes
	# sent for each byte typed; the same but for 13 (CR), sent as 10 (LF).
	{
		# shellcheck disable=SC2059 # the octal escape is the format
		for ((i = 0; i < 256; i++)); do printf "\\$(printf %03o "$i")"; done
		# shellcheck disable=SC2059
		for ((i = 0; i < 256; i++)); do printf "\\$(printf %03o "$((i == 13 ? 10 : i))")"; done
	} >"$home/cr2lf.conv"
	printf 'pu convf            %s\npu addcarreturn     Yes\n' "$home/cr2lf.conv" >"$home/.minirc.tidewire"
	terminal "HOME=$home minicom -o -D /dev/tnt0 tidewire"
	start_daemon "minicom" || { tw_stop; return; }
	hello_typed "minicom" || { tw_stop; return; }
	hello_answered "$AOK" "minicom"
	ras_answered "minicom"
	no_indented_line "minicom addcarreturn"
	tw_stop
}

phase_screen() {
	local rc=$SANDBOX_STATE/screenrc
	# autodetach off: screen ends with the tmux pane instead of living on detached.
	printf 'autodetach off\nbindkey "\\015" stuff "\\012"\n' >"$rc"
	mkdir -m 700 "$SANDBOX_STATE/screen"
	terminal "SCREENDIR=$SANDBOX_STATE/screen screen -c $rc /dev/tnt0 115200"
	start_daemon "screen" || { tw_stop; return; }
	hello_typed "screen" || { tw_stop; return; }
	# screen shows a bare LF as a line feed alone: the daemon's own lines may start
	# anywhere on the screen line, the charger's (CR LF) at the margin.
	tw_wait 5 _pane_holds_at_least "AOK;" "$((AOK + 1))" || tw_fail "screen: no new 'AOK;' on the screen after 'hello'"
	ras_answered "screen"
	tw_stop
}

phase_ser2net() {
	local conf=/run/ser2net.yaml lan s2n mark seen # /run: the sandbox's, which ser2net's user reaches
	busybox sh -c ". '$TW_REPO/openwrt/files/tidewire.init' && ser2net_config '$SANDBOX_IP' 4000 1" >"$conf"
	# The user's end is ser2net's user's, as the init script's socat makes it.
	chown nobody "$(readlink -f /dev/tnt0)" && chmod 600 "$(readlink -f /dev/tnt0)"
	setpriv --reuid=nobody --regid=nogroup --clear-groups --bounding-set=-all --inh-caps=-all \
		ser2net -n -u -c "$conf" >"$TW_OUT/ser2net.log" 2>&1 </dev/null &
	s2n=$!
	# shellcheck disable=SC2317 # called through tw_wait
	_listening() { ss -ltn "( sport = :4000 )" | grep -qF "$SANDBOX_IP:4000"; }
	tw_wait 5 _listening || { tw_fail "ser2net does not listen at $SANDBOX_IP:4000: $(cat "$TW_OUT/ser2net.log")"; return; }
	# The LAN: rtr-peer, eth0's other end, in a network namespace of its own.
	unshare -n sleep 600 &
	lan=$!
	if ! { tw_wait 5 tw_netns_apart "$lan" && ip link set rtr-peer netns "$lan" &&
		nsenter -t "$lan" -n sh -c "ip addr add $SANDBOX_PEER_IP/24 dev rtr-peer && ip link set rtr-peer up"; }; then
		tw_fail "rtr-peer could not move into a namespace of its own"
		return
	fi
	tw_start_claimed ser2net -d 4 || { tw_stop; return; }

	# The client: socat from the LAN, what it reads stamped line by line as a port.
	mkfifo "$SANDBOX_STATE/typed"
	exec 7<>"$SANDBOX_STATE/typed"
	# shellcheck disable=SC2317
	_connected() { ss -tn state established "( sport = :4000 )" | grep -q "$SANDBOX_PEER_IP"; }
	nsenter -t "$lan" -n socat - "TCP:$SANDBOX_IP:4000" <&7 2>"$TW_OUT/client.err" | _tw_stamp_lines >"$TW_OUT/lan.port" &
	tw_wait 5 _connected || tw_fail "no connection from $SANDBOX_PEER_IP to ser2net at $SANDBOX_IP:4000: $(cat "$TW_OUT/client.err" "$TW_OUT/ser2net.log")"
	tw_port_wait_ast 10 lan 0 2 || tw_fail "no AST lines on the LAN: $(tw_port lan | tail -5)"
	mark=$(tw_log_lines "$TW_LOG")
	seen=$(tw_port_mark lan)
	printf '%s\n' '$RAS:@' >&7
	tw_await_frame 5 "$mark" "$TO_C1" "$RAS" || tw_fail "'\$RAS:@' typed on the LAN did not go to the charger"
	tw_port_wait 5 lan "$CPE" "$seen" || tw_fail "the answer to '\$RAS:@' did not reach the LAN: $(tw_port lan | tail -12)"
	kill -0 "$s2n" 2>/dev/null || tw_fail "ser2net ended: $(cat "$TW_OUT/ser2net.log")"
	exec 7>&-
	tw_stop
	kill "$lan" "$s2n" 2>/dev/null
}

# ============================================================== outside ====

TW_SCENARIO=$TW_HERE/scenarios/ro500.scn
outside_picocom() { tw_needs tmux picocom && tw_sandbox_phase picocom "$TW_SCENARIO" --tnt-pairs 2; }
outside_minicom() { tw_needs tmux minicom && tw_sandbox_phase minicom "$TW_SCENARIO" --tnt-pairs 2; }
outside_screen() { tw_needs tmux screen && tw_sandbox_phase screen "$TW_SCENARIO" --tnt-pairs 2; }
outside_ser2net() { tw_needs ser2net && tw_sandbox_phase ser2net "$TW_SCENARIO" --tnt-pairs 1; }
tw_main "terminal programs at a charger's port" picocom minicom screen ser2net -- "$@"
