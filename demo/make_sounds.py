#!/usr/bin/env python3
"""Synthesises the demo's sounds (16-bit PCM WAV) so that they can be remade or changed."""
import math
import struct


def write_wav(path, rate, samples):
    data = b"".join(struct.pack("<h", max(-32767, min(32767, int(s * 32767)))) for s in samples)
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(data), b"WAVE", b"fmt ", 16, 1, 1, rate,
                         rate * 2, 2, 16, b"data", len(data))
    open(path, "wb").write(header + data)


def chime(rate=22050):
    # A station chime: two bell-like notes, each a decaying tone with a soft overtone.
    out = []
    for freq, length in ((659.25, 0.55), (523.25, 0.9)):
        n = int(rate * length)
        for i in range(n):
            t = i / rate
            env = math.exp(-3.5 * t) * min(1.0, t / 0.005)
            s = math.sin(2 * math.pi * freq * t) + 0.3 * math.sin(2 * math.pi * freq * 2.01 * t)
            out.append(0.35 * env * s)
    return out


if __name__ == "__main__":
    write_wav("se/chime.wav", 22050, chime())
