#!/usr/bin/env python3
"""Writes a large vemo.freq of real nuclides, shaped like an evaluation's input.

usage: generate_realistic.py MASS_TABLE BINDING_ENERGIES OUTPUT [MEASUREMENTS [SEED]]
                                                  (default 1000000, 20261)

Blocks of one reference line and 1 to 40 measurement lines, separated by
"NEW" markers, the file ending with a measurement. Three blocks in four come
from an on-line trap: singly (sometimes doubly) charged ions of neighbouring
mass against a well-known reference such as 85Rb or 133Cs, at 1e-8 to 1e-10
relative. The fourth are highly charged ions from an ion source, up to 50+
and more, against a reference ion of nearly the same mass-to-charge ratio,
at 1e-10 to 5e-12; a heavy ion's uncertainty is kept above three times what
its binding energies' own uncertainty costs the equation, as a measurement
that reports so small an uncertainty would have had them calculated.

Each ratio is the one the two ions' true masses give (the 2020 table's mass
excesses, less the electrons' mass, plus their total binding energies from
the shipped data, as the converter takes them back out), moved by half its
standard uncertainty at random, so that repeated measurements of an ion
differ and none lies three standard deviations from the table. A reference
line gives the table's own mass excess and uncertainty. Every line carries
a trailing comment of up to 1,600 bytes (a run log), 850 bytes a line on
average. The output is deterministic for a seed.
"""
import csv
import math
import random
import sys

ELECTRON_MASS = 548.57990907  # micro-u
KEV_PER_MICRO_U = 0.9314940038
MICRO_U_PER_EV = 1.0e-3 / KEV_PER_MICRO_U

mass_path, binding_path, out_path = sys.argv[1:4]
count = int(sys.argv[4]) if len(sys.argv) > 4 else 1_000_000
seed = int(sys.argv[5]) if len(sys.argv) > 5 else 20261
rng = random.Random(seed)


def rows(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(line for line in f if not line.startswith("#")))


# Measured nuclides only (no values from systematics), without the neutron.
nuclides = {}
for row in rows(mass_path):
    if row["estimated"].strip() != "no" or int(row["Z"]) == 0:
        continue
    nuclides[(int(row["A"]), row["symbol"])] = (
        int(row["Z"]),
        float(row["mass_excess_micro_u"]),
        float(row["uncertainty_micro_u"]),
    )
binding = {}
for row in rows(binding_path):
    if row["total_binding_eV"] and row["total_uncertainty_eV"]:
        binding[(row["symbol"], int(row["charge"]))] = (
            float(row["total_binding_eV"]) * MICRO_U_PER_EV,
            float(row["total_uncertainty_eV"]) * MICRO_U_PER_EV,
        )

by_mass = {}
for (A, symbol) in nuclides:
    by_mass.setdefault(A, []).append(symbol)
masses = sorted(by_mass)

# References an on-line trap uses, and the well-known ions a highly charged
# one is compared with.
online_references = ["85Rb", "87Rb", "133Cs", "39K", "23Na", "12C", "40Ar", "129Xe", "208Pb"]
hci_references = {"12C": (4, 6), "16O": (6, 8), "20Ne": (8, 10), "40Ar": (10, 16), "40Ca": (14, 20),
                  "84Kr": (20, 30), "129Xe": (26, 40), "133Cs": (30, 45), "208Pb": (41, 53)}


def split(name):
    digits = len(name) - len(name.lstrip("0123456789"))
    return int(name[:digits]), name[digits:]


def ion_mass(A, symbol, q):
    """The ion's mass in micro-u as the converter's arithmetic has it."""
    me = nuclides[(A, symbol)][1]
    return A * 1.0e6 + me - q * ELECTRON_MASS + binding[(symbol, q)][0]


words = (
    "run trap B cyclotron frequency ratio ToF-ICR PI-ICR phase image centre magnetron reduced "
    "excitation 100 ms drift corrected linear interpolation between reference runs scan count "
    "ions per bunch z-class analysis contaminant removed cleaning dipole quadrupole isobar "
    "purification MR-ToF separation yield low statistics calibrated against carbon clusters "
    "systematic 8e-9 from mass-dependent shift temperature stabilised pressure regulated field "
    "drift 2e-10 per hour evaluated by AC, checked by second analyst, see logbook page"
).split()


def comment(length):
    if length == 0:
        return ""
    text = ["  !"]
    size = 3
    while size < length:
        word = rng.choice(words)
        text.append(word)
        size += len(word) + 1
    return " ".join(text)[:length].rstrip()


# A few thousand comments, drawn again and again: their words do not matter,
# their lengths do.
comments = [comment(rng.randint(0, 1650)) for _ in range(4096)]


def line(A, symbol, charge, value, flag, sigma):
    return f"{A:4d}{symbol:<4s}{charge:4d}{value:19.8f}{flag:2s}{sigma:13.8f}" + rng.choice(comments)


def relative_floor(A_meas, symbol_meas, q_meas, A_ref, symbol_ref, q_ref):
    """Above three times the correction's uncertainty over the equation's U."""
    share = binding[(symbol_meas, q_meas)][1] + A_meas / A_ref * binding[(symbol_ref, q_ref)][1]
    return 4.0 * share / (A_meas * 1.0e6)


# The ion source's repertoire: every other element from neon on, each in
# four charge states (the converter loads 450 rows of binding energies, so a
# file holds a few hundred ions at most), measured against a reference ion
# within 20 % of its mass-to-charge ratio, when the binding energies allow
# a ratio at 1e-8 or better.
repertoire = []
for (A, symbol), (Z, _, _) in nuclides.items():
    if Z < 10 or Z % 2 or A < 2 * Z:
        continue
    for share in (0.25, 0.4, 0.55, 0.7):
        q = round(Z * share)
        if (symbol, q) in binding:
            repertoire.append((A, symbol, q))
hci_pairs = []
for name, charges in hci_references.items():
    A_ref, symbol_ref = split(name)
    for q_ref in charges:
        candidates = [
            (A, symbol, q)
            for A, symbol, q in repertoire
            if abs(A / q / (A_ref / q_ref) - 1.0) < 0.2
            and (A, symbol) != (A_ref, symbol_ref)
            and relative_floor(A, symbol, q, A_ref, symbol_ref, q_ref) <= 1.0e-8
        ]
        if candidates:
            hci_pairs.append(((A_ref, symbol_ref, q_ref), candidates))


def online_block(size):
    A_ref, symbol_ref = split(rng.choice(online_references))
    q_ref = 1
    ions = []
    while len(ions) < size:
        q = 2 if rng.random() < 0.1 else 1
        A = A_ref * q + rng.randint(-25, 25)
        if A not in by_mass:
            continue
        symbol = rng.choice(by_mass[A])
        if (symbol, q) not in binding or nuclides[(A, symbol)][0] < q or (A, symbol) in ((A_ref, symbol_ref), (12, "C")):
            continue
        ions.append((A, symbol, q))
    base = 10.0 ** rng.uniform(-10.0, -8.0)
    return (A_ref, symbol_ref, q_ref), ions, base


def hci_block(size):
    (A_ref, symbol_ref, q_ref), candidates = rng.choice(hci_pairs)
    ions = [rng.choice(candidates) for _ in range(size)]
    base = 10.0 ** rng.uniform(math.log10(5.0e-12), -10.0)
    return (A_ref, symbol_ref, q_ref), ions, base


with open(out_path, "w") as out:
    written = 0
    block = []
    while written < count:
        if written:
            block.append("    NEW")
        size = min(rng.randint(1, 40), count - written)
        (A_ref, symbol_ref, q_ref), ions, base = (
            hci_block(size) if rng.random() < 0.25 else online_block(size)
        )
        _, me_ref, sigma_ref = nuclides[(A_ref, symbol_ref)]
        block.append(line(A_ref, symbol_ref, q_ref, me_ref, "", sigma_ref))
        reference_per_charge = ion_mass(A_ref, symbol_ref, q_ref) / q_ref
        # One precision for the block, each line within a factor two of it,
        # none below what its binding energies allow.
        floor = max(relative_floor(A, s, q, A_ref, symbol_ref, q_ref) for A, s, q in ions)
        base = max(base, 2.0 * floor)
        for A, symbol, q in ions:
            relative = base * rng.uniform(0.5, 2.0)
            ratio = ion_mass(A, symbol, q) / q / reference_per_charge
            ratio *= 1.0 + rng.gauss(0.0, 0.5 * relative)
            if written % 2:
                value, flag = 1.0e6 / ratio, " I"
            else:
                value, flag = ratio * 1.0e6, ""
            block.append(line(A, symbol, q, value, flag, relative * value))
            written += 1
        if len(block) > 4096:
            out.write("\n".join(block) + "\n")
            block = []
    if block:
        out.write("\n".join(block) + "\n")
