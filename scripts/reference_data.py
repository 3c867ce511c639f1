"""The reference tables of data/ as the data-making scripts read them.

binding[(symbol, q)]: total binding energy in eV of the q electrons removed;
excess[(symbol, A)]: (mass excess, uncertainty) in micro-u, 2020 table.
"""
import csv

ELECTRON_MASS = 548.57990907   # micro-u
KEV_PER_MICRO_U = 0.9314940038


def rows(data_dir, name):
    with open(f"{data_dir}/{name}") as f:
        return list(csv.DictReader(line for line in f if not line.startswith("#")))


def load(data_dir):
    binding = {(r["symbol"], int(r["charge"])): float(r["total_binding_eV"])
               for r in rows(data_dir, "electron-binding-energies-eV.csv")}
    excess = {(r["symbol"], int(r["A"])): (float(r["mass_excess_micro_u"]), float(r["uncertainty_micro_u"]))
              for r in rows(data_dir, "mass-excess-2020.csv")}
    return binding, excess
