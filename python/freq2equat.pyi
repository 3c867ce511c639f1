"""Frequency ratios to mass-excess equations, their check and adjustment."""
import os
from typing import Any, Iterator, Optional, Sequence, Union

import numpy

__version__: str

# A path, or the file's text (bytes, or a str holding a line end).
Source = Union[str, bytes, os.PathLike[str]]

class InputError(ValueError):
    file: Optional[str]
    line: Optional[int]
    column: Optional[int]  # 0: the whole line
    message: str
    partial: Optional["Conversion"]

class Equation:
    A_measured: int
    symbol_measured: str
    charge_measured: int
    A_reference: int
    symbol_reference: str
    charge_reference: int
    ratio: float
    ratio_uncertainty: float
    G: float
    V: float  # micro-u
    U: float  # micro-u
    mass_excess: float  # micro-u
    mass_excess_uncertainty: float
    mass_excess_kev: float
    mass_excess_kev_uncertainty: float
    correction: float  # micro-u, included in V
    correction_applied: bool
    line: int
    source: str
    records: str

class Conversion:
    equations: list[Equation]
    text: str
    complete: bool
    def __len__(self) -> int: ...
    def __iter__(self) -> Iterator[Equation]: ...
    def __getitem__(self, index: int) -> Equation: ...

def convert(freq: Source = "vemo.freq", table: Source = "ionization.data", *,
            write: Optional[str] = None) -> Conversion: ...

def check(freq: Source = "vemo.freq", table: Source = "ionization.data", *,
          masses: Union[None, bool, Source] = None, nubase: Union[None, bool, Source] = None,
          verbose: bool = False) -> dict[str, Any]: ...

class Adjustment:
    nuclides: list[dict[str, Any]]
    nuclide_names: list[str]
    covariance: numpy.ndarray
    data: list[dict[str, Any]]
    chi2: float
    degrees_of_freedom: int
    birge_ratio: Optional[float]
    p_value: Optional[float]
    warnings: list[str]
    notes: list[str]
    kev_per_micro_u: float
    def difference(self, minuend: str, subtrahend: str) -> dict[str, Any]: ...
    def report(self) -> str: ...
    def json(self) -> str: ...

def adjust(files: Union[Source, Sequence[Source]], *, anchors: Union[None, str, Sequence[str]] = None,
           threshold: float = 3.0, reject: bool = False, correlations: Optional[Source] = None,
           masses: Optional[Source] = None, nubase: Union[None, bool, Source] = None) -> Adjustment: ...

class MassTable:
    identity: dict[str, str]
    kev_per_micro_u: Optional[float]
    left_out: list[dict[str, Any]]
    def lookup(self, nuclide: str) -> Optional[dict[str, Any]]: ...
    def __len__(self) -> int: ...

class NubaseTable:
    identity: dict[str, str]
    left_out: list[dict[str, Any]]
    def lookup(self, state: str) -> Optional[dict[str, Any]]: ...
    def __len__(self) -> int: ...

class BindingEnergies:
    def lookup(self, symbol: str, charge: int) -> Optional[dict[str, Any]]: ...

def mass_table(path: Optional[Source] = None) -> MassTable: ...
def nubase_table(path: Optional[Source] = None) -> NubaseTable: ...
def binding_energies(path: Optional[Source] = None) -> BindingEnergies: ...
