#!/usr/bin/env python3
"""Writes the seed inputs of fuzz_link (layout in LinkFuzzer.cpp) into fuzz/corpus/link/.

The replies and frames are the bytes kivo-sim sent to quelta-cli in a full scan, a DCS,
channel and bandwidth change, pad commands and an echo test (recorded with --trace)."""
import pathlib

STX, EOT, ACK = b"\x02", b"\x04", b"\x06"
FIXED, FRAMED, ECHO, JUDGE, COMMA = 1, 2, 4, 8, 16
GAP = {0: 0, 1: 1, 5: 2, 20: 3, 60: 4, 150: 5, 400: 6, 1100: 7}
PAD_BITS = {c: 1 << j for j, c in enumerate("0123456789ac")}


def frame(body: bytes) -> bytes:
    return STX + body + EOT


def seed(flags, length=27, pads="", loops=1, delay=150, chunks=()):
    mask = sum(PAD_BITS[p] for p in pads)
    out = bytes([flags, (length - 1) % 40, mask & 0xFF, mask >> 8, (loops - 1) | ((delay - 130) // 10) << 2])
    for data, gap in chunks:
        if not data:
            out += bytes([GAP[gap] << 5])
        for i in range(0, len(data), 30):
            part = data[i:i + 30]
            out += bytes([GAP[gap if i + 30 >= len(data) else 0] << 5 | len(part)]) + part
    return out


hello = [frame(p + ACK + b"912") for p in (b"0", b"3", b"a")]
seeds = {
    "version-era": seed(FIXED, 26, chunks=[(b"ER_CMD#T3ERA400TRS-V1.02.3", 150)]),
    "version-classic": seed(FIXED, 27, chunks=[(b"ER_CMD#T3ER400TRS-02V2.01.7", 150)]),
    "channel": seed(FIXED, 9, chunks=[(b"ER_CMD#C7", 150)]),
    "bandwidth": seed(FIXED, 9, chunks=[(b"ER_CMD#B6", 150), (b"ER_CMD#B2", 150)]),
    "dcs": seed(FIXED, 10, chunks=[(b"ER_CMD#A01", 150)]),
    "hello-replies": seed(FRAMED, chunks=[(h, 150) for h in hello]),
    "award": seed(FRAMED, pads="03a", chunks=[(frame(b"37.5"), 400)]),
    "award-comma": seed(FRAMED | COMMA, pads="03a", chunks=[(frame(b"c10.0"), 400)]),
    "judge-id": seed(FRAMED | JUDGE, pads="03a", chunks=[(frame(b"a17"), 400)]),
    "long-reply": seed(FRAMED, pads="3", chunks=[(frame(b"3" + ACK + b"3J3  0"), 150)]),
    "echo-test": seed(ECHO | FRAMED, pads="03a", loops=3, delay=150, chunks=[
        (frame(p + ACK + p + b"J" + j + b"  " + n), 150)
        for n in (b"1", b"2", b"3") for p, j in ((b"0", b"0"), (b"3", b"3"), (b"a", b"10"))]),
    "echo-late-reply": seed(ECHO | FRAMED, pads="03", loops=2, delay=130, chunks=[
        (b"", 400), (frame(b"0" + ACK + b"0J0  1"), 150), (frame(b"3" + ACK + b"3J3  2"), 400)]),
    "both-collectors": seed(FIXED | FRAMED, 9, chunks=[(b"ER_CMD#C3", 20), (hello[1], 150)]),
    "no-collector": seed(0, chunks=[(hello[0] + b"ER_CMD#C7", 150)]),
    "garbage-wrong-length": seed(FIXED, 26, chunks=[(b"#?ERR\x15\x7f\xfeNOISE", 1100), (b"#?ERR\x15\x7f\xfeNOISE", 1100)]),
}
folder = pathlib.Path(__file__).resolve().parent / "corpus" / "link"
folder.mkdir(parents=True, exist_ok=True)
for name, data in seeds.items():
    (folder / name).write_bytes(data)
