#!/usr/bin/env python3
"""Writes a network of equations shaped like an evaluation's, for timing the
adjustment: every nuclide of the mass table CSV, links of 1 to 3 in mass
number between neighbours, chains and loops, and a few hundred anchors.

usage: generate_network.py MASS_TABLE_CSV OUTPUT_DIR [EQUATIONS [ANCHORS [SEED]]]
       (default 12000 equations, 300 anchors, seed 2020)

Writes OUTPUT_DIR/network.equat in the converter's layout and
OUTPUT_DIR/anchors.txt, one nuclide a line (none estimated). Every nuclide
is measured at least once, so that only the named anchors (and 12C) tie the
network to absolute values. V is the table's link with a normal scatter of
U added, U spread from 10^-4 to 10 micro-u. Deterministic for a seed.
"""
import csv
import random
import sys

table_path, out_dir = sys.argv[1], sys.argv[2]
count = int(sys.argv[3]) if len(sys.argv) > 3 else 12000
anchor_count = int(sys.argv[4]) if len(sys.argv) > 4 else 300
rng = random.Random(int(sys.argv[5]) if len(sys.argv) > 5 else 2020)

nuclides = []  # (A, symbol, mass excess, estimated)
with open(table_path) as f:
    rows = csv.reader(line for line in f if not line.startswith("#"))
    header = next(rows)
    at = {name: k for k, name in enumerate(header)}
    for row in rows:
        nuclides.append((int(row[at["A"]]), row[at["symbol"]],
                         float(row[at["mass_excess_micro_u"]]), row[at["estimated"]] == "yes"))
nuclides.sort(key=lambda n: (n[0], n[1]))
by_a = {}
for k, n in enumerate(nuclides):
    by_a.setdefault(n[0], []).append(k)


def neighbour(k):
    """A nuclide 1 to 3 mass numbers away (or of the same A when nothing is)."""
    a = nuclides[k][0]
    for _ in range(20):
        other = a + rng.choice((-3, -2, -1, 1, 2, 3))
        if other in by_a:
            return rng.choice(by_a[other])
    return rng.choice([j for j in by_a[a] if j != k] or [k - 1 if k > 0 else k + 1])


def uncertainty():
    return 10.0 ** rng.uniform(-4.0, 1.0)


links = []
# A chain through every nuclide in mass order, both ways at its start, so
# that each is measured and the whole table is one connected network.
links.append((0, 1))
for k in range(1, len(nuclides)):
    links.append((k, k - 1))
# Loops of 2 and 3 links and single links between neighbours.
while len(links) < count:
    k = rng.randrange(len(nuclides))
    length = rng.choice((1, 2, 3))
    path = [k]
    for _ in range(length):
        path.append(neighbour(path[-1]))
    for m, r in zip(path, path[1:]):
        if m != r:
            links.append((m, r))
    if length > 1 and path[-1] != k and len(links) < count:
        links.append((path[-1], k))  # closes the loop
links = links[:count]

with open(f"{out_dir}/network.equat", "w") as f:
    for m, r in links:
        A_m, sym_m, me_m, _ = nuclides[m]
        A_r, sym_r, me_r, _ = nuclides[r]
        G = round(A_m / A_r, 3)
        U = uncertainty()
        V = me_m - G * me_r + rng.gauss(0.0, 1.0) * U
        adjusted = G * me_r + V
        f.write(f"     {A_m:6d}{sym_m:<4s}-{A_r:4d}{sym_r:<4s}*{G:6.3f} ={V:15.5f} ({U:9.5f})\n"
                f"             {A_m:4d}{sym_m:<4s} ={adjusted:15.6f} +/-{U:11.6f} micro-u\n"
                f"                      ={adjusted * 0.9314940038:15.6f} +/-"
                f"{U * 0.9314940038:11.6f} keV\n\n")
    f.write("0Normal End of Freq.Ratios to Equations Conversion\n")

measured = [k for k, n in enumerate(nuclides) if not n[3] and not (n[0] == 12 and n[1] == "C")]
with open(f"{out_dir}/anchors.txt", "w") as f:
    for k in sorted(rng.sample(measured, anchor_count)):
        f.write(f"{nuclides[k][0]}{nuclides[k][1]}\n")
