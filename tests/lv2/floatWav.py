#!/usr/bin/env python3
"""32-bit float stereo WAV files for the LV2 host tests.

write FILE                     a 2 s test signal at 44.1 kHz: bass, bursts over full scale, noise, silence
compare RENDERED APPLIED JSON  the renderer's output against lv2apply's, sample for sample, bit for bit.
    lv2apply writes the plug-in's raw output (its latency included). The renderer's
    report says whether its file has the latency removed ("latency_compensated",
    "latency_samples"); if so, rendered frame n is compared with applied frame
    n + latency, otherwise frame n with frame n.
"""
import json
import math
import random
import struct
import sys

RATE = 44100


def write(path):
    frames = []
    rng = random.Random(19)
    for n in range(2 * RATE):
        t = n / RATE
        burst = 1.8 if (n // 4410) % 3 == 1 else 0.3
        base = burst * math.sin(2 * math.pi * 55 * t) + 0.2 * math.sin(2 * math.pi * 3000 * t)
        if n > int(1.8 * RATE):
            base = 0.0  # a silent tail: the release and the filters ring out
        frames.append((base + 0.02 * rng.uniform(-1, 1), 0.7 * base - 0.02 * rng.uniform(-1, 1)))
    data = b"".join(struct.pack("<ff", l, r) for l, r in frames)
    fmt = struct.pack("<HHIIHH", 3, 2, RATE, RATE * 8, 8, 32)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt)
        f.write(b"data" + struct.pack("<I", len(data)) + data)


def samples(path):
    """The data chunk of a float WAV file as (channels, bytes); refuses anything else."""
    raw = open(path, "rb").read()
    assert raw[:4] == b"RIFF" and raw[8:12] == b"WAVE", path + ": not a WAV file"
    at, channels, fmt_tag, bits = 12, None, None, None
    while at + 8 <= len(raw):
        tag, size = raw[at:at + 4], struct.unpack("<I", raw[at + 4:at + 8])[0]
        body = raw[at + 8:at + 8 + size]
        if tag == b"fmt ":
            fmt_tag, channels, _, _, _, bits = struct.unpack("<HHIIHH", body[:16])
            if fmt_tag == 0xFFFE:  # extensible: the sub-format's first two bytes
                fmt_tag = struct.unpack("<H", body[24:26])[0]
        elif tag == b"data":
            assert fmt_tag == 3 and bits == 32, path + ": not 32-bit float"
            return channels, body
        at += 8 + size + (size & 1)
    raise AssertionError(path + ": no data chunk")


def compare(rendered, applied, report):
    channels, a = samples(rendered)
    channels_b, b = samples(applied)
    info = json.load(open(report))
    shift = info["latency_samples"] if info["latency_compensated"] else 0
    frame = 4 * channels
    if channels != channels_b or len(a) != len(b):
        print("different shapes: %d/%d channels, %d/%d bytes" % (channels, channels_b, len(a), len(b)))
        return 1
    a, b = a[:len(a) - shift * frame], b[shift * frame:]
    if a == b:
        print("%d frames identical (latency %s)" % (len(a) // frame, "removed by the renderer" if shift else "in both"))
        return 0
    first = next(i for i in range(len(a)) if a[i] != b[i]) // 4
    va, vb = (struct.unpack("<f", x[first * 4:first * 4 + 4])[0] for x in (a, b))
    print("first difference at sample %d (frame %d): renderer %r, lv2apply %r" % (first, first // channels, va, vb))
    return 1


if __name__ == "__main__":
    if sys.argv[1] == "write":
        write(sys.argv[2])
    else:
        sys.exit(compare(*sys.argv[2:5]))
