#!/usr/bin/env python3
"""Writes a large vemo.freq and a full 450-row ionization.data for timing.

usage: generate.py OUTPUT_DIR [MEASUREMENTS [SEED]]   (default 1000000, 20201)

Blocks of one reference line and 1 to 40 measurement lines, separated by
"NEW " markers; the file ends with a measurement, so a timed run reads to the
end of the file and ends normally. Every other measurement uses the
inverse-ratio flag and some use isomer symbols. The data is made up but
shaped like real input; it is deterministic, so runs can be compared.
"""
import random
import sys

out_dir = sys.argv[1]
count = int(sys.argv[2]) if len(sys.argv) > 2 else 1_000_000
seed = int(sys.argv[3]) if len(sys.argv) > 3 else 20201
rng = random.Random(seed)

letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
symbols = [a + b.lower() for a in letters for b in letters][:150]

with open(f"{out_dir}/ionization.data", "w") as f:
    for i, symbol in enumerate(symbols):
        for q in (1, 2, 3):
            f.write(f"{i + 1:3d} {symbol:<3s}{q:2d} {rng.uniform(3.0, 40.0) * q:.6f}\n")

with open(f"{out_dir}/vemo.freq", "w") as f:
    written = 0
    while written < count:
        if written:
            f.write("    NEW\n")
        a_ref = rng.randint(20, 240)
        f.write(f"{a_ref:4d}{rng.choice(symbols):<4s}{1:4d}{rng.uniform(-95000, 5000):19.8f}"
                f"  {rng.uniform(0.001, 0.02):13.8f}\n")
        for _ in range(min(rng.randint(1, 40), count - written)):
            a = rng.randint(20, 240)
            q = rng.randint(1, 3)
            symbol = rng.choice(symbols) + ("m" if rng.random() < 0.05 else "")
            ratio = a / q / a_ref * 1e6 * (1 + rng.uniform(-1e-4, 1e-4))
            flag = " I" if written % 2 else "  "
            if flag == " I":
                ratio = 1e12 / ratio
            f.write(f"{a:4d}{symbol:<4s}{q:4d}{ratio:19.8f}{flag}{ratio * 3e-10:13.8f}\n")
            written += 1
