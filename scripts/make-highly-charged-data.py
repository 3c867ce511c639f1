#!/usr/bin/env python3
"""Writes a clean vemo.freq and ionization.data of highly charged ions.

The ratios are what exact measurements of the 2020 masses give (ion mass
A*10^6 + ME - q*m_e + B, B the total binding energy of the q electrons
removed), with ions from 1+ to 50+ and relative uncertainties from 1e-8
(singly charged ions) to 5e-12 (the best published ratios of highly charged
ions), in blocks of one to three measurements, as a file that joins several
campaigns is. The rows of the ions measured below 1e-11 give a calculated
total's uncertainty (0.1 eV) as their fifth value, as a group measuring at
that level would (the shipped total of Re 29+ is uncertain by 500 eV). The
checker must find nothing.

usage: make-highly-charged-data.py DATA_DIR OUTPUT_DIR
"""
import math
import sys

from reference_data import ELECTRON_MASS, KEV_PER_MICRO_U, load, rows

data_dir, out_dir = sys.argv[1], sys.argv[2]
binding, excess = load(data_dir)
Z = {r["symbol"]: int(r["Z"]) for r in rows(data_dir, "mass-excess-2020.csv")}

# Uncertainties in eV of calculated totals, written as the row's fifth value.
CALCULATED = {("Re", 29): 0.1, ("Os", 29): 0.1, ("Xe", 26): 0.1, ("Xe", 50): 0.1}


def ion_mass(symbol, a, q):
    return a * 1e6 + excess[(symbol, a)][0] - q * ELECTRON_MASS + binding[(symbol, q)] * 0.001 / KEV_PER_MICRO_U


def line(a, symbol, q, value, flag, sigma):
    return f"{a:4d}{symbol:<4s}{q:4d}{value:19.8f}{flag:2s}{sigma:13.8f}\n"


def measurement(ref, meas, relative):
    (rs, ra, rq), (ms, ma, mq) = ref, meas
    value = (ion_mass(ms, ma, mq) / mq) / (ion_mass(rs, ra, rq) / rq) * 1e6
    sigma = math.ceil(value * relative * 1e8) / 1e8
    return line(ma, ms, mq, value, "  ", sigma)


blocks = [
    (("Re", 187, 29), [(("Os", 187, 29), 7e-12)]),
    (("Cs", 133, 1), [(("Rb", 85, 1), 1e-8), (("Kr", 84, 1), 5e-9), (("Sr", 88, 1), 3e-9)]),
    (("Xe", 132, 26), [(("Xe", 129, 26), 5e-12), (("Xe", 131, 26), 1e-11)]),
    (("Ca", 40, 10), [(("Ca", 48, 10), 1e-10)]),
    (("C", 12, 6), [(("O", 16, 8), 2e-11), (("Ne", 20, 10), 3e-11)]),
    (("Xe", 129, 50), [(("Xe", 132, 50), 5e-12)]),
]

species = set()
with open(f"{out_dir}/vemo.freq", "w") as f:
    for i, (ref, measured) in enumerate(blocks):
        me, sigma = excess[(ref[0], ref[1])]
        f.write(line(ref[1], ref[0], ref[2], me, "  ", sigma))
        species.add((ref[0], ref[2]))
        for meas, relative in measured:
            f.write(measurement(ref, meas, relative))
            species.add((meas[0], meas[2]))
        if i + 1 < len(blocks):
            f.write("    NEW\n")

with open(f"{out_dir}/ionization.data", "w") as f:
    for symbol, q in sorted(species, key=lambda s: (Z[s[0]], s[1])):
        row = f"{Z[symbol]:3d} {symbol:<3s}{q:3d} {binding[(symbol, q)]:.6f}"
        if (symbol, q) in CALCULATED:
            row += f" {CALCULATED[(symbol, q)]}"
        f.write(row + "\n")
