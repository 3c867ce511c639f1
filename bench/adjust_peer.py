#!/usr/bin/env python3
"""The scipy peer of the adjustment benchmark: the same weighted system as
freq2equat-adjust solves, read from the same files.

usage: adjust_peer.py NETWORK.equat ANCHORS.txt MASS_TABLE.csv [PROGRAM.json]

Unknowns: every nuclide of the equations but 12C (0 by definition). Rows:
each equation ME(m) - G ME(r) = V with weight 1/U, each anchor ME = table
value with weight 1/table uncertainty, solved for corrections to the table
values. The peer factors the normal matrix A^T A with SuperLU
(scipy.sparse.linalg.splu), solves, forms C = (A^T A)^-1 column by column
with that factor (dense, nuclides by nuclides), and from it each nuclide's
uncertainty and each datum's significance h_i = k_i^T C k_i and influences
k_i,mu (C k_i)_mu: what the program computes. Prints its time and peak
memory; given the program's JSON, the largest difference of the two
adjusted values in units of their uncertainty.
"""
import csv
import json
import re
import resource
import sys
import time

import numpy as np
import scipy.sparse as sp
import scipy.sparse.linalg as spla

began = time.perf_counter()
equat, anchors_path, table_path = sys.argv[1:4]
table = {}
with open(table_path) as f:
    rows = csv.reader(line for line in f if not line.startswith("#"))
    header = next(rows)
    at = {name: k for k, name in enumerate(header)}
    for row in rows:
        table[row[at["A"]] + row[at["symbol"]]] = (float(row[at["mass_excess_micro_u"]]),
                                                   float(row[at["uncertainty_micro_u"]]))
pattern = re.compile(r"^\s*(\d+\w+)\s*-\s*(\d+\w+)\s*\*\s*([-\d.]+)\s*=\s*([-\d.]+)\s*\(\s*([\d.]+)\)")
equations = []
with open(equat) as f:
    for line in f:
        m = pattern.match(line)
        if m:
            equations.append((m[1], m[2], float(m[3]), float(m[4]), float(m[5])))
anchors = [line.strip() for line in open(anchors_path) if line.strip()]

names = sorted({e[0] for e in equations} | {e[1] for e in equations} - {"12C"})
names = [n for n in names if n != "12C"]
index = {n: k for k, n in enumerate(names)}
start = np.array([table[n][0] for n in names])
ri, ci, vi, rhs = [], [], [], []
for r, (m, ref, G, V, U) in enumerate(equations):
    w = 1.0 / U
    value = V - (start[index[m]] if m in index else 0.0) + G * (start[index[ref]] if ref in index else 0.0)
    if m in index:
        ri.append(r), ci.append(index[m]), vi.append(w)
    if ref in index:
        ri.append(r), ci.append(index[ref]), vi.append(-G * w)
    rhs.append(value * w)
for k, n in enumerate(anchors):
    ri.append(len(equations) + k), ci.append(index[n]), vi.append(1.0 / table[n][1])
    rhs.append(0.0)
rows_count = len(equations) + len(anchors)
A = sp.csr_matrix((vi, (ri, ci)), shape=(rows_count, len(names)))
b = np.array(rhs)
N = (A.T @ A).tocsc()
lu = spla.splu(N)
x = start + lu.solve(A.T @ b)
C = lu.solve(np.eye(len(names)))
variance = np.diag(C).copy()
# Each row names at most two unknowns: h_i and the influences from C.
coo = A.tocoo()
order = np.argsort(coo.row, kind="stable")
row, col, val = coo.row[order], coo.col[order], coo.data[order]
first = np.searchsorted(row, np.arange(rows_count))
count = np.diff(np.append(first, len(row)))
c0 = col[first]
v0 = val[first]
two = count == 2
c1 = np.where(two, col[np.minimum(first + 1, len(row) - 1)], 0)
v1 = np.where(two, val[np.minimum(first + 1, len(row) - 1)], 0.0)
Ck0 = C[c0, c0] * v0 + C[c0, c1] * v1
Ck1 = C[c1, c0] * v0 + C[c1, c1] * v1
influence0 = v0 * Ck0
influence1 = np.where(two, v1 * Ck1, 0.0)
significance = influence0 + influence1
seconds = time.perf_counter() - began
peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
print(f"{seconds:.2f} {peak:.1f} {significance.sum():.6f} {len(names)}")
if len(sys.argv) > 4:
    got = {n["nuclide"]: n for n in json.load(open(sys.argv[4]))["nuclides"]}
    apart = max(abs(got[n]["mass_excess"] - x[k]) / np.sqrt(variance[k]) for k, n in enumerate(names))
    print(f"apart {apart:.2e}", file=sys.stderr)
