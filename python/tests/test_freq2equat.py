"""The Python module against the programs: the same digits, findings and
adjustment, errors as Python errors, nothing printed."""
import json
import os
import pathlib
import subprocess

import numpy
import pytest

import freq2equat

SOURCE = pathlib.Path(os.environ.get("FREQ2EQUAT_SOURCE", pathlib.Path(__file__).parents[2]))
EXAMPLE = SOURCE / "examples"
CASES = SOURCE / "tests" / "data" / "conformance"
SCENARIO = SOURCE / "tests" / "data" / "adjust"


def program(variable, *arguments, cwd=None):
    path = os.environ.get(variable)
    if not path:
        pytest.skip(f"{variable} not set (run through ctest)")
    return subprocess.run([path, *map(str, arguments)], cwd=cwd, capture_output=True)


def raw(text):
    return text.encode("utf-8", "surrogateescape")


@pytest.fixture(autouse=True)
def silent(capfd):
    """No call of the module prints anything."""
    yield
    out, err = capfd.readouterr()
    assert (out, err) == ("", "")


def test_example_converts_to_the_shipped_equations():
    conversion = freq2equat.convert(EXAMPLE / "vemo.freq", EXAMPLE / "ionization.data")
    assert raw(conversion.text) == (EXAMPLE / "expected.equat").read_bytes()
    assert conversion.complete and len(conversion) == 15
    # Each equation's records are its part of the file, in order.
    records = "".join(e.records for e in conversion)
    assert conversion.text == records + "0Normal End of Freq.Ratios to Equations Conversion\r\n"
    for e in conversion:
        equation, micro_u, kev = [r for r in e.records.split("\r\n") if r and "WARNING" not in r]
        fields = equation.replace("(", " ").replace(")", " ").split()
        assert float(fields[-2]) == pytest.approx(e.V, abs=0.5e-5)
        assert float(fields[-1]) == pytest.approx(e.U, abs=0.5e-5)
        assert micro_u.split()[0] == f"{e.A_measured}{e.symbol_measured}"
        assert float(micro_u.split()[2]) == pytest.approx(e.mass_excess, abs=0.5e-6)
        assert float(kev.split()[1]) == pytest.approx(e.mass_excess_kev, abs=0.5e-6)
        assert ("WARNING" in e.records) == (not e.correction_applied)
        assert e.source in (EXAMPLE / "vemo.freq").read_text().splitlines()[e.line - 1]
    assert [e.correction_applied for e in conversion].count(False) == 1


def conformance_cases():
    for case in sorted(p for p in CASES.iterdir() if p.is_dir()):
        expected = case / "expected"
        if (case / "env.txt").read_text().strip() or (expected / "exit_status").read_text().strip() != "0":
            continue  # the tab width is the process's; failures of the run itself are the program's
        yield pytest.param(case, id=case.name)


@pytest.mark.parametrize("case", conformance_cases())
def test_conformance_cases_give_the_programs_bytes(case):
    freq, table = case / "input" / "vemo.freq", case / "input" / "ionization.data"
    want = (case / "expected" / "vemo.equat").read_bytes()
    if want.endswith(b"0Error in File Reading\r\n"):
        with pytest.raises(freq2equat.InputError) as raised:
            freq2equat.convert(freq, table)
        assert raw(raised.value.partial.text) == want
        assert raised.value.file == "vemo.freq" or raised.value.file.endswith("vemo.freq")
        assert not raised.value.partial.complete
    else:
        assert raw(freq2equat.convert(freq, table).text) == want
        # The files' text gives what their paths give.
        assert raw(freq2equat.convert(freq.read_bytes(), table.read_bytes()).text) == want


def test_write_makes_a_new_file_only(tmp_path):
    target = tmp_path / "vemo.equat"
    freq2equat.convert(EXAMPLE / "vemo.freq", EXAMPLE / "ionization.data")
    assert list(tmp_path.iterdir()) == []
    freq2equat.convert(EXAMPLE / "vemo.freq", EXAMPLE / "ionization.data", write=str(target))
    assert target.read_bytes() == (EXAMPLE / "expected.equat").read_bytes()
    with pytest.raises(FileExistsError):
        freq2equat.convert(EXAMPLE / "vemo.freq", EXAMPLE / "ionization.data", write=str(target))
    assert target.read_bytes() == (EXAMPLE / "expected.equat").read_bytes()


def test_check_gives_the_programs_json(tmp_path):
    freq, table = EXAMPLE / "vemo.freq", EXAMPLE / "ionization.data"
    run = program("FREQ2EQUAT_CHECK", "--freq", freq, "--table", table, "--json", tmp_path / "c.json")
    assert run.returncode == 1, run.stderr
    want = json.loads((tmp_path / "c.json").read_text())
    got = freq2equat.check(str(freq), str(table))
    # Every key of the program's document, so that the two cannot drift apart.
    for key in want:
        assert got[key] == want[key], key
    (finding,) = got["findings"]
    assert (finding["id"], finding["line"], finding["column"]) == ("binding-energy-missing", 11, 5)
    assert got["text"] == run.stderr.decode()
    assert got["listing"] == [] and freq2equat.check(freq, table, verbose=True)["listing"]
    # Without a mass table nothing is compared.
    assert all(row["table"] is None for row in freq2equat.check(freq, table, masses=False)["comparison"])


def test_scenario_adjustment_matches_the_exact_solution_and_the_program(tmp_path):
    scenario = SCENARIO / "scenario-a.equat"
    exact = json.loads((SCENARIO / "scenario-a.expected.json").read_text())
    result = freq2equat.adjust([scenario])
    assert result.chi2 == pytest.approx(exact["chi2"], abs=1e-6)
    assert result.degrees_of_freedom == exact["degrees_of_freedom"]
    assert result.birge_ratio == pytest.approx(exact["birge_ratio"], abs=1e-6)
    nuclides = {n["nuclide"]: n for n in result.nuclides}
    for want in exact["nuclides"]:
        have = nuclides[want["nuclide"]]
        assert have["mass_excess"] == pytest.approx(want["mass_excess"], abs=1e-6)
        assert have["uncertainty"] == pytest.approx(want["uncertainty"], abs=1e-6)
        assert have["mass_excess_kev"] == pytest.approx(have["mass_excess"] * result.kev_per_micro_u)
    for have, want in zip(result.data, exact["data"], strict=True):
        assert (have["kind"], have["line"]) == (want["kind"], want["line"])
        assert have["normalized_residual"] == pytest.approx(want["normalized_residual"], abs=1e-4)
        assert have["significance"] == pytest.approx(want["significance"], abs=1e-4)
        for name, value in want["influence"].items():
            assert have["influence"][name] == pytest.approx(value, abs=1e-4)

    names = result.nuclide_names
    covariance = result.covariance
    assert isinstance(covariance, numpy.ndarray) and covariance.shape == (len(names), len(names))
    assert numpy.allclose(covariance, covariance.T, rtol=0, atol=1e-15)
    for i, name in enumerate(names):
        assert covariance[i, i] == pytest.approx(nuclides[name]["uncertainty"] ** 2)

    # The difference of two correlated values: the program's, and not the
    # uncertainties added in quadrature.
    run = program("FREQ2EQUAT_ADJUST", scenario, "--difference", "133Cs-87Rb", "--json",
                  tmp_path / "a.json")
    assert run.returncode == 0, run.stderr
    report = json.loads((tmp_path / "a.json").read_text())
    assert json.loads(result.json()) == dict(report, differences=[])
    (want,) = report["differences"]
    got = result.difference("133Cs", "87Rb")
    assert got["value"] == pytest.approx(want["value"], abs=1e-9)
    assert got["uncertainty"] == pytest.approx(want["uncertainty"], abs=1e-9)
    quadrature = (nuclides["133Cs"]["uncertainty"] ** 2 + nuclides["87Rb"]["uncertainty"] ** 2) ** 0.5
    assert got["uncertainty"] != pytest.approx(quadrature, rel=1e-3)


def test_tables_carry_their_identity():
    masses = freq2equat.mass_table()
    cs = masses.lookup("133Cs")
    assert cs["mass_excess"] == pytest.approx(-94548.042, abs=1e-3) and not cs["estimated"]
    assert masses.lookup("999Xx") is None
    assert masses.identity["file_name"] == "mass-excess-2020.csv"
    assert len(masses.identity["checksum"]) == 12
    isomer = freq2equat.nubase_table().lookup("134Csm")
    assert isomer["excitation_kev"]["value"] == pytest.approx(138.7441)
    assert freq2equat.binding_energies().lookup("Cs", 1)["total"] == pytest.approx(3.894, abs=1e-3)


@pytest.mark.parametrize(
    "call",
    [
        lambda p: freq2equat.convert(p, EXAMPLE / "ionization.data"),
        lambda p: freq2equat.convert(EXAMPLE / "vemo.freq", p),
        lambda p: freq2equat.check(p, EXAMPLE / "ionization.data"),
        lambda p: freq2equat.adjust([p]),
        lambda p: freq2equat.mass_table(p),
    ],
    ids=["convert-freq", "convert-table", "check", "adjust", "mass-table"],
)
def test_a_missing_file_is_file_not_found(tmp_path, call):
    with pytest.raises(FileNotFoundError):
        call(tmp_path / "missing")


@pytest.mark.parametrize(
    "call, place",
    [
        # The reference line's charge field holds a letter.
        (lambda: freq2equat.convert("  85Rb   x   -88210.35000000     0.00500000\n", b""),
         ("vemo.freq", 1, 9)),
        # The first micro-u record says something else.
        (lambda: freq2equat.adjust((SCENARIO / "scenario-a.equat").read_text().replace(
            "micro-u", "micro-x", 1)), ("vemo.equat", 2, 61)),
    ],
    ids=["convert", "adjust"],
)
def test_bad_input_raises_at_its_place(call, place):
    with pytest.raises(freq2equat.InputError) as raised:
        call()
    error = raised.value
    assert isinstance(error, ValueError)
    assert (error.file, error.line, error.column) == place
    assert str(error).startswith(f"{place[0]}:{place[1]}:{place[2]}: ")


def test_every_function_has_a_docstring():
    for name in ("convert", "check", "adjust", "mass_table", "nubase_table", "binding_energies"):
        assert getattr(freq2equat, name).__doc__.startswith(name + "(")
    assert freq2equat.Adjustment.difference.__doc__.startswith("difference(")
