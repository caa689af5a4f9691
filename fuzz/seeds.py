#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/): a few inputs
each, as the targets read them, that walk the paths a real bus and a real user take.

Most targets read their input through libFuzzer's FuzzedDataProvider, which takes
numbers from the end of the input (most significant byte first) and strings from the
front; Seed below lays an input out the same way.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


class Seed:
    def __init__(self):
        self.front = bytearray()
        self.back = bytearray()  # in the order the target takes them

    def num(self, value, lo, hi):
        span, n = hi - lo, 0
        while n < 8 and (span >> (8 * n)) > 0:
            n += 1
        v = value - lo
        self.back += bytes((v >> (8 * (n - 1 - i))) & 0xFF for i in range(n))
        return self

    def u8(self, v): return self.num(v, 0, 0xFF)
    def u32(self, v): return self.num(v, 0, 0xFFFFFFFF)
    def i32(self, v): return self.num(v, -(1 << 31), (1 << 31) - 1)
    def flag(self, b): return self.u8(1 if b else 0)

    def text(self, s):  # ConsumeBytesAsString / ConsumeRemainingBytesAsString
        self.front += s if isinstance(s, bytes) else s.encode()
        return self

    def random_length(self, s):  # ConsumeRandomLengthString
        s = s if isinstance(s, bytes) else s.encode()
        self.front += s.replace(b"\\", b"\\\\") + b"\\x"
        return self

    def data(self):
        return bytes(self.front) + bytes(reversed(self.back))


def write(target, name, data):
    d = os.path.join(HERE, "corpus", target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


# --------------------------------------------------------------- bus data --

def can_id(prio, pgn, dest, src):
    if ((pgn >> 8) & 0xFF) < 240:
        pgn = (pgn & 0x3FF00) | dest
    return (prio << 26) | (pgn << 8) | src


def name(unique, mfr, function=160, cls=35, industry=2, aac=1):
    return (unique | mfr << 21 | function << 40 | cls << 49 | industry << 60 | aac << 63)


def product_info(product, model, sw, modelver="A", serial="1"):
    def field(s):
        return s.encode()[:32].ljust(32, b"\xff")
    return (struct.pack("<HH", 2100, product) + field(model) + field(sw) + field(modelver)
            + field(serial) + b"\x01\x01")


def fast_packet(payload, seq=0):
    frames = [bytes([seq << 5, len(payload)]) + payload[:6]]
    rest, k = payload[6:], 1
    while rest:
        frames.append(bytes([(seq << 5) | k]) + rest[:7])
        rest, k = rest[7:], k + 1
    return [f.ljust(8, b"\xff") for f in frames]


def bam(payload, pgn):
    packets = (len(payload) + 6) // 7
    cm = bytes([0x20, len(payload) & 0xFF, len(payload) >> 8, packets, 0xFF,
                pgn & 0xFF, (pgn >> 8) & 0xFF, pgn >> 16])
    dts = [bytes([i + 1]) + payload[7 * i:7 * i + 7].ljust(7, b"\xff") for i in range(packets)]
    return cm, dts


AST = "AST;,100.50, ,13.20,4.5,-2.0,60, ,14.40,30,432,21, ,25,40, ,1800, ,13.95,7,8,90\r\n"
ANSWER = (AST + "CPE;,2,14.40,13.60,13.20,30,240\r\nNPC;,1,230,50,16\r\nCST;,3,14.40,4.5,40\r\n"
          "SCV;,14.40,13.95,13.60\r\nSST;,1,0,0\r\nENG;,0,0\r\nFLT;,0,0\r\nAOK;\r\n")
HEARTBEAT = bytes.fromhex("0101501701 5A7D50".replace(" ", ""))
DC1 = bytes.fromhex("0178060194A53577")

# ---------------------------------------------------------------- lawicel --

write("lawicel", "frames", b"T18EEFF23801020304050607\r\rT1DEFFF230\rz\rZ\rT19FEA342801015017015A7D50\r")
write("lawicel", "stamped", b"T18EEFF2380102030405060708ABCD\rF00\r\a\a\a")
write("lawicel", "commands", b"\r\r\rC\rS5\rO\rF\rV\rv\rN\rZ1\rZ0\rL\r")
write("lawicel", "rejects", b"t1230\rR18EEFF230\rT18EEFF239\rT3FFFFFFF0\rTxyz\rT18EEFF2381\r")
write("lawicel", "overlong", b"T" + b"0" * 100 + b"\rT18EEFF230\r\n")

# ------------------------------------------------------------- reassembly --


def reassembly(frames, slots=8):
    s = Seed().num(slots, 1, 8).u32(1000)
    pgns = [126996, 60416, 60160, 127508]
    for pgn, src, data, dt in frames:
        s.flag(dt > 0)
        if dt > 0:
            s.num(dt, 0, 2000)
        s.num(pgns.index(pgn), 0, 3).num(src, 0, 3).flag(True).num(6, 0, 7).num(len(data), 0, 8)
        for b in data:
            s.u8(b)
        s.num(1, 0, 15)
    return s.data()


info = product_info(200, "RO500", "RODE2.1.5")
write("reassembly", "fast_packet", reassembly([(126996, 1, f, 5) for f in fast_packet(info)]))
two = fast_packet(info, 1)
mixed = []
for a, b in zip(fast_packet(product_info(310, "LFP200", "BMS1.4"), 2), two):
    mixed += [(126996, 2, a, 0), (126996, 3, b, 1)]
write("reassembly", "interleaved", reassembly(mixed, 2))
cm, dts = bam(b"RO500*RODE2.1.5*1001*" + b"x" * 20, 0x1FEEB)
write("reassembly", "bam", reassembly([(60416, 1, cm, 1)] + [(60160, 1, d, 10) for d in dts]))
write("reassembly", "timeout", reassembly([(126996, 1, f, 800) for f in fast_packet(info)][:4]))

# ------------------------------------------------------------------- node --


def node(frames, debug=False):
    s = Seed().flag(debug).u32(5000)
    pgns = [60928, 59904, 59392, 65240, 60416, 60160, 126996, 126998, 126464, 130723,
            97792, 131069, 126993]
    for pgn, src, dest, data, dt in frames:
        s.num(0 if dt else 1, 0, 5)
        if dt:
            s.num(dt, 0, 3000)
        s.num(1, 0, 9).num(pgns.index(pgn), 0, 12)
        if dest == 255:
            s.flag(True)
        elif dest == 177:
            s.flag(False).flag(True)
        else:
            s.flag(False).flag(False).u8(dest)
        if 140 <= src <= 143:
            s.flag(True).num(src, 140, 143)
        else:
            s.flag(False).u8(src)
        s.num(6, 0, 7).num(len(data), 0, 8)
        for b in data:
            s.u8(b)
    return s.data()


def claim(src, nm):
    return (60928, src, 255, struct.pack("<Q", nm), 0)


def text_frames(src, text, dest=177):
    raw = text.encode()
    return [(97792, src, dest, raw[i:i + 8].ljust(8, b"\xff"), 0) for i in range(0, len(raw), 8)]


charger = [claim(140, name(1001, 963))] + [(126996, 140, 255, f, 0) for f in fast_packet(info)]
charger += [(130723, 140, 255, HEARTBEAT, 300)] + text_frames(140, ANSWER)
charger += [(130723, 140, 255, HEARTBEAT, 600), (131069, 140, 255, DC1, 0)]
write("node", "charger", node(charger))
battery = [claim(141, name(471, 2046, 170))]
battery += [(126996, 141, 255, f, 0) for f in fast_packet(product_info(310, "../LFP 200", "B/1"))]
battery += [(131069, 141, 255, DC1, 500)] * 3 + [(131069, 141, 255, DC1, 3000)] * 4
write("node", "battery", node(battery, True))
rival = [(59904, 143, 177, bytes([0x00, 0xEE, 0x00]), 0), claim(142, name(1, 963, aac=0)),
         claim(142, name(1, 963, aac=0))]
rival += [(59904, 142, 255, bytes([0x14, 0xF0, 0x01]), 100), claim(177, 0)]
write("node", "rival", node(rival))

# --------------------------------------------------------------- dispatch --
# Rows as the table has them now; a row added later moves the later ones, which only
# makes a seed less to the point, never wrong.
ROWS = [131015, 130723, 131069, 131068, 131067, 130761, 130760, 130759, 130725, 131014,
        130966, 130764, 130751, 130969, 130968, 130795, 97792, 130762]
SOURCES = [140, 141, 142, 0, 253, 254, 255]


def dispatch(msgs, debug=True, status=True, echo=False):
    s = Seed().flag(debug).flag(status).flag(echo).u32(100000)
    for m in msgs:
        if m == "tick":
            s.num(0, 0, 7).num(1100, 0, 12000).num(0, -3600, 3600)
            continue
        pgn, src, data = m
        s.num(1, 0, 7).num(ROWS.index(pgn), 0, len(ROWS)).num(6, 0, 7)
        s.num(SOURCES.index(src), 0, len(SOURCES) - 1).flag(True)
        s.num(len(data), 0, 10)
        for b in data:
            s.u8(b)
    return s.data()


hb = (130723, 140, HEARTBEAT)
write("dispatch", "charger", dispatch(
    [hb, (131015, 140, bytes.fromhex("01080 15A7D5003 05".replace(" ", "")))]
    + [(97792, 140, (ANSWER.encode()[i:i + 8]).ljust(8, b"\xff")) for i in range(0, len(ANSWER), 8)]
    + [hb, "tick", hb, "tick", hb, "tick",
       (131014, 140, bytes.fromhex("01020021C800587F")), (131014, 140, bytes.fromhex("01020021C800587E")),
       (130762, 140, bytes.fromhex("054A0025E381FFFF")), (130762, 140, bytes.fromhex("054AFFFFFFFFFFFF")),
       "tick", "tick"]))
write("dispatch", "battery", dispatch(
    [(131069, 141, DC1), (131068, 141, bytes.fromhex("0178C026A0FFFF0F")),
     (131067, 141, bytes.fromhex("01785FA0005C1400")), (130761, 141, bytes.fromhex("01780218011C7D03")),
     (130760, 141, bytes.fromhex("0178C4320000FFFF")), (130759, 141, bytes.fromhex("0178FC")),
     (130725, 141, bytes.fromhex("0178F5C8003B00")), "tick", "tick", "tick",
     (131069, 141, bytes.fromhex("0178FFFFFFFFFFFF")), "tick"], debug=False))
write("dispatch", "short", dispatch([(r, 140, b"\x01") for r in ROWS] + [(r, 141, b"") for r in ROWS]))

# -------------------------------------------------------------------- ast --


def ast(line, wall=1700000000, later=3600):
    return Seed().flag(True).i32(wall).i32(later).flag(False).text(line).data()


write("ast", "line", ast(AST))
write("ast", "odd", ast("AST;,1e38, ,nan,inf,-inf,1e30, ,x,7,8,9, ,10,11, ,12, ,13,14,15,16\n"))
write("ast", "cut", ast("AST;,100.5, ,13.2", 2147483000, 7200))
write("ast", "other", ast("CST;,3,14.40,4.5,40\r\n"))

# ----------------------------------------------------------- terminal_can --


def terminal_can(pieces, debug=False):
    s = Seed().flag(debug).u32(5000).flag(True)
    for p in pieces:
        if p == "tick":
            s.num(0, 0, 7).num(1000, 0, 25000).num(0, 0, 7200)
        elif p == "out":
            s.num(1, 0, 7)
        else:
            s.num(3, 0, 7).num(len(p), 0, 8).text(p)
    return s.data()


ans = ANSWER.encode()
write("terminal_can", "answer", terminal_can([ans[i:i + 8] for i in range(0, len(ans), 8)] + ["out", "tick"] * 10))
write("terminal_can", "fault", terminal_can([b"..FLT;,3", b"00,3..\r\n", b"AOK;\r\n", "out", "tick"]))
write("terminal_can", "noeol", terminal_can([b"ABCDEFGH"] * 40 + ["out", "tick"], True))

# ---------------------------------------------------------- terminal_port --


def terminal_port(typed, debug=False):
    s = Seed().flag(debug)
    for t in typed:
        s.random_length(t)
    return s.data()


write("terminal_port", "commands", terminal_port(["$RAS:@\n", "hello\n", "AB@CD\n"]))
write("terminal_port", "echo", terminal_port(["ABCDEFGHIJKLMNOPQRST\n", "x\0y\n"], True))
write("terminal_port", "long", terminal_port(["A" * 5000 + "\n"]))

# -------------------------------------------------------------- tty_table --


def tty(table, key, model, modelver="", in_use=()):
    s = Seed().i32(key)
    for p in in_use:
        s.flag(True).num(p, -3, 99)
    if len(in_use) < 4:
        s.flag(False)
    return s.random_length(model).random_length(modelver).text(table).data()


write("tty_table", "known", tty("204:1:A 301:3:B", 204, "A"))
write("tty_table", "rename", tty("204:1:A 301:3:B", 301, "B2"))
write("tty_table", "add", tty("  204:1:A    junk 5:7:X ", 77, "RO500 v2", "B", (9, 11)))
write("tty_table", "hostile", tty("1:1:A 2:1:B 3:-1:C 4:2147483647:D", 9, "../x'y;z", "a/b"))
sys.exit(0)
