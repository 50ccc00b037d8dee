"""Sharp bounds on P(at least one of n events occurs), P(at least R occur) and P(exactly R
occur) from the binomial moments S_1 .. S_m, computed in exact rational arithmetic as
unionbound-batch computes them.

    >>> r = unionbound.sharp_bounds(n=3, moments=[1.5, 0.75])
    >>> r.lower.value, r.lower.fraction, r.lower.basis, r.upper.status
    (0.75, '3/4', [0, 1, 2], 'optimal')

Floats come out by default (the doubles nearest to the exact values); with exact=True the
values are fractions.Fraction. Unusable arguments raise ValueError with the batch program's
words.
"""

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


def _whole(option, value):
    """An int for the library, or the refusal of a value that is none."""
    if isinstance(value, bool) or not isinstance(value, int) or value not in _INT32:
        raise ValueError(f'{option}: "{value}" is not a whole number from 0 to 2147483647')
    return value


def _moment_text(x):
    """A moment as the batch program's --moments would take it; floats by their shortest
    repr, so that 0.1 is 1/10 as written."""
    if isinstance(x, Fraction):
        return f"{x.numerator}/{x.denominator}"
    if isinstance(x, float):
        return repr(x)
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
    )


def _question(at_least, exactly):
    if at_least is not None and exactly is not None:
        raise ValueError("--at-least excludes --exactly")
    if at_least is not None:
        return "at_least", _whole("--at-least", at_least)
    if exactly is not None:
        return "exactly", _whole("--exactly", exactly)
    return "union", 1


def sharp_bounds(n, moments=None, *, file=None, m=None, at_least=None, exactly=None, exact=False,
                 by_order=False, classical=False):
    """The sharp lower and upper bounds on P(at least one of the n events occurs), or on
    P(at least R) with at_least=R, or P(exactly R) with exactly=R; with by_order=True also the
    bounds from the orders 1 .. k alone for every k, and with classical=True the classical
    bounds of the union beside the sharp ones.

    The data are either moments, S_1 .. S_m as floats, ints, Fractions or strings ("3/2",
    "0.75"), or file with m, a file of intersection probabilities as unionbound's prob.txt.
    """
    n = _whole("--n", n)
    kind, r = _question(at_least, exactly)
    if (moments is None) == (file is None):
        raise ValueError("one of --prob FILE (with --m) and --moments S1,...,Sm is needed")
    if file is not None:
        if m is None:
            raise ValueError("--prob requires --m")
        result = _unionbound.sharp_bounds_from_file(
            str(file), n, _whole("--m", m), kind, r, by_order, classical
        )
    else:
        if m is not None:
            raise ValueError("--m excludes --moments")
        result = _unionbound.sharp_bounds(
            n, [_moment_text(x) for x in moments], kind, r, by_order, classical
        )
    return _bounds(result, exact)


def moments_from_file(path, n, m, *, exact=False):
    """The binomial moments S_1 .. S_m of a file of intersection probabilities, each the exact
    sum of its block as written: floats nearest to them, or Fractions with exact=True."""
    fractions = _unionbound.moments_from_file(str(path), _whole("--n", n), _whole("--m", m))
    return [_number(s, exact) for s in fractions]
