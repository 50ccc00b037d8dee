"""Sharp bounds on P(at least one of n events occurs), P(at least R occur) and P(exactly R
occur) from the binomial moments S_1 .. S_m, computed in exact rational arithmetic as
unionbound-batch computes them.

    >>> r = unionbound.sharp_bounds(n=3, moments=[1.5, 0.75])
    >>> r.lower.value, r.lower.fraction, r.lower.basis, r.upper.status
    (0.75, '3/4', [0, 1, 2], 'optimal')

Floats come out by default (the doubles nearest to the exact values); with exact=True the
values are fractions.Fraction. An argument of the wrong type raises TypeError, one of the right
type but an unusable value ValueError, a file that cannot be opened the OSError that opening it
raises (FileNotFoundError, PermissionError, ...), and data that cannot be used ValueError: a
moment that is no number, or a file that was not read whole (reading stopped at a word that is
not a number, or the file ended early) unless accept_short=True.
"""

import numbers
import os
from dataclasses import dataclass
from fractions import Fraction

from . import _unionbound

__version__ = _unionbound.version()
__all__ = ["Bound", "Bounds", "OrderRow", "ClassicalBound", "sharp_bounds", "moments_from_file"]

_INT32 = range(-(2**31), 2**31)


@dataclass(frozen=True)
class Bound:
    """One sharp bound, with the keys of the batch program's JSON."""

    value: object  # float, or Fraction with exact=True; None when no bound exists
    fraction: object  # str such as "7/10"; None when no bound exists
    basis: list
    solution: list  # the extreme distribution on the basis, floats or Fractions
    solution_fractions: list
    status: str  # "optimal" or "infeasible"
    basis_changes: int
    seconds: float


@dataclass(frozen=True)
class OrderRow:
    """The sharp bounds from the orders 1 .. k alone, with the classical bounds of order k when
    they were asked for (the union only; otherwise those four are None)."""

    k: int
    status: str
    lower: Bound
    upper: Bound
    bonferroni: object  # B_k, an upper bound for odd k and a lower bound for even k
    bonferroni_side: object  # "upper" or "lower"
    dawson_sankoff_lower: object  # from k = 2 on
    kwerel_upper: object  # from k = 2 on


@dataclass(frozen=True)
class ClassicalBound:
    """One row of the classical bounds shown beside the sharp ones."""

    name: str
    side: str  # "lower" or "upper"
    value: float
    tightest: bool


@dataclass(frozen=True)
class Bounds:
    """Both sharp bounds and what was said of the data. As scipy's results do, `success`,
    `status` and `message` say how it went: status 0 when both bounds exist, 1 when the data
    fit no probability distribution (then neither exists, and `message` gives the first reason
    seen)."""

    n: int
    m: int
    S: list  # S_0 .. S_m, floats or Fractions
    S_fractions: list
    lower: Bound
    upper: Bound
    notes: list  # what the batch program says on standard error without refusing
    by_order: list = ()  # OrderRows, with by_order=True
    classical: list = ()  # ClassicalBounds, with classical=True (the union only)
    # When a bound is missing: why the data fit no distribution, as far as a plain look tells.
    no_distribution_reason: str = ""
    success: bool = True
    status: int = 0
    message: str = "both bounds found"


def _whole(name, value, low=0, high=2**31 - 1):
    """An int for the library: TypeError for what is no int, ValueError for one out of range."""
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name} must be an int, not {type(value).__name__}")
    if not low <= value <= high:
        high_text = "n=" + str(high) if name in ("at_least", "exactly") else str(high)
        raise ValueError(f"{name} must be a whole number from {low} to {high_text}, not {value}")
    return int(value)


def _moments(moments):
    """The moments as the library's text: a sequence of numbers or strings, never one string."""
    if isinstance(moments, (str, bytes)):
        raise TypeError("moments must be a sequence of numbers, not a string")
    try:
        items = list(moments)
    except TypeError:
        raise TypeError(
            f"moments must be a sequence of numbers, not {type(moments).__name__}"
        ) from None
    for i, x in enumerate(items):
        if isinstance(x, bool) or not isinstance(x, (numbers.Real, str)):
            raise TypeError(
                f"moments[{i}] must be a number or a string such as \"3/4\", "
                f"not {type(x).__name__}"
            )
    return [_moment_text(x) for x in items]


def _readable(file):
    """The file's path, after opening it once, so that a file that cannot be read raises the
    OSError that says why."""
    try:
        path = os.fspath(file)
    except TypeError:
        raise TypeError(f"file must be a path, not {type(file).__name__}") from None
    if isinstance(path, bytes):
        path = os.fsdecode(path)
    with open(path, "rb"):
        pass
    return path


def _moment_text(x):
    """A moment as the batch program's --moments would take it; floats by their shortest
    repr, so that 0.1 is 1/10 as written."""
    if isinstance(x, Fraction):
        return f"{x.numerator}/{x.denominator}"
    if isinstance(x, float):
        return repr(x)
    if isinstance(x, numbers.Rational) and not isinstance(x, numbers.Integral):
        return f"{x.numerator}/{x.denominator}"
    return str(x)


def _number(fraction, exact):
    return Fraction(fraction) if exact else float(Fraction(fraction))


def _bound(bound, exact):
    convert = Fraction if exact else float
    return Bound(
        value=(Fraction(bound.fraction) if exact else bound.value) if bound.found else None,
        fraction=bound.fraction if bound.found else None,
        basis=list(bound.basis),
        solution=[Fraction(x) for x in bound.solution_fractions] if exact
        else [convert(x) for x in bound.solution],
        solution_fractions=list(bound.solution_fractions),
        status=bound.status,
        basis_changes=bound.basis_changes,
        seconds=bound.seconds,
    )


def _row(row, exact):
    return OrderRow(
        k=row.k,
        status=row.status,
        lower=_bound(row.lower, exact),
        upper=_bound(row.upper, exact),
        bonferroni=row.bonferroni if row.classical else None,
        bonferroni_side=row.bonferroni_side if row.classical else None,
        dawson_sankoff_lower=row.dawson_sankoff_lower if row.classical else None,
        kwerel_upper=row.kwerel_upper if row.classical else None,
    )


def _bounds(result, exact):
    return Bounds(
        n=result.n,
        m=result.m,
        S=[Fraction(s) for s in result.S_fractions] if exact else list(result.S),
        S_fractions=list(result.S_fractions),
        lower=_bound(result.lower, exact),
        upper=_bound(result.upper, exact),
        notes=list(result.notes),
        by_order=[_row(row, exact) for row in result.by_order],
        classical=[
            ClassicalBound(name=row.name, side=row.side, value=row.value, tightest=row.tightest)
            for row in result.classical
        ],
        no_distribution_reason=result.no_distribution_reason,
        **_outcome(result),
    )


def _outcome(result):
    if result.lower.found and result.upper.found:
        return dict(success=True, status=0, message="both bounds found")
    reason = result.no_distribution_reason
    return dict(
        success=False,
        status=1,
        message="the data fit no probability distribution" + (f": {reason}" if reason else ""),
    )


def _question(n, at_least, exactly):
    if at_least is not None and exactly is not None:
        raise ValueError("at_least and exactly exclude each other")
    if at_least is not None:
        return "at_least", _whole("at_least", at_least, 1, n)
    if exactly is not None:
        return "exactly", _whole("exactly", exactly, 1, n)
    return "union", 1


def sharp_bounds(n, moments=None, *, file=None, m=None, at_least=None, exactly=None, exact=False,
                 by_order=False, classical=False, accept_short=False):
    """The sharp lower and upper bounds on P(at least one of the n events occurs), or on
    P(at least R) with at_least=R, or P(exactly R) with exactly=R; with by_order=True also the
    bounds from the orders 1 .. k alone for every k, and with classical=True the classical
    bounds of the union beside the sharp ones.

    The data are either moments, S_1 .. S_m as floats, ints, Fractions or strings ("3/2",
    "0.75"), or file with m, a file of intersection probabilities as unionbound's prob.txt. A
    file that was not read whole is refused (ValueError) unless accept_short=True, which lets
    the last number read stand for the rest, as unionbound does, and says so in `notes`.

    Returns Bounds; `success`, `status` and `message` say whether the data fit a distribution.
    Raises TypeError for an argument of the wrong type, ValueError for an unusable value or
    data, OSError (such as FileNotFoundError) for a file that cannot be opened.
    """
    n = _whole("n", n)
    kind, r = _question(n, at_least, exactly)
    if (moments is None) == (file is None):
        raise ValueError("one of moments and file (with m) is needed")
    if file is not None:
        if m is None:
            raise ValueError("file needs m, the largest order of its intersections")
        m = _whole("m", m)
        result = _unionbound.sharp_bounds_from_file(
            _readable(file), n, m, kind, r, by_order, classical, accept_short
        )
    else:
        if m is not None:
            raise ValueError("m goes with file: the moments' count is their order")
        if accept_short:
            raise ValueError("accept_short goes with file")
        result = _unionbound.sharp_bounds(n, _moments(moments), kind, r, by_order, classical)
    return _bounds(result, exact)


def moments_from_file(path, n, m, *, exact=False, accept_short=False):
    """The binomial moments S_1 .. S_m of a file of intersection probabilities, each the exact
    sum of its block as written: floats nearest to them, or Fractions with exact=True. A file
    not read whole is refused unless accept_short=True."""
    n = _whole("n", n)
    m = _whole("m", m)
    fractions = _unionbound.moments_from_file(_readable(path), n, m, accept_short)
    return [_number(s, exact) for s in fractions]
