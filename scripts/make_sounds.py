#!/usr/bin/env python3
"""Makes the alarm sounds delivered in data/Sounds/ from the PC-speaker tone patterns of
the sound choices (the same patterns the speaker plays, see src/monitoring/Sounds.cpp).

16 kHz mono 16-bit PCM; each tone a sine with 4 ms ramps so that it starts and stops
without a click; a tone above what 16 kHz can carry (the 25 kHz "tone" of the triple beep)
is a pause. Only the standard library is used and the output is the same on every run.

    python3 scripts/make_sounds.py [OUTPUT_DIR]     (default: data/Sounds)
"""

import math
import os
import struct
import sys

RATE = 16000
AMPLITUDE = 16000  # about half of full scale
RAMP = RATE * 4 // 1000

SIREN = [(500, 60), (600, 60), (700, 60)]

# file name -> list of (hz, ms)
SOUNDS = {
    "SBeep.wav": [(1000, 100)],
    "LBeep.wav": [(1000, 600)],
    "TriBeep.wav": [(1000, 300), (25000, 300)] * 3,
    "Alarm.wav": SIREN * 6,
    # Played again and again while the alarm lasts; five rounds per file keep the seams few.
    "Permanent.wav": SIREN * 5,
}


def tone(hz, ms):
    n = RATE * ms // 1000
    if hz <= 0 or 2 * hz >= RATE:
        return [0] * n
    out = []
    for i in range(n):
        gain = min(1.0, i / RAMP, (n - 1 - i) / RAMP)
        out.append(int(round(AMPLITUDE * gain * math.sin(2 * math.pi * hz * i / RATE))))
    return out


def wave(samples):
    data = struct.pack("<%dh" % len(samples), *samples)
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE * 2, 2, 16)
    return (b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE" +
            b"fmt " + struct.pack("<I", len(fmt)) + fmt +
            b"data" + struct.pack("<I", len(data)) + data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "Sounds")
    os.makedirs(out_dir, exist_ok=True)
    for name, pattern in SOUNDS.items():
        samples = []
        for hz, ms in pattern:
            samples += tone(hz, ms)
        path = os.path.join(out_dir, name)
        with open(path + ".tmp", "wb") as f:
            f.write(wave(samples))
        os.replace(path + ".tmp", path)
        print("%s: %d ms" % (path, len(samples) * 1000 // RATE))


if __name__ == "__main__":
    main()
