#!/usr/bin/env python3
"""Writes examples/vemo.freq and examples/ionization.data from the data the
project ships in data/.

Binding energies: the totals of data/electron-binding-energies-eV.csv, sums
of the first q ionisation energies (NIST Atomic Spectra Database
ground-state values). Mass excesses: the 2020 atomic mass table,
data/mass-excess-2020.csv. The frequency ratios are what an exact
measurement of those masses would give, with typical Penning-trap
uncertainties.

usage: make-example-data.py [OUTPUT_DIR]    (default: the tree's examples/)
"""
import os
import sys

from reference_data import ELECTRON_MASS, KEV_PER_MICRO_U, load

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
data_dir = os.path.join(root, "data")
out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "examples")
binding, excess = load(data_dir)

# Elements of the example's references and measured ions; barium is left out
# on purpose so that one measurement shows the warning for a missing energy.
TABLE_ELEMENTS = [("H", 1), ("C", 6), ("N", 7), ("O", 8), ("Na", 11), ("K", 19), ("Ca", 20),
                  ("Kr", 36), ("Rb", 37), ("Sr", 38), ("Xe", 54), ("Cs", 55)]
# Molecular ions: first ionisation energies of the molecules (NIST Chemistry WebBook).
MOLECULES = [("H2", 15.42593), ("N2", 15.5808), ("O2", 12.0697), ("CO", 14.0140)]

with open(f"{out_dir}/ionization.data", "w") as f:
    for symbol, z in TABLE_ELEMENTS:
        for q in (1, 2, 3):
            if (symbol, q) not in binding:
                continue
            f.write(f"{z:3d} {symbol:<3s}{q:2d} {binding[(symbol, q)]:.6f}\n")
    for symbol, energy in MOLECULES:
        f.write(f"  0 '{symbol}' 1 {energy:.6f}\n")


def ion_mass(symbol, a, q, extra_kev=0.0):
    me = excess[(symbol, a)][0] + extra_kev / KEV_PER_MICRO_U
    b = binding.get((symbol, q), 0.0) * 0.001 / KEV_PER_MICRO_U
    return a * 1e6 + me - q * ELECTRON_MASS + b


def line(a, symbol, q, value, flag, sigma):
    return f"{a:4d}{symbol:<4s}{q:4d}{value:19.8f}{flag:2s}{sigma:13.8f}\n"


def reference(symbol, a, q):
    me, sigma = excess[(symbol, a)]
    return line(a, symbol, q, me, "  ", sigma)


def measurement(ref, meas, inverse=False, extra_kev=0.0, label=None):
    (rs, ra, rq), (ms, ma, mq) = ref, meas
    ratio = (ion_mass(ms, ma, mq, extra_kev) / mq) / (ion_mass(rs, ra, rq) / rq)
    if inverse:
        ratio = 1.0 / ratio
    value = ratio * 1e6
    return line(ma, label or ms, mq, value, " I" if inverse else "  ", round(value * 2.5e-10, 8))


blocks = [
    (("Rb", 85, 1), [(("Cs", 133, 1), {}), (("Rb", 87, 1), {"inverse": True}),
                     (("Kr", 84, 1), {}), (("Sr", 88, 1), {})]),
    (("Cs", 133, 1), [(("Cs", 137, 1), {}), (("Xe", 132, 1), {"inverse": True}),
                      # 134mCs, 138.7441 keV above the ground state: "Csm" finds the Cs rows.
                      (("Cs", 134, 1), {"extra_kev": 138.7441, "label": "Csm"}),
                      (("Ba", 138, 1), {})]),
    (("C", 12, 1), [(("C", 13, 1), {}), (("O", 16, 1), {}), (("N", 14, 1), {"inverse": True})]),
    (("K", 39, 1), [(("K", 41, 1), {}), (("Ca", 40, 2), {}), (("Ca", 48, 1), {"inverse": True}),
                    (("Na", 23, 1), {})]),
]

with open(f"{out_dir}/vemo.freq", "w") as f:
    for i, (ref, measured) in enumerate(blocks):
        f.write(reference(ref[0], ref[1], ref[2]))
        for meas, options in measured:
            f.write(measurement(ref, meas, **options))
        if i + 1 < len(blocks):
            f.write("    NEW\n")
