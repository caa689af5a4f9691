# shellcheck shell=bash disable=SC2016 # awk programs stay in single quotes
# The simulator's candump -L log, read back: frames, address claims, product
# information. Sourced by lib.sh.

# awk functions for frames; plain POSIX awk (mawk has no bit operations).
_TW_AWK_FRAMES='
function hex(s,   i, v) {
	v = 0; s = toupper(s)
	for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789ABCDEF", substr(s, i, 1)) - 1
	return v
}
function byte(d, i) { return hex(substr(d, 2 * i + 1, 2)) }   # i counts from 0
function pgn_of(id,   p) {   # PDU1 PGNs carry the destination in their low byte
	p = int(id / 256) % 262144
	if (int(p / 256) % 256 < 240) p -= p % 256
	return p
}
# Sets ID and DATA (hex text) from a log line; 0 for comment lines.
function frame(   n) {
	if (substr($0, 1, 1) != "(") return 0
	n = index($3, "#"); ID = hex(substr($3, 1, n - 1)); DATA = substr($3, n + 1)
	return 1
}
'

# tw_log_lines FILE: number of lines in the file now (0 when there is none yet), a
# mark for "after".
tw_log_lines() { if [[ -e $1 ]]; then wc -l <"$1"; else echo 0; fi; }

# tw_claims LOG AFTER_LINE: one line per address claim (PGN 60928) logged after
# the line: "ID SRC unique=N mfr=N function=N class=N industry=N aac=N", ID as
# the log writes it (18EEFF23).
tw_claims() {
	awk -v from="$2" "$_TW_AWK_FRAMES"'
	NR > from && frame() && pgn_of(ID) == 60928 && length(DATA) == 16 {
		low = byte(DATA, 0) + byte(DATA, 1) * 256 + byte(DATA, 2) * 65536 + byte(DATA, 3) * 16777216
		b7 = byte(DATA, 7)
		printf "%s %d unique=%d mfr=%d function=%d class=%d industry=%d aac=%d\n", substr($3, 1, index($3, "#") - 1), ID % 256,
			low % 2097152, int(low / 2097152), byte(DATA, 5), int(byte(DATA, 6) / 2),
			int(b7 / 16) % 8, int(b7 / 128)
	}' "$1"
}

# tw_frames_from LOG AFTER_LINE SRC: "PGN DATA" of every frame from source SRC.
tw_frames_from() {
	awk -v from="$2" -v src="$3" "$_TW_AWK_FRAMES"'
	NR > from && frame() && ID % 256 == src { print pgn_of(ID), DATA }' "$1"
}

# tw_frames_id LOG AFTER_LINE ID: "SECONDS DATA" of every frame logged after the
# line whose identifier is exactly ID, as the log writes it (1D7E42B1): the
# simulator's wall-clock time of the frame and its data in hex.
tw_frames_id() {
	awk -v from="$2" -v id="$3" '
	NR > from && substr($1, 1, 1) == "(" {
		n = index($3, "#")
		if (substr($3, 1, n - 1) == id) print substr($1, 2, length($1) - 2), substr($3, n + 1)
	}' "$1"
}
_tw_has_frame() { tw_frames_id "$TW_LOG" "$1" "$2" | grep -q " $3\$"; }
# tw_await_frame SECONDS AFTER_LINE ID DATA: waits for that exact frame in $TW_LOG.
tw_await_frame() { local s=$1; shift; tw_wait "$s" _tw_has_frame "$@"; }

# tw_product LOG AFTER_LINE SRC: reassembles the last complete Product
# Information fast packet (PGN 126996) from SRC and prints its fields, one
# "key=value" a line: n2kver product model sw modelver serial cert len. Texts end
# at their first 0xFF or 0x00 pad byte; bytes outside printable ASCII show as
# \xHH. Status 1 when no complete message was logged.
tw_product() {
	awk -v from="$2" -v src="$3" "$_TW_AWK_FRAMES"'
	function text(p, off,   i, b, s) {
		s = ""
		for (i = 0; i < 32; i++) {
			b = byte(p, off + i)
			if (b == 255 || b == 0) break
			s = s ((b >= 32 && b < 127) ? sprintf("%c", b) : sprintf("\\x%02X", b))
		}
		return s
	}
	NR > from && frame() && ID % 256 == src && pgn_of(ID) == 126996 {
		b0 = byte(DATA, 0); seq = int(b0 / 32); counter = b0 % 32
		if (counter == 0) {
			cur = seq; want = byte(DATA, 1); got = substr(DATA, 5); next_counter = 1
		} else if (want > 0 && seq == cur && counter == next_counter) {
			got = got substr(DATA, 3); next_counter++
		} else {
			want = 0   # a lost or foreign frame: this message is incomplete
		}
		if (want > 0 && length(got) >= 2 * want) { done = substr(got, 1, 2 * want); want = 0 }
	}
	END {
		if (done == "") exit 1
		printf "length=%d\n", length(done) / 2
		printf "n2kver=%d\nproduct=%d\n", byte(done, 0) + 256 * byte(done, 1), byte(done, 2) + 256 * byte(done, 3)
		printf "model=%s\nsw=%s\nmodelver=%s\nserial=%s\n", text(done, 4), text(done, 36), text(done, 68), text(done, 100)
		printf "cert=%d\nlen=%d\n", byte(done, 132), byte(done, 133)
	}' "$1"
}
