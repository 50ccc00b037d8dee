"""The Python module against the built batch program on the same data (its path in
UNIONBOUND_BATCH, set by ctest), its refusals, and the README's examples."""

import dataclasses
import inspect
import json
import math
import os
import pathlib
import re
import subprocess
import typing
from decimal import Decimal
from fractions import Fraction

import pytest

import unionbound

BATCH = os.environ.get("UNIONBOUND_BATCH", "")
INDEPENDENT = ["2", "1.8", "0.96", "0.336", "0.08064", "0.01344"]
REPEATING = ["83/22", "78/11", "91/11", "70/11", "35/11", "21/22", "3/22"]


def batch_json(arguments):
    if not BATCH:
        pytest.skip("UNIONBOUND_BATCH names no batch program")
    run = subprocess.run([BATCH, "--json", *arguments], capture_output=True, text=True)
    assert run.returncode in (0, 5), run.stderr
    return json.loads(run.stdout)


def question_options(question):
    return [f"--{key.replace('_', '-')}" for key in question] + [str(r) for r in question.values()]


def as_batch_json(bound):
    """A bound of the module as the batch program's JSON has it, the running time left out."""
    return {
        "value": bound.value,
        "fraction": bound.fraction,
        "basis": bound.basis,
        "solution": bound.solution,
        "solution_fractions": bound.solution_fractions,
        "status": bound.status,
        "basis_changes": bound.basis_changes,
    }


def without_time(bound):
    return {key: value for key, value in bound.items() if key != "seconds"}


MOMENT_CASES = [
    (3, ["1.5", "0.75"], {}),
    (3, [1.5, 0.9], {}),
    (3, [Fraction(3, 2), Fraction(9, 10)], {}),
    (10, INDEPENDENT, {}),
    (10, INDEPENDENT, {"at_least": 3}),
    (10, INDEPENDENT, {"exactly": 2}),
    (10, [2, 1.8, 0.96, 0.336], {"at_least": 10}),
    (9, REPEATING, {}),
    (9, REPEATING, {"exactly": 9}),
    (3, ["2", "0.5"], {}),
    (2, ["1", "0.2", "0.1"], {"at_least": 2}),
]


def batch_text(x):
    return f"{x.numerator}/{x.denominator}" if isinstance(x, Fraction) else str(x)


@pytest.mark.parametrize("n, moments, question", MOMENT_CASES)
def test_moments_give_the_batch_programs_figures(n, moments, question):
    report = batch_json(["--n", str(n), "--moments", ",".join(map(batch_text, moments)),
                         *question_options(question)])
    result = unionbound.sharp_bounds(n=n, moments=moments, **question)
    assert (result.n, result.m) == (report["n"], report["m"])
    assert result.S == report["S"]
    assert result.S_fractions == report["S_fractions"]
    assert as_batch_json(result.lower) == without_time(report["lower"])
    assert as_batch_json(result.upper) == without_time(report["upper"])


@pytest.mark.parametrize("n, moments, question", MOMENT_CASES)
def test_exact_values_are_the_fractions(n, moments, question):
    floats = unionbound.sharp_bounds(n=n, moments=moments, **question)
    exact = unionbound.sharp_bounds(n=n, moments=moments, exact=True, **question)
    for side in ("lower", "upper"):
        approximate, fraction = getattr(floats, side), getattr(exact, side)
        if fraction.value is None:
            assert approximate.value is None and fraction.status == "infeasible"
            continue
        assert isinstance(fraction.value, Fraction)
        assert fraction.value == Fraction(approximate.fraction)
        assert float(fraction.value) == approximate.value
        assert [float(x) for x in fraction.solution] == approximate.solution
    assert exact.S == [Fraction(s) for s in floats.S_fractions]


FILE_CASES = [
    ("0.5 0.5 0.5\n0.25 0.25 0.25\n", 3, 2, {}),
    ("0.1 0.2 0.3 0.01 0.02 0.03", 3, 2, {"exactly": 1}),
    ("0.5 0.5 0.5 0.25", 3, 2, {}),
]


@pytest.mark.parametrize("text, n, m, question", FILE_CASES)
def test_files_give_the_batch_programs_figures(tmp_path, text, n, m, question):
    path = tmp_path / "prob.txt"
    path.write_text(text)
    report = batch_json(["--accept-short", "--n", str(n), "--m", str(m), "--prob", str(path),
                         *question_options(question)])
    result = unionbound.sharp_bounds(n=n, file=path, m=m, accept_short=True, **question)
    assert result.S_fractions == report["S_fractions"]
    assert result.notes == report["notes"]
    assert as_batch_json(result.lower) == without_time(report["lower"])
    assert as_batch_json(result.upper) == without_time(report["upper"])
    exact = unionbound.moments_from_file(path, n=n, m=m, exact=True, accept_short=True)
    assert exact == [Fraction(s) for s in report["S_fractions"][1:]]
    assert unionbound.moments_from_file(path, n=n, m=m, accept_short=True) == report["S"][1:]


def nan_as_none(x):
    return None if x is None or math.isnan(x) else x


@pytest.mark.parametrize("text, n, m, question", FILE_CASES)
def test_rows_by_order_and_classical_bounds_are_the_batch_programs(tmp_path, text, n, m, question):
    path = tmp_path / "prob.txt"
    path.write_text(text)
    report = batch_json(["--accept-short", "--n", str(n), "--m", str(m), "--prob", str(path),
                         "--by-order", "--classical", *question_options(question)])
    result = unionbound.sharp_bounds(n=n, file=path, m=m, by_order=True, classical=True,
                                     accept_short=True, **question)
    rows = []
    for row in result.by_order:
        json_row = {
            "k": row.k,
            "status": row.status,
            "lower": row.lower.value,
            "upper": row.upper.value,
            "lower_fraction": row.lower.fraction,
            "upper_fraction": row.upper.fraction,
        }
        if row.bonferroni_side is not None:
            json_row.update(bonferroni=nan_as_none(row.bonferroni),
                            bonferroni_side=row.bonferroni_side,
                            dawson_sankoff_lower=nan_as_none(row.dawson_sankoff_lower),
                            kwerel_upper=nan_as_none(row.kwerel_upper))
        rows.append(json_row)
    assert rows == report["by_order"]
    classical = [{"name": row.name, "side": row.side, "value": nan_as_none(row.value),
                  "tightest": row.tightest} for row in result.classical]
    assert classical == report.get("classical", [])
    assert bool(classical) == (not question)


def test_a_short_file_taken_anyway_is_noted_as_the_batch_program_warns(tmp_path):
    path = tmp_path / "prob.txt"
    path.write_text("0.5 0.5 0.5 0.25")
    if not BATCH:
        pytest.skip("UNIONBOUND_BATCH names no batch program")
    run = subprocess.run([BATCH, "--accept-short", "--n", "3", "--m", "2", "--prob", str(path)],
                         capture_output=True, text=True)
    notes = unionbound.sharp_bounds(n=3, file=path, m=2, accept_short=True).notes
    assert run.stderr == "".join(f"unionbound-batch: {note}\n" for note in notes)
    assert len(notes) == 1


NOT_READ_WHOLE = [
    ("0.5 0.5 0.5 0.25", None),
    ("0,5 0,5 0,5 0,25 0,25 0,25", "line 1, column 2"),
    ("0.5, 0.5, 0.5\n0.25, 0.25, 0.25\n", "a comma between numbers?"),
    ("50% 50% 50% 25% 25% 25%", "line 1, column 3"),
]


@pytest.mark.parametrize("text, stop", NOT_READ_WHOLE)
def test_a_file_not_read_whole_is_refused_as_the_batch_program_refuses_it(tmp_path, text, stop):
    path = tmp_path / "prob.txt"
    path.write_text(text)
    if not BATCH:
        pytest.skip("UNIONBOUND_BATCH names no batch program")
    run = subprocess.run([BATCH, "--n", "3", "--m", "2", "--prob", str(path)],
                         capture_output=True, text=True)
    assert (run.returncode, run.stdout) == (4, "")
    lines = run.stderr.splitlines()
    assert (stop is None) == (len(lines) == 1)
    if stop is not None:
        assert stop in lines[0]
    batch_refusal = lines[-1].removeprefix("unionbound-batch: ")
    with pytest.raises(ValueError) as refusal:
        unionbound.sharp_bounds(n=3, file=path, m=2)
    library = batch_refusal.removesuffix(
        " (--accept-short lets the last number read stand for the rest)")
    assert str(refusal.value) == (
        library + " (accept_short=True lets the last number read stand for the rest)")
    with pytest.raises(ValueError):
        unionbound.moments_from_file(path, n=3, m=2)


MOMENTS_TEXT = '" is not a decimal number or a fraction, with powers of ten up to 10^100000'

REFUSALS = [
    (dict(n=3, moments=["1.5", "x"]), ValueError, 'moments[1]: "x' + MOMENTS_TEXT),
    (dict(n=3, moments=[float("inf")]), ValueError, 'moments[0]: "inf' + MOMENTS_TEXT),
    (dict(n=3, moments=["1/0"]), ValueError, 'moments[0]: "1/0' + MOMENTS_TEXT),
    (dict(n=3, moments="1.5,0.75"), TypeError,
     "moments must be a sequence of numbers, not a string"),
    (dict(n=3, moments=1.5), TypeError, "moments must be a sequence of numbers, not float"),
    (dict(n=3, moments=[1.5, None]), TypeError,
     'moments[1] must be a number or a string such as "3/4", not NoneType'),
    (dict(n=3, moments=[1], at_least=0), ValueError,
     "at_least must be a whole number from 1 to n=3, not 0"),
    (dict(n=3, moments=[1], exactly=4), ValueError,
     "exactly must be a whole number from 1 to n=3, not 4"),
    (dict(n=3, moments=[1], at_least=1.0), TypeError, "at_least must be an int, not float"),
    (dict(n=3, moments=[1], at_least=1, exactly=1), ValueError,
     "at_least and exactly exclude each other"),
    (dict(n=-1, moments=[1]), ValueError, "n must be a whole number from 0 to 2147483647, not -1"),
    (dict(n=2**31, moments=[1]), ValueError,
     "n must be a whole number from 0 to 2147483647, not 2147483648"),
    (dict(n=2.5, moments=[1]), TypeError, "n must be an int, not float"),
    (dict(n=True, moments=[1]), TypeError, "n must be an int, not bool"),
    (dict(n="3", moments=[1]), TypeError, "n must be an int, not str"),
    (dict(n=3), ValueError, "one of moments, file (with m) and sums is needed"),
    (dict(n=3, file="prob.txt"), ValueError,
     "file needs m, the largest order of its intersections"),
    (dict(n=3, moments=[1], m=1), ValueError,
     "m goes with file: the moments' count is their order"),
    (dict(n=3, file=3.5, m=2), TypeError, "file must be a path, not float"),
    (dict(n=3, file="prob.txt", m=-1), ValueError,
     "m must be a whole number from 0 to 2147483647, not -1"),
]


@pytest.mark.parametrize("arguments, error, message", REFUSALS)
def test_bad_arguments_raise_the_right_error_in_the_apis_words(arguments, error, message):
    with pytest.raises(error) as refusal:
        unionbound.sharp_bounds(**arguments)
    assert type(refusal.value) is error
    assert str(refusal.value) == message


def test_a_file_that_cannot_be_opened_raises_the_oserror_of_opening_it(tmp_path):
    with pytest.raises(FileNotFoundError):
        unionbound.sharp_bounds(n=3, file=tmp_path / "missing.txt", m=2)
    with pytest.raises(IsADirectoryError):
        unionbound.moments_from_file(tmp_path, n=3, m=2)


def test_the_result_says_whether_the_data_fit_a_distribution():
    fits = unionbound.sharp_bounds(n=3, moments=[1.5, 0.75])
    assert (fits.success, fits.status, fits.message) == (True, 0, "both bounds found")
    report = batch_json(["--n", "3", "--moments", "2,0.5"])
    misfit = unionbound.sharp_bounds(n=3, moments=[2, 0.5])
    assert (misfit.success, misfit.status) == (False, 1)
    assert misfit.message == (
        "the data fit no probability distribution: " + report["no_distribution_reason"])
    assert misfit.no_distribution_reason == report["no_distribution_reason"]
    assert "negative variance" in misfit.message


def test_the_readme_session():
    r = unionbound.sharp_bounds(n=3, moments=[1.5, 0.75])
    assert repr(r) == "Bounds(n=3, m=2, lower=0.75, upper=1.0, status=0)"
    assert (r.lower.value, r.lower.fraction, r.lower.basis, r.upper.status) == (
        0.75, "3/4", [0, 1, 2], "optimal")
    exact = unionbound.sharp_bounds(n=3, moments=["3/2", "3/4"], exact=True)
    assert (exact.lower.value, exact.upper.value) == (Fraction(3, 4), Fraction(1))
    rows = unionbound.by_order(n=10, moments=[2, 1.8, 0.96, 0.336])
    assert repr(rows[2]) == "OrderRow(k=3, lower=0.776, upper=0.98, status='optimal')"
    mixed = unionbound.sharp_bounds(n=3, moments=[Decimal("1.5"), Fraction(3, 4)], exact=True)
    assert repr(mixed) == "Bounds(n=3, m=2, lower=3/4, upper=1, status=0)"


# The README's worked examples of the batch program: 10 independent events of probability 0.2.
README_EXAMPLES = [
    ({}, 0.8624, 0.9488, [0, 1, 2, 4, 5], [0, 1, 3, 4, 10]),
    ({"at_least": 3}, 0.1824, 0.496, [0, 1, 2, 4, 5], [0, 1, 3, 5, 6]),
    ({"exactly": 2}, 0.0, 0.552, [0, 1, 3, 5, 10], [0, 1, 2, 4, 5]),
]


@pytest.mark.parametrize("question, lower, upper, lower_basis, upper_basis", README_EXAMPLES)
def test_the_readme_examples(question, lower, upper, lower_basis, upper_basis):
    r = unionbound.sharp_bounds(n=10, moments=[2, 1.8, 0.96, 0.336], **question)
    assert (r.lower.value, r.upper.value) == (lower, upper)
    assert (r.lower.basis, r.upper.basis) == (lower_basis, upper_basis)


def test_infeasible_data_have_no_value():
    r = unionbound.sharp_bounds(n=3, moments=[2, 0.5])
    assert (r.lower.value, r.lower.fraction, r.lower.status) == (None, None, "infeasible")
    assert not math.isnan(r.lower.seconds)


def test_version_is_the_projects():
    root = pathlib.Path(__file__).resolve().parents[2]
    version = re.search(r"project\(unionbound VERSION ([0-9.]+)",
                        (root / "CMakeLists.txt").read_text()).group(1)
    assert unionbound.__version__ == version


def figures(bound):
    """What a bound says, its running time left out, so that two runs compare equal."""
    return (bound.value, bound.fraction, bound.basis, bound.solution_fractions, bound.status)


def row_figures(row):
    return (row.k, row.status, figures(row.lower), figures(row.upper), row.bonferroni,
            row.bonferroni_side, row.dawson_sankoff_lower, row.kwerel_upper)


@pytest.mark.parametrize("n, moments, question", MOMENT_CASES)
@pytest.mark.parametrize("exact, classical", [(False, False), (True, False), (False, True)])
def test_by_order_gives_the_rows_of_sharp_bounds(n, moments, question, exact, classical):
    rows = unionbound.by_order(n, moments, exact=exact, classical=classical, **question)
    whole = unionbound.sharp_bounds(n, moments, exact=exact, by_order=True, classical=classical,
                                    **question)
    # Orders above n are 0 for any n events and add no row.
    assert [row.k for row in rows] == list(range(1, min(whole.m, n) + 1))
    assert list(map(row_figures, rows)) == list(map(row_figures, whole.by_order))
    # The last row uses every moment that counts: it is the answer itself.
    assert figures(rows[-1].lower) == figures(whole.lower)
    assert figures(rows[-1].upper) == figures(whole.upper)


def test_by_order_and_classical_bounds_read_a_file(tmp_path):
    path = tmp_path / "prob.txt"
    path.write_text("0.5 0.5 0.5\n0.25 0.25 0.25\n")
    whole = unionbound.sharp_bounds(3, file=path, m=2, by_order=True, classical=True)
    rows = unionbound.by_order(3, file=path, m=2, classical=True)
    assert list(map(row_figures, rows)) == list(map(row_figures, whole.by_order))
    assert unionbound.classical_bounds(3, file=path, m=2) == whole.classical
    with pytest.raises(ValueError, match="file needs m"):
        unionbound.by_order(3, file=path)
    with pytest.raises(ValueError, match="file needs m"):
        unionbound.classical_bounds(3, file=path)


@pytest.mark.parametrize("n, moments", [(n, moments) for n, moments, question in MOMENT_CASES
                                        if not question])
def test_classical_bounds_are_the_table_of_sharp_bounds(n, moments):
    table = unionbound.classical_bounds(n, moments)
    # By repr, where NaN, a bound that misfit data lack, equals itself.
    assert list(map(repr, table)) == list(map(repr, unionbound.sharp_bounds(
        n, moments, classical=True).classical))
    assert table and {row.side for row in table} == {"lower", "upper"}
    assert sum(row.tightest for row in table if row.side == "lower") >= 1


REPRS = [
    (dict(n=3, moments=[1.5, 0.75]), "Bounds(n=3, m=2, lower=0.75, upper=1.0, status=0)"),
    (dict(n=10, moments=[2, 1.8, 0.96, 0.336], at_least=3, exact=True),
     "Bounds(n=10, m=4, lower=114/625, upper=62/125, status=0)"),
    (dict(n=3, moments=[2, 0.5]), "Bounds(n=3, m=2, lower=None, upper=None, status=1)"),
]


@pytest.mark.parametrize("arguments, text", REPRS)
def test_a_result_prints_in_one_short_line(arguments, text):
    assert repr(unionbound.sharp_bounds(**arguments)) == text


def test_bounds_and_rows_print_their_figures_not_the_walks():
    r = unionbound.sharp_bounds(n=3, moments=[1.5, 0.75], by_order=True)
    assert repr(r.lower) == "Bound(value=0.75, fraction='3/4', basis=[0, 1, 2], status='optimal')"
    assert repr(r.by_order[0]) == "OrderRow(k=1, lower=0.5, upper=1.0, status='optimal')"


# A Decimal is taken as written, every digit: no double stands between it and the library.
DECIMALS = [
    ([Decimal("1.5"), Decimal("0.75")], ["1", "3/2", "3/4"]),
    ([Decimal("15E-1"), Decimal("7.50E-1")], ["1", "3/2", "3/4"]),
    ([Decimal("0.30000000000000000001")],
     ["1", "30000000000000000001/100000000000000000000"]),
    ([Decimal("1.5"), "3/4"], ["1", "3/2", "3/4"]),
    ([Decimal("1E-30"), Fraction(1, 3)], ["1", "1/" + "1" + "0" * 30, "1/3"]),
]


@pytest.mark.parametrize("moments, s_fractions", DECIMALS)
def test_decimal_moments_are_taken_exactly_as_written(moments, s_fractions):
    assert unionbound.sharp_bounds(n=3, moments=moments).S_fractions == s_fractions


@pytest.mark.parametrize("text", ["NaN", "Infinity", "-Infinity"])
def test_a_decimal_that_is_no_number_is_refused_as_its_text_would_be(text):
    with pytest.raises(ValueError) as refusal:
        unionbound.sharp_bounds(n=3, moments=[Decimal(text)])
    assert str(refusal.value) == f'moments[0]: "{text}' + MOMENTS_TEXT


def test_a_complex_moment_is_a_type_error():
    with pytest.raises(TypeError, match=r"moments\[0\] must be a number"):
        unionbound.sharp_bounds(n=3, moments=[1.5j])


PUBLIC_FUNCTIONS = [unionbound.sharp_bounds, unionbound.by_order, unionbound.classical_bounds,
                    unionbound.moments_from_file, unionbound.count_numbers, unionbound.sum_part,
                    unionbound.merge_sums]
PUBLIC_CLASSES = [unionbound.Bound, unionbound.Bounds, unionbound.OrderRow,
                  unionbound.ClassicalBound, unionbound.IndividualBound,
                  unionbound.IndividualBounds]
# A value with methods rather than a record of results; tested in test_partial_sums.py.
PUBLIC_VALUES = [unionbound.PartialSums]


def test_every_public_name_is_documented_here():
    names = {f.__name__ for f in PUBLIC_FUNCTIONS + PUBLIC_CLASSES + PUBLIC_VALUES}
    assert names == set(unionbound.__all__)


def documented_names(docstring, section):
    """The names a numpy-style section lists ("name : type" lines, "a, b : type" for two)."""
    lines = inspect.cleandoc(docstring).splitlines()
    start = lines.index(section) + 2  # past the title and its underline
    names = []
    for line in lines[start:]:
        if not line.strip() or set(line.strip()) == {"-"}:
            break
        if not line.startswith(" ") and " : " in line:
            names += [name.strip() for name in line.split(" : ")[0].split(",")]
    return names


@pytest.mark.parametrize("function", PUBLIC_FUNCTIONS, ids=lambda f: f.__name__)
def test_every_function_documents_and_annotates_each_parameter(function):
    parameters = inspect.signature(function).parameters
    doc = inspect.cleandoc(function.__doc__).splitlines()
    for section in ("Parameters", "Returns", "Raises"):
        assert section in doc and doc[doc.index(section) + 1] == "-" * len(section)
    # A section's list ends at a blank line, so that each section starts after one.
    assert documented_names(function.__doc__, "Parameters") == list(parameters)
    hints = typing.get_type_hints(function)
    assert set(hints) == set(parameters) | {"return"}


@pytest.mark.parametrize("cls", PUBLIC_CLASSES, ids=lambda c: c.__name__)
def test_every_result_class_documents_and_annotates_each_field(cls):
    fields = [f.name for f in dataclasses.fields(cls)]
    assert documented_names(cls.__doc__, "Attributes") == fields
    assert set(typing.get_type_hints(cls)) == set(fields)


def test_type_checkers_are_told_the_hints_are_meant_for_them():
    assert (pathlib.Path(unionbound.__file__).parent / "py.typed").is_file()
