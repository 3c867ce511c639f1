#!/usr/bin/env python3
"""Writes a clean vemo.freq and ionization.data with mixed precisions.

The ratios are what exact measurements of the 2020 masses give (ion mass
A*10^6 + ME - q*m_e + B, B the total binding energy of the q electrons
removed), with relative uncertainties from 1e-11 (highly charged ions) to
1e-7 (a short-lived nuclide), in several blocks with singly and highly
charged ions, a molecule (12C16O, whose mass excess holds its 11.09 eV
dissociation energy) and an isomer (178m2Hf, 2446.09 keV). The checker
must find nothing in them but what the tests name.

usage: make-mixed-precision-data.py DATA_DIR OUTPUT_DIR
"""
import math
import sys

from reference_data import ELECTRON_MASS, KEV_PER_MICRO_U, load, rows

data_dir, out_dir = sys.argv[1], sys.argv[2]
binding, excess = load(data_dir)
Z = {r["symbol"]: int(r["Z"]) for r in rows(data_dir, "mass-excess-2020.csv")}

# CO: first ionisation energy of the molecule, and its dissociation energy.
CO_IONISATION_EV = 14.014
CO_DISSOCIATION_EV = 11.09


def mass_excess(symbol, a):
    if symbol == "CO":
        return excess[("C", 12)][0] + excess[("O", 16)][0] - CO_DISSOCIATION_EV * 0.001 / KEV_PER_MICRO_U
    return excess[(symbol, a)][0]


def energy_ev(symbol, q):
    return CO_IONISATION_EV if symbol == "CO" else binding[(symbol, q)]


def ion_mass(symbol, a, q, extra_kev=0.0):
    me = mass_excess(symbol, a) + extra_kev / KEV_PER_MICRO_U
    return a * 1e6 + me - q * ELECTRON_MASS + energy_ev(symbol, q) * 0.001 / KEV_PER_MICRO_U


def line(a, symbol, q, value, flag, sigma):
    return f"{a:4d}{symbol:<4s}{q:4d}{value:19.8f}{flag:2s}{sigma:13.8f}\n"


def measurement(ref, meas, relative, inverse=False, extra_kev=0.0, label=None):
    (rs, ra, rq), (ms, ma, mq) = ref, meas
    ratio = (ion_mass(ms, ma, mq, extra_kev) / mq) / (ion_mass(rs, ra, rq) / rq)
    if inverse:
        ratio = 1.0 / ratio
    value = ratio * 1e6
    # Rounded up to the 8 decimals of the field, so that no uncertainty
    # comes out below the precision it stands for.
    sigma = math.ceil(value * relative * 1e8) / 1e8
    return line(ma, label or ms, mq, value, " I" if inverse else "  ", sigma)


blocks = [
    (("Rb", 85, 1), [(("Cs", 133, 1), 1e-9, {}), (("Rb", 87, 1), 2e-9, {"inverse": True}),
                     (("Kr", 84, 1), 5e-10, {}), (("Sr", 88, 1), 3e-9, {})]),
    (("Xe", 129, 17), [(("Xe", 132, 17), 1e-11, {}), (("Xe", 131, 17), 2e-11, {}),
                       (("Xe", 136, 17), 3e-11, {"inverse": True})]),
    (("Si", 28, 1), [(("CO", 28, 1), 2e-10, {}), (("Al", 27, 1), 1e-9, {})]),
    (("Cs", 133, 1), [(("Hf", 178, 1), 1e-8, {"extra_kev": 2446.09, "label": "Hfm"}),
                      (("Hf", 180, 2), 5e-9, {}), (("Cs", 137, 1), 1e-7, {})]),
    (("Ca", 40, 10), [(("Ca", 48, 10), 1e-10, {}), (("Ca", 42, 10), 2e-10, {"inverse": True})]),
]

species = set()
with open(f"{out_dir}/vemo.freq", "w") as f:
    for i, (ref, measured) in enumerate(blocks):
        me, sigma = excess[(ref[0], ref[1])]
        f.write(line(ref[1], ref[0], ref[2], me, "  ", sigma))
        species.add((ref[0], ref[2]))
        for meas, relative, options in measured:
            f.write(measurement(ref, meas, relative, **options))
            species.add((meas[0], meas[2]))
        if i + 1 < len(blocks):
            f.write("    NEW\n")

with open(f"{out_dir}/ionization.data", "w") as f:
    for symbol, q in sorted(species):
        if symbol == "CO":
            f.write(f"  0 'CO' {q} {CO_IONISATION_EV:.6f}\n")
        else:
            f.write(f"{Z[symbol]:3d} {symbol:<3s}{q:3d} {binding[(symbol, q)]:.6f}\n")
